#include "ClipboardChain.h"

#include "Driver.h"

#include <cstring>

namespace vorna::e2e {
namespace {

constexpr UINT kLeave = WM_APP + 1;
constexpr wchar_t kViewerClass[] = L"VornaE2eClipboardViewer";
// A viewer that does not answer in this time is taken as hung; the test then fails on the
// missing notice instead of hanging with it.
constexpr UINT kPassOnTimeoutMs = 5000;

void OpenClipboardFor(HWND window) {
    // The program under test opens it too, briefly, at every change.
    if (!WaitUntil([window] { return OpenClipboard(window) != 0; }))
        throw DriverError("the clipboard could not be opened");
}

} // namespace

ClipboardViewer::ClipboardViewer() {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!ready)
        throw DriverError("CreateEventW failed");
    m_thread = std::thread([this, ready] { Run(ready); });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
    if (!m_window) {
        m_thread.join();
        throw DriverError("the test's clipboard viewer could not be created");
    }
}

ClipboardViewer::~ClipboardViewer() {
    try {
        Leave();
    } catch (const DriverError&) {
        // Its thread is hung: nothing more to tidy than ending it.
    }
    PostMessageW(m_window, WM_CLOSE, 0, 0);
    m_thread.join();
}

void ClipboardViewer::Run(HANDLE ready) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &ClipboardViewer::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kViewerClass;
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, kViewerClass, L"viewer", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    if (window) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_window = window;
        // The first notice arrives inside this call, before the next window is known.
        m_next = SetClipboardViewer(window);
        m_joined = true;
    }
    SetEvent(ready);
    if (!window)
        return;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void ClipboardViewer::Leave() {
    if (!m_joined)
        return;
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(m_window, kLeave, 0, 0, SMTO_NORMAL, 10000, &ignored))
        throw DriverError("the test's clipboard viewer did not leave the chain");
    m_joined = false;
}

bool ClipboardViewer::WaitForNotices(int count, DWORD timeoutMs) const {
    return WaitUntil(
        [this, count] {
            AnswerSentMessages();
            return m_notices.load() >= count;
        },
        timeoutMs);
}

LRESULT CALLBACK ClipboardViewer::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ClipboardViewer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    DWORD_PTR ignored = 0;
    switch (message) {
    case WM_DRAWCLIPBOARD:
        if (self) {
            ++self->m_notices;
            if (HWND next = self->m_next.load())
                SendMessageTimeoutW(next, message, wParam, lParam, SMTO_NORMAL, kPassOnTimeoutMs,
                                    &ignored);
        }
        return 0;
    case WM_CHANGECBCHAIN:
        if (self) {
            if (reinterpret_cast<HWND>(wParam) == self->m_next.load())
                self->m_next = reinterpret_cast<HWND>(lParam);
            else if (HWND next = self->m_next.load())
                SendMessageTimeoutW(next, message, wParam, lParam, SMTO_NORMAL, kPassOnTimeoutMs,
                                    &ignored);
        }
        return 0;
    case kLeave:
        if (self) {
            ChangeClipboardChain(window, self->m_next.load());
            self->m_next = nullptr;
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void AnswerSentMessages() {
    // Peeking runs the pending sent messages; the filter matches nothing that is posted.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_APP + 0x3FFF, WM_APP + 0x3FFF, PM_NOREMOVE);
}

HeldClipboard::HeldClipboard(HWND window) {
    OpenClipboardFor(window);
}

HeldClipboard::~HeldClipboard() {
    CloseClipboard();
}

void PutClipboardBlock(std::string_view bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory)
        throw DriverError("GlobalAlloc failed");
    std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    OpenClipboardFor(nullptr);
    EmptyClipboard();
    const bool set = SetClipboardData(CF_TEXT, memory) != nullptr;
    CloseClipboard();
    if (!set) {
        GlobalFree(memory);
        throw DriverError("SetClipboardData(CF_TEXT) failed");
    }
}

std::string ClipboardTextAsDelivered() {
    OpenClipboardFor(nullptr);
    std::string text;
    HGLOBAL block = static_cast<HGLOBAL>(GetClipboardData(CF_TEXT));
    if (const char* bytes = block ? static_cast<const char*>(GlobalLock(block)) : nullptr) {
        const std::size_t size = GlobalSize(block);
        const void* zero = std::memchr(bytes, 0, size);
        text.assign(bytes, zero ? static_cast<const char*>(zero) - bytes : size);
        GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
}

} // namespace vorna::e2e
