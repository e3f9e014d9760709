#include "tools/vendu/Formats.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <tuple>

namespace vendu {
namespace {

TEST(Base64, EncodesAndDecodesTheStandardVectors) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\xff\x00\xd6", 3), "/wDW"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(Base64Encode(bytes), text);
        std::string decoded;
        ASSERT_TRUE(Base64Decode(text, decoded)) << text;
        EXPECT_EQ(decoded, bytes);
    }
}

TEST(Base64, RefusesAnythingElse) {
    for (const char* text : {"Zg=", "Zg", "Z===", "Zh==", "Zm9=", "Zm9v!A==", "Zg==Zg==", "Zm=v"}) {
        std::string decoded;
        EXPECT_FALSE(Base64Decode(text, decoded)) << text;
    }
}

TEST(JsonText, EscapesKeepsTheDocumentValidAndLaysItOut) {
    using Json = nlohmann::ordered_json;
    const std::pair<Json, std::string> cases[] = {
        {"a\"b\\c\n\r\t\x01/", R"("a\"b\\c\n\r\t\u0001/")"},
        {"\xe9\x97\xae", "\"\xe9\x97\xae\""},
        {"x\xffy", "\"x\xef\xbf\xbdy\""},
        {{{"question", "q"}, {"answer", "a"}}, R"({"question": "q", "answer": "a"})"},
        {{{"n", {1, 2}}, {"empty", Json::array()}}, R"({"n": [1, 2], "empty": []})"},
        {{{"files", {{{"file", "f"}, {"findings", {{{"line", 1}}, {{"line", 2}}}}}}}},
         "{\"files\": [\n  {\"file\": \"f\", \"findings\": [\n    {\"line\": 1},\n"
         "    {\"line\": 2}\n  ]}\n]}"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(JsonText(value), text);
}

TEST(CsvRow, QuotesEveryField) {
    EXPECT_EQ(CsvRow("a\"b", "c,d\r\ne"), "\"a\"\"b\",\"c,d\r\ne\"\r\n");
    EXPECT_EQ(CsvRow("", ""), "\"\",\"\"\r\n");
}

using Row = std::tuple<std::size_t, std::string, std::string, bool>; // number, q, a, refused

std::vector<Row> Rows(const std::vector<ImportRow>& rows) {
    std::vector<Row> out;
    for (const ImportRow& r : rows)
        out.emplace_back(r.number, r.question, r.answer, !r.error.empty());
    return out;
}

TEST(ReadCsvRows, ReadsRowsAndNumbersThemLikeASpreadsheet) {
    const struct {
        const char* name;
        std::string data;
        std::vector<Row> want;
    } cases[] = {
        {"header and CR LF", "question,answer\r\n\"q\",\"a\"\r\n", {{2, "q", "a", false}}},
        {"no header, LF, no final break",
         "q1,a1\nq2,a2",
         {{1, "q1", "a1", false}, {2, "q2", "a2", false}}},
        {"header only counts first",
         "q,a\nquestion,answer\n",
         {{1, "q", "a", false}, {2, "question", "answer", false}}},
        {"quotes, commas and line breaks inside",
         "\"say \"\"hi\"\"\",\"a,b\r\nc\"\r\nnext,row\r\n",
         {{1, "say \"hi\"", "a,b\r\nc", false}, {2, "next", "row", false}}},
        {"blank lines are skipped but counted",
         "q1,a1\r\n\r\nq3,a3\r\n",
         {{1, "q1", "a1", false}, {3, "q3", "a3", false}}},
        {"quote inside an unquoted field is text", "a\"b,c\n", {{1, "a\"b", "c", false}}},
        {"lone CR is text", "a\rb,c\n", {{1, "a\rb", "c", false}}},
        {"wrong field counts",
         "one\n\"\"\na,b,c\n",
         {{1, "", "", true}, {2, "", "", true}, {3, "", "", true}}},
        {"text after a closing quote",
         "\"q\"x,a\nq2,a2\n",
         {{1, "", "", true}, {2, "q2", "a2", false}}},
        {"code page 936 bytes pass",
         "\"\xd6\xd0\",\"\xb0\x41\"\r\n",
         {{1, "\xd6\xd0", "\xb0\x41", false}}},
    };
    for (const auto& c : cases) {
        std::vector<ImportRow> rows;
        std::string fatal;
        ASSERT_TRUE(ReadCsvRows(c.data, rows, fatal)) << c.name << ": " << fatal;
        EXPECT_EQ(Rows(rows), c.want) << c.name;
    }
}

TEST(ReadCsvRows, AnUnclosedQuoteFailsTheWholeFile) {
    std::vector<ImportRow> rows;
    std::string fatal;
    EXPECT_FALSE(ReadCsvRows("q,a\n\"q2\",\"never\r\n", rows, fatal));
    EXPECT_EQ(fatal, "row 2: a quoted field is not closed (it starts at byte 10)");
    EXPECT_TRUE(rows.empty());
}

TEST(ReadJsonLines, TakesTextOrBytesPerMember) {
    const struct {
        const char* name;
        std::string line;
        Row want;
        bool questionIsBytes;
    } cases[] = {
        {"plain", R"({"question": "q", "answer": "a"})", {1, "q", "a", false}, false},
        {"escapes",
         R"({"question":"\"\\\/\b\f\n\r\t","answer":"\u95ee\ud83d\ude00"})",
         {1, "\"\\/\b\f\n\r\t", "\xe9\x97\xae\xf0\x9f\x98\x80", false},
         false},
        {"bytes",
         R"({"question_base64": "1tA=", "answer": "a"})",
         {1, "\xd6\xd0", "a", false},
         true},
        {"other members ignored",
         R"({"id": [1, 2.5e-3, {"x": null, "y": [true, false]}], "question": "q", "answer": "a"})",
         {1, "q", "a", false},
         false},
        {"CR LF line end",
         "{\"question\": \"q\", \"answer\": \"a\"}\r",
         {1, "q", "a", false},
         false},
        {"not an object", R"(["q", "a"])", {1, "", "", true}, false},
        {"unclosed", R"({"question": "q")", {1, "", "", true}, false},
        {"text after", R"({"question": "q", "answer": "a"} x)", {1, "", "", true}, false},
        {"missing answer", R"({"question": "q"})", {1, "q", "", true}, false},
        {"both forms",
         R"({"question": "q", "question_base64": "cQ==", "answer": "a"})",
         {1, "", "", true},
         true},
        {"not a string", R"({"question": 5, "answer": "a"})", {1, "", "", true}, false},
        {"lone surrogate", R"({"question": "\udc00", "answer": "a"})", {1, "", "", true}, false},
        {"raw control character",
         "{\"question\": \"a\tb\", \"answer\": \"a\"}",
         {1, "", "", true},
         false},
        {"not UTF-8", "{\"question\": \"\xff\", \"answer\": \"a\"}", {1, "", "", true}, false},
        {"bad number", R"({"n": 01, "question": "q", "answer": "a"})", {1, "", "", true}, false},
    };
    for (const auto& c : cases) {
        std::vector<ImportRow> rows;
        ReadJsonLines(c.line, rows);
        ASSERT_EQ(rows.size(), 1u) << c.name;
        const ImportRow& r = rows[0];
        const bool refused = !r.error.empty();
        EXPECT_EQ(refused, std::get<3>(c.want)) << c.name << ": " << r.error;
        if (!refused) {
            EXPECT_EQ(r.question, std::get<1>(c.want)) << c.name;
            EXPECT_EQ(r.answer, std::get<2>(c.want)) << c.name;
            EXPECT_EQ(r.questionIsBytes, c.questionIsBytes) << c.name;
        }
    }
}

TEST(ReadJsonLines, NumbersRowsByLineAndSkipsBlankOnes) {
    std::vector<ImportRow> rows;
    ReadJsonLines(
        "{\"question\":\"a\",\"answer\":\"b\"}\n\n  \n{\"question\":\"c\",\"answer\":\"d\"}\n",
        rows);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].number, 1u);
    EXPECT_EQ(rows[1].number, 4u);
}

} // namespace
} // namespace vendu
