#pragma once
// GoogleTest checks for ANSI byte strings: they compare bytes and show a failure in UTF-8,
// with the bytes in hex where the two look the same.
#include "Driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorna::e2e {

inline std::string Readable(const std::string& ansi) {
    std::string out = "\"" + AnsiToUtf8(ansi) + "\"";
    for (std::size_t at; (at = out.find("\r\n")) != std::string::npos;)
        out.replace(at, 2, "\\r\\n");
    return out;
}

inline testing::AssertionResult SameAnsi(const char* actualExpr, const char* expectedExpr,
                                         const std::string& actual, const std::string& expected) {
    if (actual == expected)
        return testing::AssertionSuccess();
    auto failure = testing::AssertionFailure();
    failure << actualExpr << " is " << Readable(actual) << "\n  but " << expectedExpr << " is "
            << Readable(expected);
    if (Readable(actual) == Readable(expected))
        failure << "\n  bytes " << Hex(actual) << "\n  vs    " << Hex(expected);
    return failure;
}

inline testing::AssertionResult SameAnsiLines(const char* actualExpr, const char* expectedExpr,
                                              const std::vector<std::string>& actual,
                                              const std::vector<std::string>& expected) {
    if (actual == expected)
        return testing::AssertionSuccess();
    auto failure = testing::AssertionFailure();
    failure << actualExpr << " has " << actual.size() << " lines, " << expectedExpr << " "
            << expected.size();
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        const bool same = i < actual.size() && i < expected.size() && actual[i] == expected[i];
        const std::string a = i < actual.size() ? Readable(actual[i]) : "(none)";
        const std::string e = i < expected.size() ? Readable(expected[i]) : "(none)";
        if (!same)
            failure << "\n  line " << i << ": " << a << " but expected " << e;
    }
    return failure;
}

// For UTF-8 texts such as the program's captions: shown as they are, not escaped.
inline testing::AssertionResult SameUtf8(const char* actualExpr, const char* expectedExpr,
                                         const std::string& actual, const std::string& expected) {
    if (actual == expected)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << actualExpr << " is \"" << actual << "\"\n  but "
                                       << expectedExpr << " is \"" << expected << "\"";
}

} // namespace vorna::e2e

#define EXPECT_UTF8_EQ(actual, expected)                                                           \
    EXPECT_PRED_FORMAT2(::vorna::e2e::SameUtf8, actual, expected)
#define EXPECT_ANSI_EQ(actual, expected)                                                           \
    EXPECT_PRED_FORMAT2(::vorna::e2e::SameAnsi, actual, expected)
#define EXPECT_LINES_EQ(actual, expected)                                                          \
    EXPECT_PRED_FORMAT2(::vorna::e2e::SameAnsiLines, actual, expected)
