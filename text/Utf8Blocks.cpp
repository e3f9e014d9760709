#include "text/Utf8Blocks.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vorna::detail {

namespace {

// Where the character that holds the byte before p begins, when it runs on past p; else p.
// The bytes from `from` to p are valid as far as they go.
std::size_t StartOfCutCharacter(const unsigned char* bytes, std::size_t from, std::size_t p) {
    for (std::size_t k = 1; k <= 3 && p >= from + k; ++k) {
        const unsigned char b = bytes[p - k];
        if (b < 0x80)
            return p;
        if (b >= 0xC0) {
            const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
            return length > k ? p - k : p;
        }
    }
    return p;
}

#if defined(__SSE2__)

__m128i Byte(unsigned char b) {
    return _mm_set1_epi8(static_cast<char>(b));
}

// Unsigned comparisons of every byte with one value.
__m128i AtLeast(__m128i x, unsigned char b) {
    return _mm_cmpeq_epi8(_mm_max_epu8(x, Byte(b)), x);
}

__m128i AtMost(__m128i x, unsigned char b) {
    return _mm_cmpeq_epi8(_mm_min_epu8(x, Byte(b)), x);
}

// The block's bytes, each with the byte k places before it in place (from the block before).
template <int k> __m128i Before(__m128i block, __m128i previous) {
    return _mm_or_si128(_mm_slli_si128(block, k), _mm_srli_si128(previous, 16 - k));
}

// Every byte that breaks a rule of UTF-8, given the block before (all ASCII at the start):
// a continuation byte where none is due or none where one is, a byte that begins nothing
// (C0, C1, F5..FF), and the second bytes that would make an overlong form, a surrogate or a
// code point past U+10FFFF.
__m128i Faults(__m128i x, __m128i previous) {
    const __m128i before1 = Before<1>(x, previous);
    const __m128i before2 = Before<2>(x, previous);
    const __m128i before3 = Before<3>(x, previous);
    const __m128i continuation = _mm_cmpeq_epi8(_mm_and_si128(x, Byte(0xC0)), Byte(0x80));
    const __m128i due = _mm_or_si128(AtLeast(before1, 0xC0),
                                     _mm_or_si128(AtLeast(before2, 0xE0), AtLeast(before3, 0xF0)));
    __m128i faults = _mm_xor_si128(continuation, due);
    faults = _mm_or_si128(faults, _mm_and_si128(AtLeast(x, 0xC0), AtMost(x, 0xC1)));
    faults = _mm_or_si128(faults, AtLeast(x, 0xF5));
    const auto after = [&](unsigned char lead, __m128i wrong) {
        faults = _mm_or_si128(faults, _mm_and_si128(_mm_cmpeq_epi8(before1, Byte(lead)), wrong));
    };
    after(0xE0, AtMost(x, 0x9F));
    after(0xED, AtLeast(x, 0xA0));
    after(0xF0, AtMost(x, 0x8F));
    after(0xF4, AtLeast(x, 0x90));
    return faults;
}

#endif

} // namespace

Utf8BlockRun CheckUtf8Blocks(const unsigned char* bytes, std::size_t from, std::size_t size) {
    Utf8BlockRun run;
    std::size_t p = from;
    run.until = size;
#if defined(__SSE2__)
    __m128i previous = _mm_setzero_si128();
    for (; p + 16 <= size; p += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + p));
        if ((_mm_movemask_epi8(x) | _mm_movemask_epi8(previous)) == 0)
            continue; // ASCII after ASCII
        if (_mm_movemask_epi8(Faults(x, previous)) != 0) {
            run.until = p + 16;
            break;
        }
        if (run.firstWide == kNoUtf8Byte) {
            const int wide = _mm_movemask_epi8(AtLeast(x, 0xE0));
            if (wide != 0)
                run.firstWide =
                    p + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(wide)));
        }
        previous = x;
    }
#endif
    run.resume = StartOfCutCharacter(bytes, from, p);
    if (run.firstWide != kNoUtf8Byte && run.firstWide >= run.resume)
        run.firstWide = kNoUtf8Byte; // the cut character: checked again one by one
    return run;
}

} // namespace vorna::detail
