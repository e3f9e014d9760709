#include "text/FileEncoding.h"

#include <gtest/gtest.h>

#include <random>

namespace vorna {
namespace {

using namespace std::string_literals;

constexpr std::uint64_t kNone = kNoUtf8Position;

TEST(FileEncoding, DecidedByTheMarkOrByTheWholeFile) {
    const struct {
        std::string bytes;
        Encoding encoding;
        std::size_t mark;
        bool valid;
        std::uint64_t firstInvalid, firstWide;
    } cases[] = {
        {"", Encoding::cp936, 0, true, kNone, kNone},
        {"(%Q%)\r\nabc\r\n(%A%)\r\nxyz", Encoding::cp936, 0, true, kNone, kNone},
        {"\xEF\xBB\xBF", Encoding::utf8, 3, true, kNone, kNone},
        {"\xEF\xBB\xBF"
         "a\xFF",
         Encoding::utf8, 3, false, 4, kNone}, // the mark decides
        {"\xFF\xFE(\0"s, Encoding::utf16le, 2, true, kNone, kNone},
        {"\xFE\xFF\0("s, Encoding::utf16be, 2, true, kNone, kNone},
        {"\xEF\xBB", Encoding::cp936, 0, false, 0, kNone},                 // half a mark
        {"ab\xE4\xB8\xAD\xE6\x96\x87", Encoding::utf8, 0, true, kNone, 2}, // 中文
        {"\xF0\x9F\x98\x80", Encoding::utf8, 0, true, kNone, 0},           // an emoji
        // Code page 936 text whose bytes also form valid two-byte UTF-8 (职, 茅): no
        // three-byte character, so it stays code page 936.
        {"\xD6\xB0 \xC3\xA9", Encoding::cp936, 0, true, kNone, kNone},
        {"\xCB\xD1\xCB\xF7", Encoding::cp936, 0, false, 0, kNone}, // 搜索
        {"\xE4\xB8\xAD\xCB\xD1", Encoding::cp936, 0, false, 3, 0}, // UTF-8, then not
        {"abc\xE4\xB8", Encoding::cp936, 0, false, 3, kNone},      // cut inside a character
        {"\xED\xA0\x80", Encoding::cp936, 0, false, 0, kNone},     // a surrogate
        {"\xC0\xAF", Encoding::cp936, 0, false, 0, kNone},         // overlong
        {"\xF4\x90\x80\x80", Encoding::cp936, 0, false, 0, kNone}, // beyond U+10FFFF
        {"12345678901234\xE4\xB8\xAD", Encoding::utf8, 0, true, kNone, 14},
    };
    for (const auto& c : cases) {
        // Fed whole, and split at every place into two pieces and into single bytes: the
        // same answer.
        std::vector<std::vector<std::string_view>> feeds;
        const std::string_view all = c.bytes;
        feeds.push_back({all});
        for (std::size_t cut = 0; cut <= all.size(); ++cut)
            feeds.push_back({all.substr(0, cut), all.substr(cut)});
        std::vector<std::string_view> single;
        for (std::size_t i = 0; i < all.size(); ++i)
            single.push_back(all.substr(i, 1));
        feeds.push_back(single);
        for (const auto& pieces : feeds) {
            FileEncodingDetector detector;
            for (std::string_view piece : pieces)
                detector.Feed(piece);
            const FileEncoding result = detector.Result();
            const Utf8Survey survey = detector.Survey();
            SCOPED_TRACE(testing::PrintToString(c.bytes) + " in " + std::to_string(pieces.size()) +
                         " pieces");
            EXPECT_EQ(result.encoding, c.encoding);
            EXPECT_EQ(result.markLength, c.mark);
            if (c.encoding == Encoding::utf16le || c.encoding == Encoding::utf16be)
                continue;
            EXPECT_EQ(survey.valid, c.valid);
            EXPECT_EQ(survey.firstInvalid, c.firstInvalid);
            EXPECT_EQ(survey.firstWide, c.firstWide);
        }
        EXPECT_EQ(DetectFileEncoding(c.bytes), (FileEncoding{c.encoding, c.mark}));
    }
}

// Long texts go through the fast walk: random mixes of characters of every length and of bytes
// that are not UTF-8 (a stray continuation, a lead cut short, a surrogate, an overlong form),
// fed in pieces of several sizes, give the survey that a walk character by character gives.
TEST(FileEncoding, LongTextsSurveyedAsCharacterByCharacter) {
    const std::string pieces[] = {
        "a",    "text ",    "\xC3\xA9",     "\xE4\xB8\xAD", "\xF0\x9F\x98\x80",
        "\x80", "\xE4\xB8", "\xED\xA0\x80", "\xC0\xAF"};
    std::mt19937 rng(19);
    for (int round = 0; round < 300; ++round) {
        // Valid throughout, or for a third of them one stretch that is not UTF-8 somewhere.
        std::string text;
        const std::size_t length = 200 + rng() % 6000;
        const std::size_t bad = round % 3 == 0 ? rng() % length : length;
        while (text.size() < length)
            text += pieces[text.size() >= bad && text.size() < bad + 4 ? 5 + rng() % 4 : rng() % 5];
        Utf8Survey want;
        for (std::size_t i = 0; i < text.size();) {
            const std::size_t length = Utf8CharLength(text, i);
            if (length == 0) {
                want.valid = false;
                want.firstInvalid = i;
                break;
            }
            if (length >= 3 && want.firstWide == kNoUtf8Position)
                want.firstWide = i;
            i += length;
        }
        for (std::size_t piece : {std::size_t(7), std::size_t(100), std::size_t(1) << 20}) {
            FileEncodingDetector detector;
            for (std::size_t at = 0; at < text.size(); at += piece)
                detector.Feed(std::string_view(text).substr(at, piece));
            const Utf8Survey got = detector.Survey();
            ASSERT_EQ(got.valid, want.valid) << round << " in pieces of " << piece;
            ASSERT_EQ(got.firstInvalid, want.firstInvalid) << round << " in pieces of " << piece;
            if (want.valid || want.firstWide < want.firstInvalid) {
                ASSERT_EQ(got.firstWide, want.firstWide) << round << " in pieces of " << piece;
            }
        }
    }
}

// Long valid text is passed sixteen bytes at a time: a fault anywhere in it, near a block's
// edge or across one, is found where the byte-by-byte check finds it.
TEST(FileEncoding, BlocksOfValidTextAgreeWithTheCheckByteByByte) {
    const std::string text = "abc\xE4\xB8\xAD\xF0\x9F\x98\x80\xC3\xA9\xE0\xA0\x80\xED\x9F\xBF"
                             "\xF4\x8F\xBF\xBF"
                             "0123456789abcdefghi\xE6\x96\x87";
    const std::string faults[] = {"\xFF",
                                  "\x80",
                                  "\xC1\xBF",
                                  "\xE0\x9F\xBF",
                                  "\xED\xA0\x80",
                                  "\xF0\x8F\xBF\xBF",
                                  "\xF4\x90\x80\x80",
                                  "\xE4\xB8",
                                  "\xE4"};
    for (std::size_t at = 0; at <= text.size(); ++at) {
        for (const std::string& fault : faults) {
            const std::string bytes = text.substr(0, at) + fault + text.substr(at);
            FileEncodingDetector whole, single;
            whole.Feed(bytes);
            for (char c : bytes)
                single.Feed(std::string_view(&c, 1));
            const Utf8Survey a = whole.Survey(), b = single.Survey();
            ASSERT_FALSE(a.valid) << testing::PrintToString(bytes);
            ASSERT_EQ(a.firstInvalid, b.firstInvalid) << testing::PrintToString(bytes);
            ASSERT_EQ(a.firstWide, b.firstWide) << testing::PrintToString(bytes);
        }
    }
    EXPECT_EQ(DetectFileEncoding(text + text), (FileEncoding{Encoding::utf8, 0}));
}

// Decided() lets a reader stop looking: only a mark or a byte that is not UTF-8 settles it.
TEST(FileEncoding, DecidedOnlyByAMarkOrAnInvalidByte) {
    const struct {
        std::string bytes;
        bool decided;
    } cases[] = {
        {"", false},        {"abc\xE4\xB8\xAD", false}, {"\xEF", false}, {"\xEF\xBB\xBF", true},
        {"\xFF\xFE", true}, {"ab\xFF", true},
    };
    for (const auto& c : cases) {
        FileEncodingDetector detector;
        detector.Feed(c.bytes);
        EXPECT_EQ(detector.Decided(), c.decided) << testing::PrintToString(c.bytes);
    }
}

TEST(FileEncoding, NamesAndMarks) {
    EXPECT_EQ(EncodingName(Encoding::cp936), "GBK");
    EXPECT_EQ(EncodingName(Encoding::utf8), "UTF-8");
    EXPECT_EQ(EncodingName(Encoding::utf16le), "UTF-16LE");
    EXPECT_EQ(ByteOrderMark(Encoding::utf8), "\xEF\xBB\xBF");
    EXPECT_EQ(ByteOrderMark(Encoding::cp936), "");
    EXPECT_EQ(TextEncoding(Encoding::utf16be), Encoding::utf8);
    EXPECT_EQ(TextEncoding(Encoding::cp936), Encoding::cp936);
    EXPECT_TRUE(MatchLeadBytes(Encoding::cp936).IsLead(0x81));
    EXPECT_FALSE(MatchLeadBytes(Encoding::utf8).Any());
}

} // namespace
} // namespace vorna
