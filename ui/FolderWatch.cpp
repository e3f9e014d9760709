#include "ui/FolderWatch.h"

#include "io/File.h"
#include "text/Convert.h"

#include <utility>

namespace vorna {
namespace {

// Editors write a file in several steps: a change is looked at once the folder has been
// quiet this long, or after the longest wait while it keeps changing.
constexpr DWORD kSettleMs = 100;
constexpr ULONGLONG kLongestSettleMs = 2000;
// How often a file that another program holds is tried again.
constexpr DWORD kBusyRetryMs = 250;

struct FileState {
    bool exists = false;
    ULONGLONG size = 0;
    ULONGLONG written = 0;
    ULONGLONG created = 0;

    bool operator==(const FileState& other) const {
        return exists == other.exists && size == other.size && written == other.written &&
               created == other.created;
    }
};

ULONGLONG Ticks(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FileState StateOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FileState state;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return state;
    state.exists = true;
    state.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    state.written = Ticks(data.ftLastWriteTime);
    state.created = Ticks(data.ftCreationTime);
    return state;
}

enum class Access { readable, held, refused };

// Opened the way the window's load opens a file, and closed again at once.
Access TryOpen(const std::string& path) {
    CFile file;
    FileResult result;
    if (file.Open(path, CFile::modeRead, &result))
        return Access::readable;
    return result.status == FileStatus::inUse ? Access::held : Access::refused;
}

// The folder to watch: up to the last separator, a drive's root keeping its own.
std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return {};
    if (slash > 0 && path[slash - 1] == L':')
        return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

// The watching thread: it ends when stop is set, and closes change. The window's thread
// closes the events only after it has ended.
void WatchFolder(HANDLE stop, HANDLE retried, HANDLE change, HWND window, UINT message,
                 FileState known, const std::wstring& path, const std::string& utf8Path) {
    bool pending = false; // a change seen and not yet looked at
    bool held = false;    // the file was held by another program when last tried
    bool retry = false;   // report even an unchanged file: the window could not read it
    ULONGLONG since = 0;
    const HANDLE handles[] = {stop, retried, change};
    for (;;) {
        const DWORD timeout = !pending ? INFINITE : held ? kBusyRetryMs : kSettleMs;
        const DWORD woken = ::WaitForMultipleObjects(3, handles, FALSE, timeout);
        if (woken == WAIT_OBJECT_0 + 1) {
            pending = held = retry = true;
            continue;
        }
        if (woken == WAIT_OBJECT_0 + 2) {
            if (!::FindNextChangeNotification(change))
                break;
            if (!pending)
                since = ::GetTickCount64();
            pending = true;
            if (!held && ::GetTickCount64() - since < kLongestSettleMs)
                continue;
        } else if (woken != WAIT_TIMEOUT) {
            break;
        }

        const FileState now = StateOf(path);
        if (now == known && !retry) {
            pending = false;
            continue;
        }
        const Access access = now.exists ? TryOpen(utf8Path) : Access::refused;
        if (access == Access::held) {
            held = true;
            continue;
        }
        known = now;
        pending = held = retry = false;
        if (access == Access::readable)
            ::PostMessageW(window, message, 0, 0);
    }
    ::FindCloseChangeNotification(change);
}

} // namespace

CFolderWatch::~CFolderWatch() {
    Stop();
}

bool CFolderWatch::Watch(HWND window, UINT message, const std::string& path) {
    Stop();
    std::wstring wide = ToWide(path, Encoding::utf8).text;
    const std::wstring folder = FolderOf(wide);
    if (folder.empty())
        return false;
    HANDLE change = ::FindFirstChangeNotificationW(
        folder.c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    if (change == INVALID_HANDLE_VALUE)
        return false;
    m_hStop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_hRetry = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!m_hStop || !m_hRetry) {
        ::FindCloseChangeNotification(change);
        CloseEvents();
        return false;
    }
    m_strPath = path;
    // Taken before Watch returns: a change made right after it is one.
    const FileState known = StateOf(wide);
    m_thread = std::thread(WatchFolder, m_hStop, m_hRetry, change, window, message, known,
                           std::move(wide), path);
    return true;
}

void CFolderWatch::Stop() {
    if (m_thread.joinable()) {
        ::SetEvent(m_hStop);
        m_thread.join();
    }
    CloseEvents();
    m_strPath.clear();
}

void CFolderWatch::CloseEvents() {
    for (HANDLE* h : {&m_hStop, &m_hRetry}) {
        if (*h)
            ::CloseHandle(*h);
        *h = nullptr;
    }
}

void CFolderWatch::Retry() {
    if (m_hRetry)
        ::SetEvent(m_hRetry);
}

} // namespace vorna
