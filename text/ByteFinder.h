#pragma once
// Fast search for a fixed byte string, shared by the reader, the keyword matching and the scans.
// The C runtime's memchr is a plain byte loop in some Windows runtimes, so the search is
// done here: the first and the last byte of the needle are compared over 32 positions at
// once (AVX2) or 16 (SSE2), and only the positions where both agree are checked in full. The
// wider form is chosen at run time, where the processor and the system support it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__x86_64__)
#include <immintrin.h>
#define VORNA_HAVE_X86_SIMD 1
// The wider form is compiled for AVX2 whatever the rest of the program is built for.
#define VORNA_TARGET_AVX2 __attribute__((target("avx2")))
#endif

namespace vorna::detail {

inline constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// How many bytes a search compares at once.
enum class SimdLevel { bytes, sse2, avx2 };
// The widest level this processor and system run (cached after the first call).
SimdLevel DetectedSimdLevel();

struct AcceptAll {
    bool operator()(std::size_t) const { return true; }
};

class ByteFinder {
public:
    // needle must not be empty and must outlive the finder. level: at most this wide; the
    // detected level when not given (a wider one than the processor runs is lowered to it).
    explicit ByteFinder(std::string_view needle, SimdLevel level = DetectedSimdLevel())
        : m_needle(needle.data()), m_len(needle.size()),
          m_first(static_cast<unsigned char>(needle.front())),
          m_last(static_cast<unsigned char>(needle.back())),
          m_level(level < DetectedSimdLevel() ? level : DetectedSimdLevel()) {
        const std::size_t m = m_len > 2 ? m_len - 2 : 0;
        if (m >= 4 && m <= 8) {
            m_head4 = Word<std::uint32_t>(m_needle + 1);
            m_tail4 = Word<std::uint32_t>(m_needle + m_len - 5);
        } else if (m > 8 && m <= 16) {
            m_head8 = Word<std::uint64_t>(m_needle + 1);
            m_tail8 = Word<std::uint64_t>(m_needle + m_len - 9);
        }
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

    // The last position p with from <= p and p + needle size <= to where the needle lies;
    // kNotFound when there is none.
    std::size_t FindLast(const char* hay, std::size_t from, std::size_t to) const {
        if (from > to || to - from < m_len)
            return kNotFound;
        std::size_t top = to - m_len; // candidates from..top, looked at downwards
#ifdef VORNA_HAVE_X86_SIMD
        std::size_t found = kNotFound;
        if (m_level == SimdLevel::avx2 && BackAvx2(hay, from, top, found))
            return found;
        if (m_level == SimdLevel::sse2 && BackSse2(hay, from, top, found))
            return found;
#endif
        const unsigned char* u = reinterpret_cast<const unsigned char*>(hay);
        for (std::size_t i = top + 1; i-- > from;) {
            if (u[i] == m_first && u[i + m_len - 1] == m_last && Middle<true>(hay + i))
                return i;
        }
        return kNotFound;
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
#ifdef VORNA_HAVE_X86_SIMD
        if (m_level == SimdLevel::avx2)
            return SearchAvx2<kWholeNeedle>(hay, n, from, accept);
        if (m_level == SimdLevel::sse2)
            return SearchSse2<kWholeNeedle>(hay, n, from, accept);
#endif
        return SearchBytes<kWholeNeedle>(hay, from, n - m_len, accept);
    }

    // Positions from..lastStart, one at a time.
    template <bool kWholeNeedle, class Accept>
    std::size_t SearchBytes(const char* hay, std::size_t from, std::size_t lastStart,
                            Accept& accept) const {
        const unsigned char* u = reinterpret_cast<const unsigned char*>(hay);
        for (std::size_t i = from; i <= lastStart; ++i) {
            if (u[i] == m_first && u[i + m_len - 1] == m_last && Middle<kWholeNeedle>(hay + i) &&
                accept(i))
                return i;
        }
        return kNotFound;
    }

    // The candidates of one block: start + each set bit of mask. Returns true when one is
    // accepted (its position in found).
    template <bool kWholeNeedle, class Accept>
    bool Candidates(const char* hay, std::size_t start, std::uint64_t mask, Accept& accept,
                    std::size_t& found) const {
        while (mask) {
            const std::size_t p = start + static_cast<std::size_t>(__builtin_ctzll(mask));
            if (Middle<kWholeNeedle>(hay + p) && accept(p)) {
                found = p;
                return true;
            }
            mask &= mask - 1;
        }
        return false;
    }

    // Whether the bytes between the first and the last agree. Up to 16 of them are compared
    // as two words that may overlap, without a call: markers and most keywords are short, and
    // a call for each candidate would cost more than the comparison.
    template <bool kWholeNeedle> bool Middle(const char* at) const {
        if (!kWholeNeedle || m_len <= 2)
            return true;
        const std::size_t m = m_len - 2;
        if (m <= 3) {
            return at[1] == m_needle[1] && (m < 2 || at[2] == m_needle[2]) &&
                   (m < 3 || at[3] == m_needle[3]);
        }
        if (m <= 8)
            return Word<std::uint32_t>(at + 1) == m_head4 &&
                   Word<std::uint32_t>(at + m_len - 5) == m_tail4;
        if (m <= 16)
            return Word<std::uint64_t>(at + 1) == m_head8 &&
                   Word<std::uint64_t>(at + m_len - 9) == m_tail8;
        return std::memcmp(at + 1, m_needle + 1, m) == 0;
    }

    template <class T> static T Word(const char* at) {
        T word;
        std::memcpy(&word, at, sizeof word);
        return word;
    }

#ifdef VORNA_HAVE_X86_SIMD
    // The blocks of 32 starts that begin at from, then one last block that ends at the last
    // start and overlaps starts already seen, which are masked off; a haystack with fewer
    // than 32 starts is searched byte by byte. Two blocks at a time while they last, since a
    // rare needle leaves nothing to do but load and compare.
    template <bool kWholeNeedle, class Accept>
    VORNA_TARGET_AVX2 std::size_t SearchAvx2(const char* hay, std::size_t n, std::size_t from,
                                             Accept& accept) const {
        const std::size_t lastStart = n - m_len;
        if (lastStart - from < 31)
            return SearchBytes<kWholeNeedle>(hay, from, lastStart, accept);
        const unsigned char f = m_first, l = m_last;
        std::size_t i = from, found = kNotFound;
        while (lastStart - i >= 63) {
            // A kilobyte ahead: the processor's own prefetching alone leaves a long search
            // waiting for memory (measured: a rare keyword 15 to 30 % faster with it).
            _mm_prefetch(hay + i + 1024, _MM_HINT_T0);
            const std::uint64_t mask =
                Mask32(hay, i, f, l) | static_cast<std::uint64_t>(Mask32(hay, i + 32, f, l)) << 32;
            if (mask && Candidates<kWholeNeedle>(hay, i, mask, accept, found))
                return found;
            i += 64;
            if (i > lastStart)
                return kNotFound;
        }
        while (lastStart - i >= 31) {
            const std::uint32_t mask = Mask32(hay, i, f, l);
            if (mask && Candidates<kWholeNeedle>(hay, i, mask, accept, found))
                return found;
            i += 32;
            if (i > lastStart)
                return kNotFound;
        }
        const std::size_t start = lastStart - 31;
        const std::uint32_t mask = Mask32(hay, start, f, l) & (0xFFFFFFFFu << (i - start));
        if (mask && Candidates<kWholeNeedle>(hay, start, mask, accept, found))
            return found;
        return kNotFound;
    }

    // The starts at..at+31 where the first and the last byte agree, one bit each.
    VORNA_TARGET_AVX2 std::uint32_t Mask32(const char* hay, std::size_t at, unsigned char firstByte,
                                           unsigned char lastByte) const {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay + at));
        const __m256i eq = _mm256_cmpeq_epi8(a, _mm256_set1_epi8(static_cast<char>(firstByte)));
        if (m_len == 1)
            return static_cast<std::uint32_t>(_mm256_movemask_epi8(eq));
        const __m256i b =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay + at + (m_len - 1)));
        const __m256i both = _mm256_and_si256(
            eq, _mm256_cmpeq_epi8(b, _mm256_set1_epi8(static_cast<char>(lastByte))));
        return static_cast<std::uint32_t>(_mm256_movemask_epi8(both));
    }

    // Blocks of 32 starts looked at downwards from top while whole blocks remain. True when
    // that settles it (found: the match, or kNotFound); otherwise top is the last start left
    // for a byte-wise look.
    VORNA_TARGET_AVX2 bool BackAvx2(const char* hay, std::size_t from, std::size_t& top,
                                    std::size_t& found) const {
        const unsigned char f = m_first, l = m_last;
        while (top - from >= 31) {
            const std::size_t start = top - 31;
            std::uint32_t mask = Mask32(hay, start, f, l);
            while (mask) {
                const unsigned bit = 31u - static_cast<unsigned>(__builtin_clz(mask));
                if (Middle<true>(hay + start + bit)) {
                    found = start + bit;
                    return true;
                }
                mask &= ~(1u << bit);
            }
            if (start == from)
                return true;
            top = start - 1;
        }
        return false;
    }

    // The same with blocks of 16 starts.
    bool BackSse2(const char* hay, std::size_t from, std::size_t& top, std::size_t& found) const {
        const __m128i first = _mm_set1_epi8(static_cast<char>(m_first));
        const __m128i last = _mm_set1_epi8(static_cast<char>(m_last));
        while (top - from >= 15) {
            const std::size_t start = top - 15;
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + start));
            const __m128i b =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + start + m_len - 1));
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
            while (mask) {
                const unsigned bit = 31u - static_cast<unsigned>(__builtin_clz(mask));
                if (Middle<true>(hay + start + bit)) {
                    found = start + bit;
                    return true;
                }
                mask &= ~(1u << bit);
            }
            if (start == from)
                return true;
            top = start - 1;
        }
        return false;
    }

    // The same with blocks of 16 starts.
    template <bool kWholeNeedle, class Accept>
    std::size_t SearchSse2(const char* hay, std::size_t n, std::size_t from, Accept& accept) const {
        const std::size_t lastStart = n - m_len;
        if (lastStart - from < 15)
            return SearchBytes<kWholeNeedle>(hay, from, lastStart, accept);
        const __m128i first = _mm_set1_epi8(static_cast<char>(m_first));
        const __m128i last = _mm_set1_epi8(static_cast<char>(m_last));
        const char* shifted = hay + (m_len - 1);
        const auto mask16 = [&](std::size_t at) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + at));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(shifted + at));
            return static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        };
        std::size_t i = from, found = kNotFound;
        while (lastStart - i >= 31) {
            _mm_prefetch(hay + i + 1024, _MM_HINT_T0);
            const std::uint64_t mask = mask16(i) | (mask16(i + 16) << 16);
            if (mask && Candidates<kWholeNeedle>(hay, i, mask, accept, found))
                return found;
            i += 32;
            if (i > lastStart)
                return kNotFound;
        }
        while (lastStart - i >= 15) {
            const unsigned mask = mask16(i);
            if (mask && Candidates<kWholeNeedle>(hay, i, mask, accept, found))
                return found;
            i += 16;
            if (i > lastStart)
                return kNotFound;
        }
        const std::size_t start = lastStart - 15;
        const unsigned mask = mask16(start) & (0xFFFFu << (i - start));
        if (mask && Candidates<kWholeNeedle>(hay, start, mask, accept, found))
            return found;
        return kNotFound;
    }
#endif

    const char* m_needle;
    std::size_t m_len;
    unsigned char m_first;
    unsigned char m_last;
    SimdLevel m_level;
    // The middle's first and last four or eight bytes, for middles of 4 to 16 bytes.
    std::uint32_t m_head4 = 0, m_tail4 = 0;
    std::uint64_t m_head8 = 0, m_tail8 = 0;
};

} // namespace vorna::detail
