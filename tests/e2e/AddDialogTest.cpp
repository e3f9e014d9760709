// The add-entry dialog driven through the real Vorna.exe and its file dialog: choosing the
// target file, the checks, appending, every message, a full disk, and what the main window
// sees once the dialog has ended.
#include "Driver.h"
#include "Fixture.h"
#include "Entries.h"
#include "Expect.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>

namespace vorna::e2e {
namespace {

// Control ids of the add-entry dialog.
namespace add {
inline constexpr int kQuestion = 1003;
inline constexpr int kAnswer = 1004;
inline constexpr int kPath = 1007;
inline constexpr int kChoose = 1008;
inline constexpr int kSave = 1009;
inline constexpr int kDone = IDCANCEL;
} // namespace add

// The file dialog's file type list and its read-only check box.
inline constexpr int kFileTypes = 1136;
inline constexpr int kReadOnlyBox = 1040;

const std::wstring kFileMissing = L"该文件不存在！";
const std::wstring kCannotOpen = L"该文件无法打开或写入！";
const std::wstring kNoTarget = L"保存路径有问题，请重新确认！";
const std::wstring kEmptyInput = L"输入为空，请输入内容！";
const std::wstring kWrongInput = L"错误输入，请修改内容！";
const std::wstring kSaveFailed = L"保存失败，文件未被修改，请检查磁盘空间后重试！";
const std::wstring kUnconvertible = L"问题或回答中有无法保存的字符，请删除后重试！";

// Opens the file for reading and writing with no sharing, as the program does; true when that
// worked, that is when nobody holds the file.
bool OpensExclusively(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// The size from the directory, which needs no open: the program may hold the file unshared.
std::optional<std::uint64_t> SizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class AddDialogTest : public VornaFixture {
protected:
    // Presses Add... and waits for the dialog.
    void OpenAdd() {
        Post(app->Control(ctl::kAdd), BM_CLICK);
        const bool shown = WaitUntil([this] {
            for (HWND dialog : app->Dialogs()) {
                if (IsWindowVisible(dialog) && GetDlgItem(dialog, add::kChoose) &&
                    GetDlgItem(dialog, add::kSave)) {
                    dlg = dialog;
                    return true;
                }
            }
            return false;
        });
        if (!shown)
            throw DriverError("the add-entry dialog did not appear" + app->DescribeMessageBoxes());
    }

    HWND Item(int id) const {
        HWND item = GetDlgItem(dlg, id);
        if (!item)
            throw DriverError("the add-entry dialog has no control " + std::to_string(id));
        return item;
    }
    std::string Question() const { return GetTextAnsi(Item(add::kQuestion)); }
    std::string Answer() const { return GetTextAnsi(Item(add::kAnswer)); }
    std::wstring PathShown() const { return GetText(Item(add::kPath)); }
    void Type(std::string_view ansiQuestion, std::string_view ansiAnswer) const {
        SetTextAnsi(Item(add::kQuestion), ansiQuestion);
        SetTextAnsi(Item(add::kAnswer), ansiAnswer);
    }

    // Clicks a button of the dialog; returns once its handler has ended or shows a box.
    void Click(int id) const {
        Post(Item(id), BM_CLICK);
        app->Sync();
    }
    void Save() const { Click(add::kSave); }

    // "选择", then the file dialog answered with path.
    void Choose(const std::wstring& path) const {
        Post(Item(add::kChoose), BM_CLICK);
        VornaProcess::AnswerFileDialog(app->WaitForFileDialog(), path);
        app->Sync();
    }

    // The box must be up, owned by the add-entry dialog, and say text; it is dismissed.
    void ExpectMessage(const std::wstring& text) const {
        const HWND box = app->WaitForMessageBox();
        EXPECT_EQ(Utf8(VornaProcess::MessageBoxText(box)), Utf8(text));
        EXPECT_EQ(GetWindow(box, GW_OWNER), dlg) << "the box is not owned by the add dialog";
        VornaProcess::DismissMessageBox(box);
        app->Sync();
    }
    void ExpectNoMessage() const {
        app->Sync();
        EXPECT_FALSE(app->FindMessageBox().has_value()) << app->DescribeMessageBoxes();
    }

    // What a successful save leaves: both boxes empty, the focus in the question box, the
    // path still shown.
    void ExpectSaved(const std::wstring& path) const {
        ExpectNoMessage();
        EXPECT_ANSI_EQ(Question(), "");
        EXPECT_ANSI_EQ(Answer(), "");
        EXPECT_EQ(app->Focus(), Item(add::kQuestion));
        EXPECT_EQ(PathShown(), path);
    }

    void BringDialogToFront() const {
        const bool front = WaitUntil(
            [this] {
                if (GetForegroundWindow() == dlg)
                    return true;
                SetForegroundWindow(dlg);
                return false;
            },
            kTimeoutMs, 10);
        if (!front)
            throw DriverError("the add-entry dialog did not come to the foreground");
    }

    // Clicks into a text box with the mouse, as a user does before typing.
    void ClickInto(int id) const {
        BringDialogToFront();
        MouseClick(Centre(Item(id)));
        if (!WaitUntil([&] { return app->Focus() == Item(id); }))
            throw DriverError("the click did not put the focus into box " + std::to_string(id));
    }

    // "完成" and waits until the dialog is gone.
    void Done() {
        Click(add::kDone);
        WaitForDialogGone();
    }
    void WaitForDialogGone() {
        if (!WaitUntil([this] { return !IsWindow(dlg); }))
            throw DriverError("the add-entry dialog is still open" + app->DescribeMessageBoxes());
        app->Sync();
        dlg = nullptr;
    }

    HWND dlg = nullptr;
};

TEST_F(AddDialogTest, OpensEmptyAndOwnedByTheWaitingMainWindow) {
    Start();
    OpenAdd();
    EXPECT_EQ(GetText(dlg), L"添加");
    EXPECT_EQ(PathShown(), L"");
    EXPECT_ANSI_EQ(Question(), "");
    EXPECT_ANSI_EQ(Answer(), "");
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), app->Main());
    EXPECT_FALSE(IsWindowEnabled(app->Main())) << "the main window must wait for the dialog";
}

TEST_F(AddDialogTest, SaveBeforeAnyChoiceAsksForThePathAndKeepsTheTexts) {
    Start();
    OpenAdd();
    Type(G("问题"), G("回答"));
    Save();
    ExpectMessage(kNoTarget);
    EXPECT_ANSI_EQ(Question(), G("问题"));
    EXPECT_ANSI_EQ(Answer(), G("回答"));
    EXPECT_EQ(PathShown(), L"");
}

// Each refused entry shows its message, stays in the boxes and writes nothing; the valid ones
// that look close to a marker are written exactly as typed.
TEST_F(AddDialogTest, TheChecksRefuseEmptyTextsAndMarkersInTheirOrder) {
    const std::wstring path = folder.Write(L"notes.vendu", "");
    Start();
    OpenAdd();
    Choose(path);
    ExpectNoMessage();
    struct Refused {
        std::string question;
        std::string answer;
        std::wstring message;
    };
    const std::vector<Refused> refused = {
        {"a(%A%)", "", kWrongInput},  {"", "x(%Q%)y", kEmptyInput},
        {"", "", kEmptyInput},        {"q(%Q%)", "a", kWrongInput},
        {"q", "", kEmptyInput},       {"q", G("前(%Q%)后"), kWrongInput},
        {"q", "a(%A%)", kWrongInput},
    };
    for (const Refused& c : refused) {
        SCOPED_TRACE("question [" + AnsiToUtf8(c.question) + "] answer [" + AnsiToUtf8(c.answer) +
                     "]");
        Type(c.question, c.answer);
        Save();
        ExpectMessage(c.message);
        EXPECT_ANSI_EQ(Question(), c.question);
        EXPECT_ANSI_EQ(Answer(), c.answer);
        EXPECT_EQ(SizeOf(path), 0u);
    }
    const std::vector<TestEntry> accepted = {
        {"(%q%)", "(%Q%"}, {" ", "\r\n"}, {"\r\n\r\n", G("答(%a%)")}};
    std::string expected;
    for (const TestEntry& e : accepted) {
        Type(e.question, e.answer);
        Save();
        ExpectSaved(path);
        expected += WrittenRecord(e.question, e.answer);
    }
    Done();
    EXPECT_ANSI_EQ(folder.Read(L"notes.vendu"), expected);
}

// The boxes hold Unicode; the file holds code page 936. A text with a character that has no
// code there is refused after the other checks, with that character selected, instead of
// being saved as "?" or as a look-alike; GBK text is saved byte for byte.
TEST_F(AddDialogTest, TextsTheCodePageCannotHoldAreRefusedAndGbkSavesExactly) {
    const std::string old = WrittenRecord(G("旧问题"), G("旧答案"));
    const std::wstring path = folder.Write(L"notes.vendu", old);
    Start();
    OpenAdd();
    Choose(path);
    ExpectNoMessage();
    struct Refused {
        const char* name;
        std::wstring question;
        std::wstring answer;
        std::wstring message;
        int box; // where the character to delete is selected, for kUnconvertible
        DWORD selectionStart;
        DWORD selectionEnd;
    };
    const std::vector<Refused> refused = {
        {"an emoji in the answer", L"表情", L"笑\U0001F600了", kUnconvertible, add::kAnswer, 1, 3},
        {"a CJK character outside the code page in the question", L"姓\U00020BB7氏", L"答",
         kUnconvertible, add::kQuestion, 1, 3},
        {"a letter the code page has only a look-alike for", L"\u00C0 la carte", L"答",
         kUnconvertible, add::kQuestion, 0, 1},
        {"a Hangul syllable in the answer after good text", L"问", L"好\uD55C", kUnconvertible,
         add::kAnswer, 1, 2},
        {"the marker check comes first", L"\U0001F600(%Q%)", L"答", kWrongInput, 0, 0, 0},
        {"the empty check comes first", L"\U0001F600问", L"", kEmptyInput, 0, 0, 0},
        {"an empty question comes before the answer's emoji", L"", L"\U0001F600", kEmptyInput, 0, 0,
         0},
    };
    for (const Refused& c : refused) {
        SCOPED_TRACE(c.name);
        SetText(Item(add::kQuestion), c.question);
        SetText(Item(add::kAnswer), c.answer);
        Save();
        ExpectMessage(c.message);
        EXPECT_EQ(Utf8(GetText(Item(add::kQuestion))), Utf8(c.question));
        EXPECT_EQ(Utf8(GetText(Item(add::kAnswer))), Utf8(c.answer));
        EXPECT_EQ(SizeOf(path), old.size());
        if (c.box != 0) {
            EXPECT_EQ(app->Focus(), Item(c.box));
            const auto selection = static_cast<DWORD>(Send(Item(c.box), EM_GETSEL));
            EXPECT_EQ(LOWORD(selection), c.selectionStart);
            EXPECT_EQ(HIWORD(selection), c.selectionEnd);
        }
    }
    // Choosing the file again writes the boxes from the texts last read; those that did not
    // convert stay as typed, not as their "?".
    SetText(Item(add::kQuestion), L"问\U0001F600");
    SetText(Item(add::kAnswer), L"答");
    Save();
    ExpectMessage(kUnconvertible);
    Choose(path);
    ExpectNoMessage();
    EXPECT_EQ(Utf8(GetText(Item(add::kQuestion))), Utf8(L"问\U0001F600"));

    // 搜索, the euro sign, 镕 (GBK, not GB2312), the middle dot, é and a typed "?".
    SetText(Item(add::kQuestion), L"搜索\u20AC\u9555");
    SetText(Item(add::kAnswer), L"\u00B7\u00E9?");
    Save();
    ExpectSaved(path);
    Done();
    EXPECT_ANSI_EQ(folder.Read(L"notes.vendu"),
                   old + WrittenRecord("\xCB\xD1\xCB\xF7\x80\xE9\x46", "\xA1\xA4\xA8\xA6?"));
}

// Each file takes the record in its own encoding, decided from its bytes when it is chosen:
// UTF-8 with or without its mark (kept, none added), UTF-16 either way round, and code page
// 936 for a GBK file and an empty one.
TEST_F(AddDialogTest, EachFileTakesTheRecordInItsOwnEncoding) {
    const std::string emoji = "表情\xF0\x9F\x98\x80", laugh = "笑";
    const std::string record = WrittenRecord(emoji, laugh);
    const std::string notes = HandMadeFile({{"问题", "答案"}});
    const struct {
        const wchar_t* name;
        std::string before;
        std::string question, answer; // typed, UTF-8
        std::string added;
    } files[] = {
        {L"marked.vendu", "\xEF\xBB\xBF" + notes, emoji, laugh, record},
        {L"unmarked.vendu", notes, emoji, laugh, record},
        {L"mark only.vendu", "\xEF\xBB\xBF", emoji, laugh, record},
        {L"le.vendu", Utf16Bytes(notes, true, true), emoji, laugh, Utf16Bytes(record, true, false)},
        {L"be.vendu", Utf16Bytes(notes, false, true), emoji, laugh,
         Utf16Bytes(record, false, false)},
        {L"gbk.vendu", G(notes), "问", "答", WrittenRecord(G("问"), G("答"))},
        {L"empty.vendu", "", "问", "答", WrittenRecord(G("问"), G("答"))},
    };
    Start();
    OpenAdd();
    for (const auto& file : files) {
        SCOPED_TRACE(Utf8(file.name));
        const std::wstring path = folder.Write(file.name, file.before);
        Choose(path);
        ExpectNoMessage();
        SetText(Item(add::kQuestion), Wide(file.question));
        SetText(Item(add::kAnswer), Wide(file.answer));
        Save();
        ExpectSaved(path);
    }
    Done();
    for (const auto& file : files)
        EXPECT_EQ(Hex(folder.Read(file.name)), Hex(file.before + file.added)) << Utf8(file.name);
}

// What a GBK file cannot hold stays in its box, whole, and goes whole into a UTF-8 file
// chosen next.
TEST_F(AddDialogTest, TextRefusedForAGbkFileIsSavedWholeIntoAUtf8FileChosenNext) {
    const std::string gbk = WrittenRecord(G("旧问题"), G("旧答案"));
    const std::string utf8 = WrittenRecord("旧问题", "旧答案");
    const std::wstring gbkPath = folder.Write(L"gbk.vendu", gbk);
    const std::wstring utf8Path = folder.Write(L"utf8.vendu", utf8);
    Start();
    OpenAdd();
    Choose(gbkPath);
    SetText(Item(add::kQuestion), L"表情\U0001F600");
    SetText(Item(add::kAnswer), L"笑");
    Save();
    ExpectMessage(kUnconvertible);
    Choose(utf8Path);
    ExpectNoMessage();
    EXPECT_EQ(Utf8(GetText(Item(add::kQuestion))), "表情\xF0\x9F\x98\x80");
    Save();
    ExpectSaved(utf8Path);
    Done();
    EXPECT_ANSI_EQ(folder.Read(L"gbk.vendu"), gbk);
    EXPECT_EQ(Hex(folder.Read(L"utf8.vendu")),
              Hex(utf8 + WrittenRecord("表情\xF0\x9F\x98\x80", "笑")));
}

TEST_F(AddDialogTest, TwoSavesToAnEmptyFileGiveExactlyTheTwoRecords) {
    const std::wstring path = folder.Write(L"empty.vendu", "");
    Start();
    OpenAdd();
    Choose(path);
    ExpectNoMessage();
    EXPECT_EQ(PathShown(), path);
    Type("Q1", "A1");
    Save();
    ExpectSaved(path);
    EXPECT_EQ(SizeOf(path), 22u);
    Type("Q2", "A2");
    Save();
    ExpectSaved(path);
    Done();
    const std::string expected("\r\n(%Q%)\r\nQ1\r\n(%A%)\r\nA1\r\n(%Q%)\r\nQ2\r\n(%A%)\r\nA2", 44);
    EXPECT_ANSI_EQ(folder.Read(L"empty.vendu"), expected);
}

TEST_F(AddDialogTest, AMissingFileKeepsTheEarlierTargetAndCancellingChangesNothing) {
    const std::wstring first = folder.Write(L"first.vendu", "old");
    const std::wstring missing = folder.PathOf(L"missing.vendu");
    Start();
    OpenAdd();
    Choose(missing);
    ExpectMessage(kFileMissing);
    EXPECT_EQ(PathShown(), L"");
    Choose(first);
    ExpectNoMessage();
    Type("q", "a");
    Choose(missing);
    ExpectMessage(kFileMissing);
    EXPECT_EQ(PathShown(), first);
    EXPECT_ANSI_EQ(Question(), "q") << "the texts are rewritten only when a file opens";
    EXPECT_FALSE(OpensExclusively(first)) << "the earlier target must stay open";

    // The file dialog: over the add dialog, one filter, no read-only check box.
    Post(Item(add::kChoose), BM_CLICK);
    const HWND files = app->WaitForFileDialog();
    EXPECT_EQ(GetWindow(files, GW_OWNER), dlg);
    EXPECT_EQ(GetText(GetDlgItem(files, kFileTypes)), L"辅助文件(*.vendu)");
    EXPECT_EQ(Send(GetDlgItem(files, kFileTypes), CB_GETCOUNT), 1);
    const HWND readOnly = GetDlgItem(files, kReadOnlyBox);
    EXPECT_TRUE(!readOnly || !IsWindowVisible(readOnly));
    VornaProcess::CancelFileDialog(files);
    ExpectNoMessage();
    EXPECT_EQ(PathShown(), first);

    Save();
    ExpectSaved(first);
    Done();
    EXPECT_ANSI_EQ(folder.Read(L"first.vendu"), "old" + WrittenRecord("q", "a"));
    EXPECT_FALSE(Exists(missing)) << "a missing file must not be created";
}

TEST_F(AddDialogTest, AFileHeldByAnotherProgramIsRefusedAndLeavesNoTarget) {
    const std::wstring first = folder.Write(L"first.vendu", "one");
    const std::wstring held = folder.Write(L"held.vendu", "two");
    Start();
    OpenAdd();
    Choose(first);
    ExpectNoMessage();
    {
        HeldFile holder(held);
        Choose(held);
        ExpectMessage(kCannotOpen);
    }
    EXPECT_EQ(PathShown(), first) << "the path box keeps what it showed";
    EXPECT_TRUE(OpensExclusively(first)) << "the earlier target must be closed";
    Type("q", "a");
    Save();
    ExpectMessage(kNoTarget);
    EXPECT_ANSI_EQ(Question(), "q");
    EXPECT_ANSI_EQ(Answer(), "a");
    Done();
    EXPECT_ANSI_EQ(folder.Read(L"first.vendu"), "one");
    EXPECT_ANSI_EQ(folder.Read(L"held.vendu"), "two");
}

// The filter lists entry files only, but any existing file typed by name is taken as it is.
TEST_F(AddDialogTest, ATypedNameOfAnotherExtensionIsAcceptedWithoutAddingOne) {
    const std::wstring text = folder.Write(L"notes.txt", "plain text\r\n");
    Start();
    OpenAdd();
    Choose(text);
    ExpectNoMessage();
    EXPECT_EQ(PathShown(), text);
    Type("q", "a");
    Save();
    ExpectSaved(text);
    Done();
    EXPECT_ANSI_EQ(folder.Read(L"notes.txt"), "plain text\r\n" + WrittenRecord("q", "a"));
    EXPECT_FALSE(Exists(folder.PathOf(L"notes.txt.vendu")));
}

TEST_F(AddDialogTest, NamesOutsideTheAnsiCodePageShowAndOpen) {
    const std::wstring path = folder.Write(L"한국어 노트.vendu", "");
    Start();
    OpenAdd();
    Choose(path);
    ExpectNoMessage();
    EXPECT_EQ(Utf8(PathShown()), Utf8(path));
    Type(G("问"), G("答"));
    Save();
    ExpectSaved(path);
    Done();
    EXPECT_ANSI_EQ(folder.Read(L"한국어 노트.vendu"), WrittenRecord(G("问"), G("答")));
}

TEST_F(AddDialogTest, ChoosingAgainReleasesTheEarlierFileAtOnce) {
    const std::wstring a = folder.Write(L"a.vendu", "A");
    const std::wstring b = folder.Write(L"b.vendu", "B");
    Start();
    OpenAdd();
    Choose(a);
    EXPECT_FALSE(OpensExclusively(a));
    Choose(b);
    ExpectNoMessage();
    EXPECT_TRUE(OpensExclusively(a)) << "the first file must be released";
    EXPECT_FALSE(OpensExclusively(b));
    Type("q", "a");
    Save();
    ExpectSaved(b);
    // The same file chosen again is re-opened and appended at its end.
    Choose(b);
    ExpectNoMessage();
    Type("q2", "a2");
    Save();
    ExpectSaved(b);
    Done();
    EXPECT_ANSI_EQ(folder.Read(L"a.vendu"), "A");
    EXPECT_ANSI_EQ(folder.Read(L"b.vendu"),
                   "B" + WrittenRecord("q", "a") + WrittenRecord("q2", "a2"));
}

TEST_F(AddDialogTest, EnterInEitherTextBoxSaves) {
    const std::wstring path = folder.Write(L"notes.vendu", "");
    Start();
    OpenAdd();
    Choose(path);
    std::string expected;
    for (int box : {add::kQuestion, add::kAnswer}) {
        SCOPED_TRACE(box == add::kQuestion ? "Enter in the question box" : "in the answer box");
        const std::string q = "q" + std::to_string(box), a = "a" + std::to_string(box);
        Type(q, a);
        ClickInto(box);
        PressKey(VK_RETURN);
        expected += WrittenRecord(q, a);
        ASSERT_TRUE(WaitUntil([&] { return SizeOf(path) == expected.size(); }))
            << "Enter did not save" << app->DescribeMessageBoxes();
        ExpectSaved(path);
    }
    Done();
    // Enter added no line break to either text.
    EXPECT_ANSI_EQ(folder.Read(L"notes.vendu"), expected);
}

TEST_F(AddDialogTest, OpeningAFileRewritesTheBoxesFromTheLastReadTexts) {
    const std::wstring path = folder.Write(L"notes.vendu", "");
    Start();
    OpenAdd();
    ClickInto(add::kQuestion);
    TypeText(L"先打的问题");
    ASSERT_TRUE(WaitUntil([&] { return Question() == G("先打的问题"); }));
    Choose(path);
    ExpectNoMessage();
    EXPECT_ANSI_EQ(Question(), "") << "text typed before the first choice is replaced";
    EXPECT_ANSI_EQ(Answer(), "");

    // A refused save reads the boxes; a later choice shows those texts again.
    Type(G("问题"), "");
    Save();
    ExpectMessage(kEmptyInput);
    Type(G("改过的问题"), G("改过的回答"));
    Choose(path);
    ExpectNoMessage();
    EXPECT_ANSI_EQ(Question(), G("问题"));
    EXPECT_ANSI_EQ(Answer(), "");
    Done();
    EXPECT_ANSI_EQ(folder.Read(L"notes.vendu"), "");
}

// How the dialog is ended, as a user would.
enum class Ending { doneButton, escKey, closeBox };

class AddDialogEnding : public AddDialogTest, public testing::WithParamInterface<Ending> {
protected:
    void End() {
        switch (GetParam()) {
        case Ending::doneButton:
            Click(add::kDone);
            break;
        case Ending::escKey:
            ClickInto(add::kAnswer);
            PressKey(VK_ESCAPE);
            break;
        case Ending::closeBox:
            BringDialogToFront();
            MouseClick(CloseBox());
            break;
        }
        WaitForDialogGone();
    }

    // A point of the caption's close box, found by asking the dialog what lies where.
    POINT CloseBox() const {
        const RECT r = WindowRect(dlg);
        const int caption = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFIXEDFRAME);
        for (int y = r.top + 1; y < r.top + caption; ++y) {
            for (int x = r.right - 2; x > r.right - 4 * caption; --x) {
                if (Send(dlg, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE)
                    return {x - 2, y + 2};
            }
        }
        throw DriverError("the add-entry dialog shows no close box");
    }
};

// Entries added are not in the main window's store until the file is loaded again; once the
// dialog has ended the file is free and Load... finds them.
TEST_P(AddDialogEnding, ReleasesTheFileAndLoadFindsTheNewEntries) {
    const std::vector<TestEntry> old = {{G("旧问题"), G("旧答案")}};
    Start(HandMadeFile(old));
    const std::wstring path = folder.Write(L"notes.vendu", "");
    app->Search("Q");
    EXPECT_TRUE(app->ResultLinesAnsi().empty());

    OpenAdd();
    Choose(path);
    Type("Q1", "A1");
    Save();
    ExpectSaved(path);
    Type("Q2", G("半截的回答"));
    End();

    EXPECT_TRUE(WaitUntil([&] { return OpensExclusively(path); })) << "the file is still held";
    EXPECT_TRUE(IsWindowEnabled(app->Main()));
    EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(1));
    app->Search("Q");
    EXPECT_TRUE(app->ResultLinesAnsi().empty()) << "the store changed before a load";
    app->Search(G("旧"));
    EXPECT_LINES_EQ(app->ResultLinesAnsi(), std::vector<std::string>{Label(old[0])});

    app->Load(path);
    EXPECT_FALSE(app->FindMessageBox().has_value()) << app->DescribeMessageBoxes();
    EXPECT_UTF8_EQ(app->CountCaption(), CountSummary(1));
    app->Search("Q");
    EXPECT_LINES_EQ(app->ResultLinesAnsi(),
                    std::vector<std::string>{Label({"\r\nQ1\r\n", "\r\nA1"})});
    EXPECT_ANSI_EQ(folder.Read(L"notes.vendu"), WrittenRecord("Q1", "A1"));

    // Each opening starts afresh: no path, text or file from the last one.
    OpenAdd();
    EXPECT_EQ(PathShown(), L"");
    EXPECT_ANSI_EQ(Question(), "");
    EXPECT_ANSI_EQ(Answer(), "");
    Type("q", "a");
    Save();
    ExpectMessage(kNoTarget);
}

INSTANTIATE_TEST_SUITE_P(, AddDialogEnding,
                         testing::Values(Ending::doneButton, Ending::escKey, Ending::closeBox),
                         [](const testing::TestParamInfo<Ending>& info) {
                             switch (info.param) {
                             case Ending::doneButton:
                                 return "DoneButton";
                             case Ending::escKey:
                                 return "EscKey";
                             case Ending::closeBox:
                                 return "CloseBox";
                             }
                             return "Unknown";
                         });

// ---- A full disk

// The small file system the test script mounted (a 64 KB tmpfs), as a Windows path; empty
// when there is none.
std::wstring SmallDisk() {
    wchar_t unixPath[1024];
    const DWORD n = GetEnvironmentVariableW(L"VORNA_SMALL_DISK", unixPath, 1024);
    if (n == 0 || n >= 1024)
        return L"";
    std::wstring path = L"Z:" + std::wstring(unixPath, n);
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    if (!Exists(path + L"\\.small-disk"))
        return L"";
    return path;
}

// Writes until the file system refuses; returns the bytes written.
std::uint64_t FillUp(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw DriverError("cannot create " + Utf8(path));
    const std::string block(4096, 'f');
    std::uint64_t total = 0;
    for (;;) {
        DWORD put = 0;
        const BOOL ok =
            WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &put, nullptr);
        total += put;
        if (!ok || put == 0)
            break;
    }
    CloseHandle(file);
    return total;
}

bool RoomForOneMoreByte(const std::wstring& folder) {
    const std::wstring probe = folder + L"\\probe";
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    const BOOL ok = WriteFile(file, "x", 1, &put, nullptr);
    CloseHandle(file);
    DeleteFileW(probe.c_str());
    return ok && put == 1;
}

// Size and last bytes, for failure messages about a file of some kilobytes.
std::string Describe(const std::string& bytes) {
    const std::size_t tail = bytes.size() < 40 ? bytes.size() : 40;
    return std::to_string(bytes.size()) + " bytes ending in " +
           Hex(bytes.substr(bytes.size() - tail));
}

void WriteWhole(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD put = 0;
    const BOOL ok = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (!ok || put != bytes.size())
        throw DriverError("cannot write " + Utf8(path));
}

// A save that runs out of room part way (the first bytes of the record still fit in the
// file's last block) is undone: the file keeps its bytes, the user is told, the texts stay,
// and the same target takes the entry once there is room.
TEST_F(AddDialogTest, AFullDiskLeavesTheFileAsItWasAndTheTextsInTheirBoxes) {
    const std::wstring disk = SmallDisk();
    if (disk.empty())
        GTEST_SKIP() << "no small file system mounted (tests/e2e/small-disk.sh needs root)";
    const std::wstring path = disk + L"\\notes.vendu";
    const std::wstring filler = disk + L"\\filler";
    // 6 bytes short of a 4 KB block: the record's first bytes fit, the rest needs a new block.
    std::string old = WrittenRecord(G("旧问题"), G("旧答案"));
    old.resize(4090, '.');
    WriteWhole(path, old);
    const std::string question = G("满盘时的问题"), answer = G("满盘时的回答");

    Start();
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        OpenAdd();
        Choose(path);
        ExpectNoMessage();
        ASSERT_GT(FillUp(filler), 0u);
        ASSERT_FALSE(RoomForOneMoreByte(disk)) << "the small disk is not full";
        Type(question, answer);
        Save();
        ExpectMessage(kSaveFailed);
        EXPECT_ANSI_EQ(Question(), question);
        EXPECT_ANSI_EQ(Answer(), answer);
        EXPECT_EQ(PathShown(), path);
        EXPECT_EQ(SizeOf(path), old.size());
        if (attempt == 1) {
            // The file's bytes can be read once the dialog has let it go.
            Done();
            const std::string now = ReadFileBytes(path);
            EXPECT_TRUE(now == old) << Describe(now) << " instead of " << Describe(old);
            ASSERT_TRUE(DeleteFileW(filler.c_str()));
        }
    }
    // Room again: the same open target takes the entry on the next press.
    ASSERT_TRUE(DeleteFileW(filler.c_str()));
    Save();
    ExpectSaved(path);
    Done();
    const std::string now = ReadFileBytes(path), expected = old + WrittenRecord(question, answer);
    EXPECT_TRUE(now == expected) << Describe(now) << " instead of " << Describe(expected);
}

} // namespace
} // namespace vorna::e2e
