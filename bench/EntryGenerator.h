#pragma once
// Realistic entry files for the benchmarks: questions of 10 to 80 bytes and answers of 20 to
// 400 bytes, Chinese (code page 936) mixed with ASCII, written in the writer's record format.
#include <cstddef>
#include <string>
#include <string_view>

namespace vorna::bench {

// Planted in the answer of one entry in kRareEvery; found nowhere else.
inline constexpr std::string_view kRareKeyword = "Zephyr-42";
inline constexpr std::size_t kRareEvery = 9973;
// 文件 ("file"): one of the vocabulary's words, so it occurs in many entries.
inline constexpr std::string_view kFrequentKeyword = "\xCE\xC4\xBC\xFE";
// Begins and ends with a space, common in the ASCII parts, but occurs nowhere.
inline constexpr std::string_view kCommonFirstByteKeyword = " zq ";

// The same file for the same count on every run. Answers are at most longestAnswer bytes
// long (the rare keyword may come on top).
inline constexpr std::size_t kLongestAnswer = 400 - 12;
std::string GenerateEntryFile(std::size_t entries, std::size_t longestAnswer = kLongestAnswer);
// size bytes of question markers and nothing else (the tail, if any, is spaces).
std::string MarkerHeavyFile(std::size_t size);

} // namespace vorna::bench
