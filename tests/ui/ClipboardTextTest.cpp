#include "ui/VornaDlgRules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vorna {
namespace {

// A movable block holding exactly the given bytes.
HGLOBAL MakeBlock(const std::string& bytes) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (block && !bytes.empty()) {
        void* p = ::GlobalLock(block);
        std::memcpy(p, bytes.data(), bytes.size());
        ::GlobalUnlock(block);
    }
    return block;
}

TEST(TextOfBlock, EndsAtTheFirstZeroByte) {
    struct Case {
        std::string bytes;
        std::string text;
    } cases[] = {
        {std::string("abc\0", 4), "abc"},
        {std::string("abc\0def\0", 8), "abc"},
        {std::string("\0abc", 4), ""},
        {std::string("\xCB\xD1\xCB\xF7\0", 5), "\xCB\xD1\xCB\xF7"},
        // No zero byte at all: the block's whole content and nothing after it.
        {"pie", "pie"},
        {"\xCB\xD1", "\xCB\xD1"},
    };
    for (const Case& c : cases) {
        HGLOBAL block = MakeBlock(c.bytes);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(TextOfBlock(block), c.text) << c.bytes.size();
        ::GlobalFree(block);
    }
}

TEST(TextOfBlock, StopsAtTheBlocksEndWhenTheMemoryAfterItHoldsText) {
    // Shrunk in place, the block is followed by the bytes it held before: text without a
    // zero for as long as the old size.
    std::string filled = "question" + std::string(248, 'x');
    HGLOBAL block = MakeBlock(filled);
    ASSERT_NE(block, nullptr);
    HGLOBAL shrunk = ::GlobalReAlloc(block, 8, GMEM_MOVEABLE);
    ASSERT_NE(shrunk, nullptr);
    ASSERT_EQ(::GlobalSize(shrunk), 8u);
    EXPECT_EQ(TextOfBlock(shrunk), "question");
    ::GlobalFree(shrunk);
}

TEST(TextOfBlock, NoBlockOrAnEmptyOneGivesNoText) {
    EXPECT_EQ(TextOfBlock(nullptr), "");
    // A movable block of size 0 is discarded: it cannot be locked.
    HGLOBAL empty = ::GlobalAlloc(GMEM_MOVEABLE, 0);
    EXPECT_EQ(TextOfBlock(empty), "");
    if (empty)
        ::GlobalFree(empty);
}

// Unicode text ends at its first zero unit, or at the last whole unit of its block.
TEST(WideTextOfBlock, EndsAtTheFirstZeroUnitOrTheBlocksLastWholeUnit) {
    struct Case {
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {std::string("a\0b\0\0\0c\0", 8), L"ab"},
        {std::string("=\xD8\0\xDE", 4), L"\U0001F600"},
        {std::string("a\0b", 3), L"a"},
        {"", L""},
    };
    for (const Case& c : cases) {
        HGLOBAL block = MakeBlock(c.bytes);
        EXPECT_EQ(WideTextOfBlock(block), c.text) << c.bytes.size();
        if (block)
            ::GlobalFree(block);
    }
}

} // namespace
} // namespace vorna
