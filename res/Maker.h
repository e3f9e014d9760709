// Who makes the program and where to find them: shown by the About box, whose link opens
// the address. Included by the resource script and by the code, so both use one value.
#pragma once

#define VORNA_MAKER_NAME "沃纳"
#define VORNA_MAKER_URL "http://www.example.com/lirel"
