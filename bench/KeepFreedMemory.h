#pragma once
// glibc hands large freed blocks back to the system at once, so every repetition of a case
// would touch fresh pages again; on a virtual machine that page-fault cost can dwarf the
// work measured. Keeping freed memory measures the code in its steady state; the
// self-timed program reports the first, cold run beside it.
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vorna::bench {

inline void KeepFreedMemory() {
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
#endif
}

} // namespace vorna::bench
