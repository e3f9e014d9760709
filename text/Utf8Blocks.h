#pragma once
// UTF-8 validation sixteen bytes at a time, for the long runs of valid text that a UTF-8
// entry file is made of; the byte-by-byte check (FileEncodingDetector) stays the judge of
// anything it does not pass.
#include <cstddef>

namespace vorna::detail {

inline constexpr std::size_t kNoUtf8Byte = static_cast<std::size_t>(-1);

struct Utf8BlockRun {
    // A character boundary from which the bytes must be checked one by one, up to until (the
    // end of a block that may hold a fault, or size); everything before resume is valid.
    std::size_t resume = 0;
    std::size_t until = 0;
    // The first byte before resume that begins a character of three or four bytes.
    std::size_t firstWide = kNoUtf8Byte;
};

// Checks bytes[from, size) from a character boundary in whole blocks of sixteen.
Utf8BlockRun CheckUtf8Blocks(const unsigned char* bytes, std::size_t from, std::size_t size);

} // namespace vorna::detail
