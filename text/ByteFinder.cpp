#include "text/ByteFinder.h"

namespace vorna::detail {

// The processor's features as the compiler's run-time support reads them; it also checks
// that the system saves the wide registers, so AVX2 is used only where it works.
SimdLevel DetectedSimdLevel() {
#ifdef VORNA_HAVE_X86_SIMD
    static const SimdLevel level = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") ? SimdLevel::avx2 : SimdLevel::sse2;
    }();
    return level;
#else
    return SimdLevel::bytes;
#endif
}

} // namespace vorna::detail
