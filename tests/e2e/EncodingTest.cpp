// Entry files in UTF-8 and UTF-16 through the real Vorna.exe: loaded unchanged, searched with
// typed and copied keywords, every character shown as it is in the list, the boxes and the
// captions; the notification-area icon's tip names the file, its encoding and its entries.
#include "Driver.h"
#include "Entries.h"
#include "Expect.h"
#include "Fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vorna::e2e {
namespace {

// UTF-8 texts: Chinese, an emoji in a question and in an answer.
const std::vector<TestEntry> kNotes = {
    {"打印机 连不上", "先重启打印机\xF0\x9F\x98\x80"},
    {"截图的快捷键", "Win+Shift+S"},
    {"表情\xF0\x9F\x98\x80", "笑"},
};

class UnicodeFiles : public VornaFixture {
protected:
    // Types the keyword as Unicode and presses Search; returns once the search has ended.
    void SearchFor(std::string_view utf8) const {
        SetText(app->Control(ctl::kSearchBox), Wide(utf8));
        Send(app->Control(ctl::kSearch), BM_CLICK);
    }
    std::string Shown(int id) const { return GetTextUtf8(app->Control(id)); }
    std::vector<std::string> Lines() const { return ListLinesUtf8(app->Control(ctl::kResults)); }

    static long TipsSaying(const std::wstring& tip) {
        const std::vector<std::wstring> tips = NotifyIconTips();
        return static_cast<long>(std::count(tips.begin(), tips.end(), tip));
    }
};

TEST_F(UnicodeFiles, LoadUnchangedAndFindAndShowEveryCharacter) {
    const std::string utf8 = HandMadeFile(kNotes);
    const struct {
        const char* name;
        std::string bytes;
        const wchar_t* encoding;
    } files[] = {
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + utf8, L"UTF-8"},
        {"UTF-8 without a mark", utf8, L"UTF-8"},
        {"UTF-16LE", Utf16Bytes(utf8, true, true), L"UTF-16LE"},
        {"UTF-16BE", Utf16Bytes(utf8, false, true), L"UTF-16BE"},
    };
    const struct {
        const char* keyword;
        std::vector<int> entries;
    } searches[] = {
        {"截图", {1}}, {"\xF0\x9F\x98\x80", {0, 2}}, {"打印机", {0}}, {"Shift", {1}}, {"文件", {}},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        Start(file.bytes);
        EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(3));
        EXPECT_EQ(TipsSaying(std::wstring(L"Lirel — super.vendu (") + file.encoding + L", 3 条)"),
                  1);
        for (const auto& search : searches) {
            SCOPED_TRACE(search.keyword);
            SearchFor(search.keyword);
            std::vector<std::string> labels;
            for (int i : search.entries)
                labels.push_back(Label(kNotes[static_cast<std::size_t>(i)]));
            EXPECT_EQ(Lines(), labels);
            const std::size_t first = search.entries.empty() ? 0 : search.entries[0];
            EXPECT_EQ(Shown(ctl::kQuestion), search.entries.empty() ? "" : kNotes[first].question);
            EXPECT_EQ(Shown(ctl::kAnswer), search.entries.empty() ? "" : kNotes[first].answer);
            const std::string count = std::to_string(search.entries.size());
            EXPECT_UTF8_EQ(
                app->MatchCaption(),
                "【" + std::string(search.keyword) +
                    (search.entries.empty() ? "】无搜索结果" : "】共用" + count + "条搜索结果"));
        }
        app.reset();
        EXPECT_EQ(folder.Read(L"super.vendu"), file.bytes);
    }
}

// Text copied as Unicode only (as most programs put it) is the keyword of a UTF-8 store,
// emoji and all.
TEST_F(UnicodeFiles, CopiedUnicodeTextIsSearchedInAUtf8Store) {
    Start(HandMadeFile(kNotes));
    PutClipboardUnicode(Wide("表情\xF0\x9F\x98\x80"));
    EXPECT_TRUE(WaitUntil([&] { return Lines() == std::vector<std::string>{Label(kNotes[2])}; }))
        << (Lines().empty() ? "" : Lines()[0]);
    EXPECT_EQ(Shown(ctl::kSearchBox), "表情\xF0\x9F\x98\x80");
    EXPECT_EQ(Shown(ctl::kQuestion), kNotes[2].question);
}

// The tip follows every load, and the keyword and the shown texts keep showing what they
// showed when the next file is in another encoding.
TEST_F(UnicodeFiles, TheTipFollowsEachLoadAndTheKeywordCarriesOver) {
    const std::wstring gbk = folder.Write(L"笔记 旧.vendu", HandMadeFile({{G("截图"), G("旧答")}}));
    const std::wstring utf8 = folder.Write(L"笔记.vendu", HandMadeFile(kNotes));
    const long before = TipsSaying(L"Lirel");
    Start();
    ASSERT_EQ(TipsSaying(L"Lirel"), before + 1) << "no tip of the program's icon was found";

    app->Load(gbk);
    EXPECT_EQ(TipsSaying(L"Lirel — 笔记 旧.vendu (GBK, 1 条)"), 1);
    EXPECT_EQ(TipsSaying(L"Lirel"), before);
    SearchFor("截图");
    EXPECT_EQ(Lines(), std::vector<std::string>{"截图/旧答"});

    app->Load(utf8);
    EXPECT_EQ(TipsSaying(L"Lirel — 笔记.vendu (UTF-8, 3 条)"), 1);
    EXPECT_EQ(TipsSaying(L"Lirel — 笔记 旧.vendu (GBK, 1 条)"), 0);
    EXPECT_EQ(Shown(ctl::kSearchBox), "截图");
    EXPECT_EQ(Shown(ctl::kQuestion), "截图");
    Send(app->Control(ctl::kSearch), BM_CLICK);
    EXPECT_EQ(Lines(), std::vector<std::string>{Label(kNotes[1])});

    app->Load(gbk);
    EXPECT_EQ(Shown(ctl::kQuestion), kNotes[1].question);
    Send(app->Control(ctl::kSearch), BM_CLICK);
    EXPECT_EQ(Lines(), std::vector<std::string>{"截图/旧答"});
    EXPECT_UTF8_EQ(app->MatchCaption(), "【截图】共用1条搜索结果");
}

} // namespace
} // namespace vorna::e2e
