#pragma once
// Drives the real Vorna.exe from a test program the way a user would: starts it in a folder
// of its own, finds its windows and controls, reads what is on the screen and sends real
// keyboard and mouse input. Every wait polls with a timeout; nothing sleeps a fixed time.
// Failures that leave a test unable to go on throw DriverError with a readable description.
#include <windows.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vorna::e2e {

// Control ids of the main window.
namespace ctl {
inline constexpr int kSearchBox = 1000;
inline constexpr int kSearch = 1001;
inline constexpr int kResults = 1002;
inline constexpr int kQuestion = 1003;
inline constexpr int kAnswer = 1004;
inline constexpr int kAdd = 1005;
inline constexpr int kLoad = 1006;
inline constexpr int kHotKey = 1012;
inline constexpr int kSlider = 1013;
inline constexpr int kCountGroup = 1014;
inline constexpr int kMatchGroup = 1015;
inline constexpr int kHide = 1016;
inline constexpr int kAbout = 1017;
// A message box's text and its OK button.
inline constexpr int kBoxText = 65535;
inline constexpr int kBoxOk = 1;
// The file-open dialog's name field (a combo box) and the older plain edit field.
inline constexpr int kFileName = 1148;
inline constexpr int kFileNameEdit = 1152;
} // namespace ctl

inline constexpr DWORD kTimeoutMs = 10000;
// Start-up includes a Wine process start and, for big files, the load.
inline constexpr DWORD kStartTimeoutMs = 30000;

struct DriverError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// ---- Text. The program's fixed texts are Unicode; entry data are ANSI bytes (code page 936
// on the systems it is made for). Tests write UTF-8 and compare either form.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view text);
// UTF-8 to bytes of the ANSI code page, and back.
std::string Ansi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
// The whole file's bytes; throws when it cannot be opened.
std::string ReadFileBytes(const std::wstring& path);
std::wstring AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::wstring_view text);
// Hex dump for failure messages about raw bytes.
std::string Hex(std::string_view bytes);

// ---- Waiting. Polls cond until it holds or the time is up; returns whether it held.
bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs = kTimeoutMs, DWORD pollMs = 2);
// Milliseconds since an arbitrary start, with sub-millisecond resolution.
double NowMs();

// ---- A fresh folder under the temporary directory, removed with its content at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring PathOf(std::wstring_view name) const;
    // Writes the bytes unchanged; returns the full path.
    std::wstring Write(std::wstring_view name, std::string_view bytes) const;
    std::string Read(std::wstring_view name) const;

private:
    std::wstring m_path;
};

// Holds a file open without sharing, so that no other opener gets it.
class HeldFile {
public:
    explicit HeldFile(const std::wstring& path);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

private:
    HANDLE m_handle;
};

// ---- Any window, also of another process. Messages are sent with a timeout so that a hung
// program fails the test instead of hanging the run.
std::wstring GetText(HWND window);
std::string GetTextUtf8(HWND window);
// The text as ANSI bytes, the form in which the program holds entry data.
std::string GetTextAnsi(HWND window);
void SetText(HWND window, std::wstring_view text);
void SetTextAnsi(HWND window, std::string_view bytes);
std::wstring ClassName(HWND window);
LONG_PTR Style(HWND window);
LONG_PTR ExStyle(HWND window);
bool IsTopmost(HWND window);
// The constant alpha of a layered window; nullopt when it is not layered or uses no alpha.
std::optional<BYTE> LayeredAlpha(HWND window);
RECT WindowRect(HWND window);
POINT Centre(HWND window);
// Sends msg and waits for the answer; throws when the window does not answer in time.
LRESULT Send(HWND window, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0,
             DWORD timeoutMs = kTimeoutMs);
void Post(HWND window, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

// List box.
int ListCount(HWND list);
int ListSelection(HWND list);
std::string ListLineAnsi(HWND list, int line);
std::vector<std::string> ListLinesAnsi(HWND list);
// The lines as UTF-8, every character as the list shows it.
std::vector<std::string> ListLinesUtf8(HWND list);
// Screen point near the left end of a line, for a click on it.
POINT ListLinePoint(HWND list, int line);

// Track bar.
struct SliderState {
    int min;
    int max;
    int pos;
};
SliderState Slider(HWND slider);

// ---- Real input through the system's input queue. It goes to the foreground window, so
// bring the target to the front first.
void MouseMove(POINT screen);
void MouseButton(bool down);
void MouseClick(POINT screen);
// Drags with the left button from `from` to `to`: a first step of one pixel, then `steps`
// even steps. When `follows` is given, each step waits, as a hand waits for what it drags,
// until follows(dx, dy) holds for the distance moved so far; returns false when it did not.
// Without that pacing Wine's window move loop loses mouse moves that arrive in a burst, and
// it never applies the first move after the press (hence the one-pixel first step).
bool MouseDrag(POINT from, POINT to, int steps = 10,
               const std::function<bool(LONG dx, LONG dy)>& follows = nullptr);
void KeyDown(WORD vk);
void KeyUp(WORD vk);
void PressKey(WORD vk);
// Holds modifier while pressing vk (for example Ctrl + a keypad key).
void PressChord(WORD modifier, WORD vk);
// Types the text as Unicode characters, independent of the keyboard layout.
void TypeText(std::wstring_view text);

// ---- Clipboard.
// Puts the bytes as CF_TEXT (a terminating zero is added).
void PutClipboardText(std::string_view ansiBytes);
// Puts the text as CF_UNICODETEXT only, as programs do that write Unicode.
void PutClipboardUnicode(std::wstring_view text);
// Puts a small bitmap and no text.
void PutClipboardBitmap(int width = 16, int height = 16);
void EmptyClipboardNow();

// A visible window of the test's own. Global hotkeys are delivered only for input that the
// system sees, so hotkey tests press their keys while this window is in the foreground.
class OwnWindow {
public:
    OwnWindow();
    ~OwnWindow();
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;

    HWND Handle() const { return m_window; }
    // Brings it to the foreground; throws when that does not happen in time.
    void BringToFront();
    // Foreground, then Ctrl down, vk down, vk up, Ctrl up.
    void PressHotkey(WORD modifier, WORD vk);

private:
    HWND m_window;
};

// ---- The notification area: the tips the shell shows for its icons, read out of the shell's
// tooltip windows (in another process, through memory lent in it). Empty where the shell
// keeps no such windows.
std::vector<std::wstring> NotifyIconTips();

// ---- The program under test.

// Vorna.exe: the VORNA_EXE environment variable, else beside the test program, else the
// build's own output.
std::wstring VornaExePath();

// Kills every process that a VornaProcess started and that still runs. Test teardown calls
// it so that one failing test cannot leave a window behind for the next.
void KillAllStarted();

// Where a program started in folder keeps its application data (APPDATA), so that no test
// reads or writes the user's own settings: a folder in it with a Chinese name.
std::wstring AppDataFolder(const std::wstring& folder);

// One running Vorna.exe with its own current directory. Destruction ends it if it still runs.
class VornaProcess {
public:
    // Starts the program with folder as its current directory and AppDataFolder(folder) as
    // its APPDATA and, when given, the arguments after its name on the command line (written
    // as they are, quotes and all). It does not wait for the window: call WaitForMainWindow.
    explicit VornaProcess(const std::wstring& folder, std::wstring_view arguments = {});
    ~VornaProcess();
    VornaProcess(const VornaProcess&) = delete;
    VornaProcess& operator=(const VornaProcess&) = delete;

    DWORD Pid() const { return m_info.dwProcessId; }
    HANDLE Handle() const { return m_info.hProcess; }
    double StartedAtMs() const { return m_startedAtMs; }
    bool HasExited() const;
    bool WaitForExit(DWORD timeoutMs = kTimeoutMs) const;
    void Kill();

    // The main window: a visible top-level dialog of this process that holds the search box.
    // Throws, naming any message box that is up, when it does not appear in time.
    HWND WaitForMainWindow(DWORD timeoutMs = kStartTimeoutMs);
    HWND Main() const;
    HWND Control(int id) const;
    DWORD GuiThread() const;

    // Top-level dialogs (#32770) of this process, visible or not.
    std::vector<HWND> Dialogs() const;
    // A visible dialog of this process, other than the main window, with this caption.
    std::optional<HWND> FindDialog(std::wstring_view caption) const;
    HWND WaitForDialog(std::wstring_view caption, DWORD timeoutMs = kTimeoutMs) const;
    // A message box: a dialog of this process captioned "Vorna".
    std::optional<HWND> FindMessageBox() const;
    HWND WaitForMessageBox(DWORD timeoutMs = kTimeoutMs) const;
    static std::wstring MessageBoxText(HWND box);
    // Whether the box shows an icon.
    static bool MessageBoxHasIcon(HWND box);
    // Presses OK and waits until the box is gone.
    static void DismissMessageBox(HWND box);
    // Captions and texts of every visible dialog besides the main window (message boxes
    // among them), for failure messages; empty when there is none.
    std::string DescribeMessageBoxes() const;

    // The file-open dialog: a dialog of this process with a file name field.
    std::optional<HWND> FindFileDialog() const;
    HWND WaitForFileDialog(DWORD timeoutMs = kTimeoutMs) const;
    // Types the path into the name field, presses OK and waits until the dialog is gone.
    static void AnswerFileDialog(HWND dialog, std::wstring_view path);
    static void CancelFileDialog(HWND dialog);

    // Returns once the program's GUI thread takes messages again, that is when the handler
    // it was running has ended or a modal loop has started.
    void Sync() const;

    // Focus, active window and mouse capture of the program's GUI thread.
    GUITHREADINFO ThreadInfo() const;
    HWND Focus() const { return ThreadInfo().hwndFocus; }
    // Waits until the program holds no mouse capture and runs no window move, so the
    // effects of a finished drag or click are all in. Call it before clicking elsewhere
    // after a click on a list: the system routes a press to the window that holds the
    // capture when the press arrives.
    void WaitForMouseReleased() const;
    // Makes the main window the foreground window; throws when it does not happen in time.
    void BringToFront() const;

    // ---- A user's actions on the main window.
    // Types the keyword into the search box as the program would read it (ANSI bytes) and
    // presses Search; returns after the search has ended and the list holds every match.
    void Search(std::string_view ansiKeyword) const;
    // Returns once the result list holds as many lines as the match caption counts.
    void WaitForWholeList() const;
    // Presses Load..., answers the file dialog with path and returns once the load ended.
    void Load(std::wstring_view path) const;
    // Presses Load... and returns the file dialog.
    HWND OpenLoadDialog() const;

    // What the main window shows.
    std::string CountCaption() const; // UTF-8 text of group 1014
    std::string MatchCaption() const; // UTF-8 text of group 1015
    std::string QuestionAnsi() const; // bytes of box 1003
    std::string AnswerAnsi() const;   // bytes of box 1004
    std::string KeywordAnsi() const;  // bytes of box 1000
    std::vector<std::string> ResultLinesAnsi() const;
    int ResultSelection() const;

private:
    PROCESS_INFORMATION m_info{};
    double m_startedAtMs = 0;
    HWND m_main = nullptr;
};

} // namespace vorna::e2e
