#pragma once
// The clipboard viewer chain seen from a test: viewers of the test's own that count the
// notices reaching them, and clipboard contents the common helpers do not make.
#include <windows.h>

#include <atomic>
#include <string>
#include <string_view>
#include <thread>

namespace vorna::e2e {

// A clipboard viewer on a thread of its own, so that the program's notices and chain
// changes are answered at once whatever the test's thread is waiting for. It joins the
// chain at construction (becoming its first window), counts every clipboard notice and
// passes it on, and follows the chain when a window leaves.
class ClipboardViewer {
public:
    ClipboardViewer();
    // Leaves the chain if still in it.
    ~ClipboardViewer();
    ClipboardViewer(const ClipboardViewer&) = delete;
    ClipboardViewer& operator=(const ClipboardViewer&) = delete;

    HWND Handle() const { return m_window; }
    HWND Next() const { return m_next.load(); }
    int Notices() const { return m_notices.load(); }
    // Waits until at least count notices have arrived. Meanwhile the calling thread answers
    // the messages other threads send to its windows (posted ones stay queued): a program
    // that activates its window waits for the window it deactivates, which may be one of
    // the test's own.
    bool WaitForNotices(int count, DWORD timeoutMs = 10000) const;
    // Leaves the chain (ChangeClipboardChain) from the viewer's thread.
    void Leave();

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run(HANDLE ready);

    std::thread m_thread;
    HWND m_window = nullptr;
    std::atomic<HWND> m_next{nullptr};
    std::atomic<int> m_notices{0};
    bool m_joined = false;
};

// Answers the messages that other threads have sent to the calling thread's windows, and
// leaves posted messages queued.
void AnswerSentMessages();

// Holds the clipboard open for the window while it lives, as a program busy with it would.
class HeldClipboard {
public:
    explicit HeldClipboard(HWND window);
    ~HeldClipboard();
    HeldClipboard(const HeldClipboard&) = delete;
    HeldClipboard& operator=(const HeldClipboard&) = delete;
};

// Puts exactly these bytes as CF_TEXT: a block of their size, no terminating zero added.
void PutClipboardBlock(std::string_view bytes);
// The CF_TEXT text as a reader receives it: up to the first zero byte or the block's end.
std::string ClipboardTextAsDelivered();

} // namespace vorna::e2e
