#pragma once
// Ids of the test dialog that hosts hyperlink controls.
#define IDD_LINK_HOST 200
#define IDC_LINK_TEXT 300
#define IDC_LINK_EMPTY 301
#define IDC_LINK_CENTRE 302
#define IDC_LINK_RIGHT 303
