#pragma once
// Notices that a file changed, for a window that keeps what it read of the file: appended to,
// written anew in place, or replaced by an editor's save through another name. The file's
// folder is watched by the system's change notices, not polled; a thread of its own waits for
// them and posts the window a message once the file is there again and can be read.
#include <windows.h>

#include <string>
#include <thread>

namespace vorna {

class CFolderWatch {
public:
    CFolderWatch() = default;
    ~CFolderWatch();
    CFolderWatch(const CFolderWatch&) = delete;
    CFolderWatch& operator=(const CFolderWatch&) = delete;

    // Watches path (UTF-8, a full path) in place of any file watched before. Each time the
    // file's presence, size or times differ from what they were when it was last reported (or
    // when the watch began), and changes have settled, window receives message (wParam and
    // lParam 0). A file that another program holds is tried again every quarter second until
    // it can be read; a file that is gone is not reported until it is back. False when the
    // folder cannot be watched.
    bool Watch(HWND window, UINT message, const std::string& path);
    void Stop();
    bool IsWatching() const { return m_thread.joinable(); }
    const std::string& Path() const { return m_strPath; }

    // The reported change could not be read after all (the file was taken again meanwhile):
    // it is tried again as a file that another program holds, and reported once it can be read.
    void Retry();

private:
    void CloseEvents();

    std::string m_strPath;
    HANDLE m_hStop = nullptr;
    HANDLE m_hRetry = nullptr;
    std::thread m_thread;
};

} // namespace vorna
