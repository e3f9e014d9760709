#include "Driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <mutex>
#include <set>

namespace vorna::e2e {

namespace {

std::string Describe(HWND window) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "window %p", static_cast<void*>(window));
    return buffer;
}

std::string LastErrorText(const char* what) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%s failed (error %lu)", what, GetLastError());
    return buffer;
}

std::wstring Convert(UINT codePage, std::string_view bytes) {
    if (bytes.empty())
        return {};
    const int n =
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

std::string Convert(UINT codePage, std::wstring_view text) {
    if (text.empty())
        return {};
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

void SendInputs(std::vector<INPUT>& inputs) {
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size())
        throw DriverError(LastErrorText("SendInput"));
}

INPUT KeyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    switch (vk) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_INSERT:
    case VK_DELETE:
        in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        break;
    default:
        break;
    }
    if (up)
        in.ki.dwFlags |= KEYEVENTF_KEYUP;
    return in;
}

// Processes what the system queued for the test's own windows.
void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::mutex g_startedLock;
std::set<VornaProcess*> g_started;

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return RemoveDirectoryW(path.c_str()) != 0;
}

} // namespace

// ---- Text

std::wstring Wide(std::string_view utf8) {
    return Convert(CP_UTF8, utf8);
}
std::string Utf8(std::wstring_view text) {
    return Convert(CP_UTF8, text);
}
std::string Ansi(std::string_view utf8) {
    return Convert(CP_ACP, Wide(utf8));
}
std::string AnsiToUtf8(std::string_view ansi) {
    return Utf8(Convert(CP_ACP, ansi));
}
std::wstring AnsiToWide(std::string_view ansi) {
    return Convert(CP_ACP, ansi);
}
std::string WideToAnsi(std::wstring_view text) {
    return Convert(CP_ACP, text);
}

std::string Hex(std::string_view bytes) {
    std::string out;
    char buffer[4];
    for (unsigned char byte : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", byte);
        out += buffer;
    }
    if (!out.empty())
        out.pop_back();
    return out;
}

// ---- Waiting

double NowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMs;
}

bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs, DWORD pollMs) {
    const double end = NowMs() + timeoutMs;
    for (;;) {
        if (cond())
            return true;
        if (NowMs() >= end)
            return cond();
        Sleep(pollMs);
    }
}

// ---- TempFolder

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, base);
    if (n == 0 || n > MAX_PATH)
        throw DriverError(LastErrorText("GetTempPathW"));
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t name[64];
        std::swprintf(name, 64, L"vorna-e2e-%lu-%u-%lu", GetCurrentProcessId(), ++counter,
                      GetTickCount());
        std::wstring path = std::wstring(base) + name;
        if (CreateDirectoryW(path.c_str(), nullptr)) {
            m_path = std::move(path);
            return;
        }
    }
    throw DriverError(LastErrorText("CreateDirectoryW"));
}

TempFolder::~TempFolder() {
    // A program that just ended may hold the folder for a moment longer.
    WaitUntil([this] { return RemoveTree(m_path) || !IsDirectory(m_path); }, 3000, 20);
}

std::wstring TempFolder::PathOf(std::wstring_view name) const {
    return m_path + L"\\" + std::wstring(name);
}

std::wstring TempFolder::Write(std::wstring_view name, std::string_view bytes) const {
    const std::wstring path = PathOf(name);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw DriverError(LastErrorText("CreateFileW for writing") + " on " + Utf8(path));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            CloseHandle(file);
            throw DriverError(LastErrorText("WriteFile") + " on " + Utf8(path));
        }
        done += written;
    }
    CloseHandle(file);
    return path;
}

std::string TempFolder::Read(std::wstring_view name) const {
    return ReadFileBytes(PathOf(name));
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw DriverError(LastErrorText("CreateFileW for reading") + " on " + Utf8(path));
    std::string out;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        out.append(buffer, got);
    CloseHandle(file);
    return out;
}

// ---- HeldFile

HeldFile::HeldFile(const std::wstring& path)
    : m_handle(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (m_handle == INVALID_HANDLE_VALUE)
        throw DriverError(LastErrorText("CreateFileW without sharing") + " on " + Utf8(path));
}

HeldFile::~HeldFile() {
    CloseHandle(m_handle);
}

// ---- Windows

LRESULT Send(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_NORMAL, timeoutMs, &result)) {
        char buffer[120];
        std::snprintf(buffer, sizeof buffer, "message 0x%04X to %s got no answer in %lu ms", msg,
                      Describe(window).c_str(), timeoutMs);
        throw DriverError(buffer);
    }
    return static_cast<LRESULT>(result);
}

void Post(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!PostMessageW(window, msg, wParam, lParam))
        throw DriverError(LastErrorText("PostMessageW") + " to " + Describe(window));
}

std::wstring GetText(HWND window) {
    const auto length = static_cast<std::size_t>(Send(window, WM_GETTEXTLENGTH));
    std::wstring text(length + 1, L'\0');
    const auto got = static_cast<std::size_t>(
        Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(got, length));
    return text;
}

std::string GetTextUtf8(HWND window) {
    return Utf8(GetText(window));
}
std::string GetTextAnsi(HWND window) {
    return WideToAnsi(GetText(window));
}

void SetText(HWND window, std::wstring_view text) {
    const std::wstring copy(text);
    if (!Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str())))
        throw DriverError("WM_SETTEXT refused by " + Describe(window));
}

void SetTextAnsi(HWND window, std::string_view bytes) {
    SetText(window, AnsiToWide(bytes));
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

LONG_PTR Style(HWND window) {
    return GetWindowLongPtrW(window, GWL_STYLE);
}
LONG_PTR ExStyle(HWND window) {
    return GetWindowLongPtrW(window, GWL_EXSTYLE);
}
bool IsTopmost(HWND window) {
    return (ExStyle(window) & WS_EX_TOPMOST) != 0;
}

std::optional<BYTE> LayeredAlpha(HWND window) {
    if (!(ExStyle(window) & WS_EX_LAYERED))
        return std::nullopt;
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(window, &key, &alpha, &flags) || !(flags & LWA_ALPHA))
        return std::nullopt;
    return alpha;
}

RECT WindowRect(HWND window) {
    RECT rect{};
    if (!GetWindowRect(window, &rect))
        throw DriverError(LastErrorText("GetWindowRect") + " of " + Describe(window));
    return rect;
}

POINT Centre(HWND window) {
    const RECT r = WindowRect(window);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

int ListCount(HWND list) {
    return static_cast<int>(Send(list, LB_GETCOUNT));
}
int ListSelection(HWND list) {
    return static_cast<int>(Send(list, LB_GETCURSEL));
}

namespace {

std::wstring ListLine(HWND list, int line) {
    const LRESULT length = Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(line));
    if (length == LB_ERR)
        throw DriverError("the list has no line " + std::to_string(line));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got =
        Send(list, LB_GETTEXT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(text.data()));
    if (got == LB_ERR)
        throw DriverError("the list has no line " + std::to_string(line));
    text.resize(static_cast<std::size_t>(std::min(got, length)));
    return text;
}

} // namespace

std::string ListLineAnsi(HWND list, int line) {
    return WideToAnsi(ListLine(list, line));
}

std::vector<std::string> ListLinesUtf8(HWND list) {
    std::vector<std::string> lines;
    for (int i = 0, count = ListCount(list); i < count; ++i)
        lines.push_back(Utf8(ListLine(list, i)));
    return lines;
}

std::vector<std::string> ListLinesAnsi(HWND list) {
    std::vector<std::string> lines;
    const int count = ListCount(list);
    for (int i = 0; i < count; ++i)
        lines.push_back(ListLineAnsi(list, i));
    return lines;
}

POINT ListLinePoint(HWND list, int line) {
    const auto height = static_cast<LONG>(Send(list, LB_GETITEMHEIGHT, 0));
    const auto top = static_cast<LONG>(Send(list, LB_GETTOPINDEX));
    POINT point{20, (line - top) * height + height / 2};
    ClientToScreen(list, &point);
    return point;
}

SliderState Slider(HWND slider) {
    return {static_cast<int>(Send(slider, TBM_GETRANGEMIN)),
            static_cast<int>(Send(slider, TBM_GETRANGEMAX)),
            static_cast<int>(Send(slider, TBM_GETPOS))};
}

// ---- Input

void MouseMove(POINT screen) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    std::vector<INPUT> in(1);
    in[0].type = INPUT_MOUSE;
    // The system maps a normalised coordinate c to c * size / 65536; round up so that the
    // mapping lands exactly on the wanted pixel.
    in[0].mi.dx = static_cast<LONG>((static_cast<LONGLONG>(screen.x) * 65536 + width - 1) / width);
    in[0].mi.dy =
        static_cast<LONG>((static_cast<LONGLONG>(screen.y) * 65536 + height - 1) / height);
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInputs(in);
    const bool arrived = WaitUntil(
        [&] {
            POINT now{};
            GetCursorPos(&now);
            return now.x == screen.x && now.y == screen.y;
        },
        2000);
    if (!arrived)
        throw DriverError("the mouse did not reach " + std::to_string(screen.x) + "," +
                          std::to_string(screen.y));
}

void MouseButton(bool down) {
    std::vector<INPUT> in(1);
    in[0].type = INPUT_MOUSE;
    in[0].mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInputs(in);
}

void MouseClick(POINT screen) {
    MouseMove(screen);
    MouseButton(true);
    MouseButton(false);
}

bool MouseDrag(POINT from, POINT to, int steps,
               const std::function<bool(LONG dx, LONG dy)>& follows) {
    const auto sign = [](LONG v) -> LONG { return v > 0 ? 1 : v < 0 ? -1 : 0; };
    const POINT first{from.x + sign(to.x - from.x), from.y + sign(to.y - from.y)};
    std::vector<POINT> path{first};
    for (int i = 1; i <= steps; ++i)
        path.push_back(
            {first.x + (to.x - first.x) * i / steps, first.y + (to.y - first.y) * i / steps});
    MouseMove(from);
    MouseButton(true);
    bool followed = true;
    for (const POINT point : path) {
        MouseMove(point);
        if (follows && !WaitUntil([&] { return follows(point.x - from.x, point.y - from.y); })) {
            followed = false;
            break;
        }
    }
    MouseButton(false);
    return followed;
}

void KeyDown(WORD vk) {
    std::vector<INPUT> in{KeyInput(vk, false)};
    SendInputs(in);
}

void KeyUp(WORD vk) {
    std::vector<INPUT> in{KeyInput(vk, true)};
    SendInputs(in);
}

void PressKey(WORD vk) {
    std::vector<INPUT> in{KeyInput(vk, false), KeyInput(vk, true)};
    SendInputs(in);
}

void PressChord(WORD modifier, WORD vk) {
    std::vector<INPUT> in{KeyInput(modifier, false), KeyInput(vk, false), KeyInput(vk, true),
                          KeyInput(modifier, true)};
    SendInputs(in);
}

void TypeText(std::wstring_view text) {
    std::vector<INPUT> in;
    for (wchar_t ch : text) {
        for (bool up : {false, true}) {
            INPUT key{};
            key.type = INPUT_KEYBOARD;
            key.ki.wScan = static_cast<WORD>(ch);
            key.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
            in.push_back(key);
        }
    }
    if (!in.empty())
        SendInputs(in);
}

// ---- Clipboard

namespace {

// The clipboard's owner must be a window, or putting data after emptying it fails.
HWND ClipboardOwner() {
    static HWND owner = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VornaE2eClipboardOwner";
        RegisterClassW(&wc);
        return CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               wc.hInstance, nullptr);
    }();
    return owner;
}

class OpenedClipboard {
public:
    OpenedClipboard() {
        // The program under test opens it too, briefly, at every change.
        if (!WaitUntil([] { return OpenClipboard(ClipboardOwner()) != 0; }, kTimeoutMs))
            throw DriverError(LastErrorText("OpenClipboard"));
        if (!EmptyClipboard()) {
            CloseClipboard();
            throw DriverError(LastErrorText("EmptyClipboard"));
        }
    }
    ~OpenedClipboard() { CloseClipboard(); }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
};

} // namespace

void PutClipboardUnicode(std::wstring_view text) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (!memory)
        throw DriverError(LastErrorText("GlobalAlloc"));
    auto* units = static_cast<wchar_t*>(GlobalLock(memory));
    std::copy(text.begin(), text.end(), units);
    units[text.size()] = L'\0';
    GlobalUnlock(memory);
    OpenedClipboard open;
    if (!SetClipboardData(CF_UNICODETEXT, memory)) {
        GlobalFree(memory);
        throw DriverError(LastErrorText("SetClipboardData(CF_UNICODETEXT)"));
    }
}

void PutClipboardText(std::string_view ansiBytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, ansiBytes.size() + 1);
    if (!memory)
        throw DriverError(LastErrorText("GlobalAlloc"));
    auto* bytes = static_cast<char*>(GlobalLock(memory));
    std::copy(ansiBytes.begin(), ansiBytes.end(), bytes);
    bytes[ansiBytes.size()] = '\0';
    GlobalUnlock(memory);
    OpenedClipboard open;
    if (!SetClipboardData(CF_TEXT, memory)) {
        GlobalFree(memory);
        throw DriverError(LastErrorText("SetClipboardData(CF_TEXT)"));
    }
}

void PutClipboardBitmap(int width, int height) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    if (!bitmap)
        throw DriverError(LastErrorText("CreateCompatibleBitmap"));
    OpenedClipboard open;
    if (!SetClipboardData(CF_BITMAP, bitmap)) {
        DeleteObject(bitmap);
        throw DriverError(LastErrorText("SetClipboardData(CF_BITMAP)"));
    }
}

void EmptyClipboardNow() {
    OpenedClipboard open;
}

// ---- OwnWindow

OwnWindow::OwnWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"VornaE2eOwnWindow";
    RegisterClassW(&wc);
    m_window = CreateWindowExW(0, wc.lpszClassName, L"e2e", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               200, 100, nullptr, nullptr, wc.hInstance, nullptr);
    if (!m_window)
        throw DriverError(LastErrorText("CreateWindowExW"));
    Pump();
}

OwnWindow::~OwnWindow() {
    DestroyWindow(m_window);
    Pump();
}

void OwnWindow::BringToFront() {
    const bool front = WaitUntil(
        [this] {
            Pump();
            if (GetForegroundWindow() == m_window)
                return true;
            SetForegroundWindow(m_window);
            return false;
        },
        kTimeoutMs, 10);
    if (!front)
        throw DriverError("the test's own window did not come to the foreground");
}

void OwnWindow::PressHotkey(WORD modifier, WORD vk) {
    BringToFront();
    PressChord(modifier, vk);
    Pump();
}

// ---- The program

std::wstring VornaExePath() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = GetEnvironmentVariableW(L"VORNA_EXE", buffer, MAX_PATH * 4);
    if (n > 0 && n < MAX_PATH * 4)
        return buffer;
    const DWORD m = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
    if (m > 0 && m < MAX_PATH * 4) {
        std::wstring beside(buffer, m);
        beside = beside.substr(0, beside.find_last_of(L"\\/") + 1) + L"Vorna.exe";
        if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES)
            return beside;
    }
#ifdef VORNA_EXE_BUILT
    return VORNA_EXE_BUILT;
#else
    throw DriverError("Vorna.exe not found: set VORNA_EXE");
#endif
}

void KillAllStarted() {
    std::lock_guard<std::mutex> lock(g_startedLock);
    for (VornaProcess* process : g_started)
        process->Kill();
}

std::wstring AppDataFolder(const std::wstring& folder) {
    return folder + L"\\应用数据";
}

namespace {

// The test's own environment with APPDATA in place of the user's.
std::vector<wchar_t> EnvironmentWithAppData(const std::wstring& appData) {
    std::vector<wchar_t> block;
    if (wchar_t* own = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = own; *entry; entry += wcslen(entry) + 1) {
            if (_wcsnicmp(entry, L"APPDATA=", 8) != 0)
                block.insert(block.end(), entry, entry + wcslen(entry) + 1);
        }
        FreeEnvironmentStringsW(own);
    }
    const std::wstring mine = L"APPDATA=" + appData;
    block.insert(block.end(), mine.c_str(), mine.c_str() + mine.size() + 1);
    block.push_back(L'\0');
    return block;
}

} // namespace

VornaProcess::VornaProcess(const std::wstring& folder, std::wstring_view arguments) {
    const std::wstring exe = VornaExePath();
    const std::wstring appData = AppDataFolder(folder);
    CreateDirectoryW(appData.c_str(), nullptr);
    std::vector<wchar_t> environment = EnvironmentWithAppData(appData);
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + std::wstring(arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // Wine now and then refuses a start with an internal error while another process ends;
    // the next attempt starts.
    bool started = false;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        m_startedAtMs = NowMs();
        started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                 CREATE_UNICODE_ENVIRONMENT, environment.data(), folder.c_str(),
                                 &startup, &m_info) != FALSE;
        if (!started && GetLastError() != ERROR_INTERNAL_ERROR)
            break;
    }
    if (!started)
        throw DriverError(LastErrorText("CreateProcessW") + " for " + Utf8(exe));
    std::lock_guard<std::mutex> lock(g_startedLock);
    g_started.insert(this);
}

VornaProcess::~VornaProcess() {
    {
        std::lock_guard<std::mutex> lock(g_startedLock);
        g_started.erase(this);
    }
    Kill();
    CloseHandle(m_info.hThread);
    CloseHandle(m_info.hProcess);
}

bool VornaProcess::HasExited() const {
    return WaitForSingleObject(m_info.hProcess, 0) == 0;
}

bool VornaProcess::WaitForExit(DWORD timeoutMs) const {
    return WaitForSingleObject(m_info.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

void VornaProcess::Kill() {
    if (HasExited())
        return;
    TerminateProcess(m_info.hProcess, 99);
    // Its hotkeys and clipboard-chain place go only when it is really gone.
    WaitForSingleObject(m_info.hProcess, kTimeoutMs);
}

std::vector<HWND> VornaProcess::Dialogs() const {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{Pid(), {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == s->pid && ClassName(window) == L"#32770")
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND VornaProcess::WaitForMainWindow(DWORD timeoutMs) {
    const bool shown = WaitUntil(
        [this] {
            for (HWND dialog : Dialogs()) {
                if (IsWindowVisible(dialog) && GetDlgItem(dialog, ctl::kSearchBox)) {
                    m_main = dialog;
                    return true;
                }
            }
            return false;
        },
        timeoutMs, 1);
    if (!shown) {
        std::string why = "the main window was not shown in " + std::to_string(timeoutMs) + " ms";
        if (HasExited())
            why += "; the program has ended";
        throw DriverError(why + DescribeMessageBoxes());
    }
    return m_main;
}

HWND VornaProcess::Main() const {
    if (!m_main)
        throw DriverError("no main window yet: call WaitForMainWindow");
    return m_main;
}

HWND VornaProcess::Control(int id) const {
    HWND control = GetDlgItem(Main(), id);
    if (!control)
        throw DriverError("the main window has no control " + std::to_string(id));
    return control;
}

DWORD VornaProcess::GuiThread() const {
    return GetWindowThreadProcessId(Main(), nullptr);
}

std::optional<HWND> VornaProcess::FindDialog(std::wstring_view caption) const {
    for (HWND dialog : Dialogs()) {
        if (dialog != m_main && IsWindowVisible(dialog) && GetText(dialog) == caption)
            return dialog;
    }
    return std::nullopt;
}

HWND VornaProcess::WaitForDialog(std::wstring_view caption, DWORD timeoutMs) const {
    std::optional<HWND> dialog;
    if (!WaitUntil([&] { return (dialog = FindDialog(caption)).has_value(); }, timeoutMs))
        throw DriverError("no dialog captioned \"" + Utf8(caption) + "\" appeared" +
                          DescribeMessageBoxes());
    return *dialog;
}

std::optional<HWND> VornaProcess::FindMessageBox() const {
    return FindDialog(L"Vorna");
}

HWND VornaProcess::WaitForMessageBox(DWORD timeoutMs) const {
    return WaitForDialog(L"Vorna", timeoutMs);
}

std::wstring VornaProcess::MessageBoxText(HWND box) {
    HWND text = GetDlgItem(box, ctl::kBoxText);
    if (!text)
        throw DriverError("the message box has no text control");
    return GetText(text);
}

bool VornaProcess::MessageBoxHasIcon(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        // The icon's place is there in every box; only a box with an icon has one in it.
        if (ClassName(child) == L"Static" && (Style(child) & SS_TYPEMASK) == SS_ICON &&
            IsWindowVisible(child) && Send(child, STM_GETICON) != 0)
            return true;
    }
    return false;
}

void VornaProcess::DismissMessageBox(HWND box) {
    Post(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
         reinterpret_cast<LPARAM>(GetDlgItem(box, ctl::kBoxOk)));
    if (!WaitUntil([box] { return !IsWindow(box); }))
        throw DriverError("the message box did not close on OK");
}

std::string VornaProcess::DescribeMessageBoxes() const {
    std::string out;
    for (HWND dialog : Dialogs()) {
        if (dialog == m_main || !IsWindowVisible(dialog))
            continue;
        out += "; dialog \"" + Utf8(GetText(dialog)) + "\"";
        if (HWND text = GetDlgItem(dialog, ctl::kBoxText))
            out += " saying \"" + Utf8(GetText(text)) + "\"";
    }
    return out;
}

std::optional<HWND> VornaProcess::FindFileDialog() const {
    for (HWND dialog : Dialogs()) {
        if (dialog != m_main && IsWindowVisible(dialog) &&
            (GetDlgItem(dialog, ctl::kFileName) || GetDlgItem(dialog, ctl::kFileNameEdit)))
            return dialog;
    }
    return std::nullopt;
}

HWND VornaProcess::WaitForFileDialog(DWORD timeoutMs) const {
    std::optional<HWND> dialog;
    if (!WaitUntil([&] { return (dialog = FindFileDialog()).has_value(); }, timeoutMs))
        throw DriverError("no file dialog appeared" + DescribeMessageBoxes());
    return *dialog;
}

void VornaProcess::AnswerFileDialog(HWND dialog, std::wstring_view path) {
    HWND field = GetDlgItem(dialog, ctl::kFileName);
    if (!field)
        field = GetDlgItem(dialog, ctl::kFileNameEdit);
    if (!field)
        throw DriverError("the file dialog has no file name field");
    // The name field may be a combo box; its text lives in the edit inside it.
    HWND edit = FindWindowExW(field, nullptr, L"Edit", nullptr);
    if (!edit) {
        if (HWND combo = FindWindowExW(field, nullptr, L"ComboBox", nullptr))
            edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
    }
    SetText(edit ? edit : field, path);
    Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    if (!WaitUntil([dialog] { return !IsWindow(dialog); }))
        throw DriverError("the file dialog did not accept " + Utf8(path));
}

void VornaProcess::CancelFileDialog(HWND dialog) {
    Post(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    if (!WaitUntil([dialog] { return !IsWindow(dialog); }))
        throw DriverError("the file dialog did not close on Cancel");
}

void VornaProcess::Sync() const {
    Send(Main(), WM_NULL);
}

GUITHREADINFO VornaProcess::ThreadInfo() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GuiThread(), &info))
        throw DriverError(LastErrorText("GetGUIThreadInfo"));
    return info;
}

void VornaProcess::WaitForMouseReleased() const {
    const bool released = WaitUntil([this] {
        const GUITHREADINFO info = ThreadInfo();
        return !info.hwndCapture && !(info.flags & (GUI_INMOVESIZE | GUI_INMENUMODE));
    });
    if (!released)
        throw DriverError("the program kept the mouse captured");
    Sync();
}

void VornaProcess::BringToFront() const {
    const bool front = WaitUntil(
        [this] {
            if (GetForegroundWindow() == Main())
                return true;
            SetForegroundWindow(Main());
            return false;
        },
        kTimeoutMs, 10);
    if (!front)
        throw DriverError("the main window did not come to the foreground");
}

void VornaProcess::Search(std::string_view ansiKeyword) const {
    SetTextAnsi(Control(ctl::kSearchBox), ansiKeyword);
    Send(Control(ctl::kSearch), BM_CLICK);
    WaitForWholeList();
}

void VornaProcess::WaitForWholeList() const {
    // "【keyword】共用N条搜索结果": the list gets its lines after the first screen a piece at
    // a time. A search in an empty store leaves the caption of an earlier one and lists
    // nothing.
    static const std::string kEntries = "搜索：";
    const std::string entries = CountCaption();
    if (entries.rfind(kEntries, 0) != 0 || std::atoi(entries.c_str() + kEntries.size()) == 0)
        return;
    static const std::string kBefore = "】共用";
    static const std::string kAfter = "条搜索结果";
    const std::string caption = MatchCaption();
    const std::size_t before = caption.rfind(kBefore);
    if (before == std::string::npos || caption.size() < kAfter.size() ||
        caption.compare(caption.size() - kAfter.size(), kAfter.size(), kAfter) != 0)
        return;
    const std::size_t from = before + kBefore.size();
    const int count =
        std::atoi(caption.substr(from, caption.size() - kAfter.size() - from).c_str());
    if (!WaitUntil([&] { return ListCount(Control(ctl::kResults)) >= count; }, 60000))
        throw DriverError("the result list stays at " +
                          std::to_string(ListCount(Control(ctl::kResults))) + " of " +
                          std::to_string(count) + " lines");
}

HWND VornaProcess::OpenLoadDialog() const {
    Post(Control(ctl::kLoad), BM_CLICK);
    return WaitForFileDialog();
}

void VornaProcess::Load(std::wstring_view path) const {
    AnswerFileDialog(OpenLoadDialog(), path);
    Sync();
}

std::string VornaProcess::CountCaption() const {
    return GetTextUtf8(Control(ctl::kCountGroup));
}
std::string VornaProcess::MatchCaption() const {
    return GetTextUtf8(Control(ctl::kMatchGroup));
}
std::string VornaProcess::QuestionAnsi() const {
    return GetTextAnsi(Control(ctl::kQuestion));
}
std::string VornaProcess::AnswerAnsi() const {
    return GetTextAnsi(Control(ctl::kAnswer));
}
std::string VornaProcess::KeywordAnsi() const {
    return GetTextAnsi(Control(ctl::kSearchBox));
}

std::vector<std::string> VornaProcess::ResultLinesAnsi() const {
    return ListLinesAnsi(Control(ctl::kResults));
}

int VornaProcess::ResultSelection() const {
    return ListSelection(Control(ctl::kResults));
}

// The shell's tooltips belong to the process of its taskbar window and answer TTM_ENUMTOOLSW
// with a pointer there: the tool's record and its text go through a page lent in that process.
std::vector<std::wstring> NotifyIconTips() {
    std::vector<std::wstring> tips;
    DWORD shell = 0;
    if (HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr))
        GetWindowThreadProcessId(taskbar, &shell);
    for (HWND tip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); tip && shell;
         tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(tip, &pid);
        if (pid != shell)
            continue;
        HANDLE process =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (!process)
            continue;
        constexpr std::size_t kTextAt = 1024, kTextUnits = 1024;
        auto* page = static_cast<char*>(
            VirtualAllocEx(process, nullptr, kTextAt + 2 * kTextUnits, MEM_COMMIT, PAGE_READWRITE));
        // A tooltip may go away meanwhile, with the icon it served: it is left out.
        const auto ask = [tip](UINT message, WPARAM wParam, LPARAM lParam) {
            DWORD_PTR answer = 0;
            return SendMessageTimeoutW(tip, message, wParam, lParam, SMTO_NORMAL, kTimeoutMs,
                                       &answer)
                       ? answer
                       : 0;
        };
        const auto count = page ? static_cast<int>(ask(TTM_GETTOOLCOUNT, 0, 0)) : 0;
        for (int i = 0; i < count; ++i) {
            TTTOOLINFOW info{};
            info.cbSize = sizeof info;
            info.lpszText = reinterpret_cast<LPWSTR>(page + kTextAt);
            std::wstring text(kTextUnits, L'\0');
            SIZE_T done = 0;
            if (WriteProcessMemory(process, page, &info, sizeof info, &done) &&
                WriteProcessMemory(process, page + kTextAt, text.data(), 2, &done) &&
                ask(TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(page)) &&
                ReadProcessMemory(process, page + kTextAt, text.data(), 2 * (kTextUnits - 1),
                                  &done)) {
                text.resize(text.find(L'\0'));
                tips.push_back(text);
            }
        }
        if (page)
            VirtualFreeEx(process, page, 0, MEM_RELEASE);
        CloseHandle(process);
    }
    return tips;
}

} // namespace vorna::e2e
