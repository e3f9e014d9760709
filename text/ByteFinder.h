#pragma once
// Fast search for a fixed byte string, shared by the reader, the keyword matching and the scans.
// The C runtime's memchr is a plain byte loop in some Windows runtimes, so the search is
// done here: on x86 the first and the last byte of the needle are compared over 16
// positions at once, and only the positions where both agree are checked in full.
#include <cstddef>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#define VORNA_HAVE_SSE2 1
#endif

namespace vorna::detail {

inline constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

struct AcceptAll {
    bool operator()(std::size_t) const { return true; }
};

class ByteFinder {
public:
    // needle must not be empty and must outlive the finder.
    explicit ByteFinder(std::string_view needle)
        : m_needle(needle.data()), m_len(needle.size()),
          m_first(static_cast<unsigned char>(needle.front())),
          m_last(static_cast<unsigned char>(needle.back())) {
#ifdef VORNA_HAVE_SSE2
        m_vFirst = _mm_set1_epi8(static_cast<char>(m_first));
        m_vLast = _mm_set1_epi8(static_cast<char>(m_last));
#endif
    }

    // First position p >= from where the needle lies wholly inside [0, n) and accept(p) is
    // true; accept sees the matches in ascending order. kNotFound when there is none.
    template <class Accept>
    std::size_t Find(const char* hay, std::size_t n, std::size_t from, Accept&& accept) const {
        return Search<true>(hay, n, from, accept);
    }

    std::size_t Find(const char* hay, std::size_t n, std::size_t from) const {
        return Find(hay, n, from, AcceptAll());
    }

    // The same, but accept sees every place where only the needle's first and last byte
    // agree, and checks the rest itself: one pass finds needles that differ in the middle.
    template <class Accept>
    std::size_t FindEnds(const char* hay, std::size_t n, std::size_t from, Accept&& accept) const {
        return Search<false>(hay, n, from, accept);
    }

private:
    template <bool kWholeNeedle, class Accept>
    std::size_t Search(const char* hay, std::size_t n, std::size_t from, Accept& accept) const {
        if (from > n || n - from < m_len)
            return kNotFound;
        const std::size_t lastStart = n - m_len;
        std::size_t i = from;
#ifdef VORNA_HAVE_SSE2
        const char* shifted = hay + (m_len - 1);
        while (lastStart - i >= 15) {
            unsigned mask = BlockMask(hay + i, shifted + i);
            while (mask) {
                std::size_t p = i + static_cast<std::size_t>(__builtin_ctz(mask));
                if (Middle<kWholeNeedle>(hay + p) && accept(p))
                    return p;
                mask &= mask - 1;
            }
            i += 16;
            if (i > lastStart)
                return kNotFound;
        }
        if (lastStart >= 15 && i > lastStart - 15) {
            // Fewer than 16 starts remain: one last block that ends at the last start and
            // overlaps positions already seen, which are masked off.
            std::size_t start = lastStart - 15;
            unsigned mask = BlockMask(hay + start, shifted + start) & (0xFFFFu << (i - start));
            while (mask) {
                std::size_t p = start + static_cast<std::size_t>(__builtin_ctz(mask));
                if (Middle<kWholeNeedle>(hay + p) && accept(p))
                    return p;
                mask &= mask - 1;
            }
            return kNotFound;
        }
#endif
        const unsigned char* u = reinterpret_cast<const unsigned char*>(hay);
        for (; i <= lastStart; ++i) {
            if (u[i] == m_first && u[i + m_len - 1] == m_last && Middle<kWholeNeedle>(hay + i) &&
                accept(i))
                return i;
        }
        return kNotFound;
    }

    template <bool kWholeNeedle> bool Middle(const char* at) const {
        return !kWholeNeedle || m_len <= 2 || std::memcmp(at + 1, m_needle + 1, m_len - 2) == 0;
    }

#ifdef VORNA_HAVE_SSE2
    unsigned BlockMask(const char* a, const char* b) const {
        __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
        __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
        __m128i both =
            _mm_and_si128(_mm_cmpeq_epi8(first, m_vFirst), _mm_cmpeq_epi8(last, m_vLast));
        return static_cast<unsigned>(_mm_movemask_epi8(both));
    }
    __m128i m_vFirst;
    __m128i m_vLast;
#endif
    const char* m_needle;
    std::size_t m_len;
    unsigned char m_first;
    unsigned char m_last;
};

} // namespace vorna::detail
