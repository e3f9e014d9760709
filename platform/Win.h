#pragma once
// A window object bound to a window handle. Controls of a dialog template are bound once
// (subclassed) to their objects; the object then sees the control's messages first, its
// notifications and colour requests reflected back by the parent, and the input messages
// of the modal loop before they are dispatched.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace vorna {

class CWin {
public:
    CWin() = default;
    virtual ~CWin();
    CWin(const CWin&) = delete;
    CWin& operator=(const CWin&) = delete;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }

    // The object bound to a window, or nullptr.
    static CWin* FromHandle(HWND hwnd);

    // Binds the object to an existing window: m_hWnd is set, PreSubclassWindow runs, then
    // the window's messages go through OnMessage. Fails when the object is already bound.
    bool SubclassWindow(HWND hwnd);
    // Gives the window its own procedure back and forgets it. Done by itself on WM_NCDESTROY.
    HWND UnsubclassWindow();

    // Input messages (keyboard and mouse) of the modal loop reach the bound window and each
    // bound ancestor here before they are dispatched; true consumes the message.
    virtual bool PreTranslateMessage(MSG* msg);

    // A notification (WM_COMMAND, WM_NOTIFY) or colour request (WM_CTLCOLOR*) that this
    // control sent to its parent, handed back to the control's object. Answer true to
    // handle it; the parent's own handler does not run then.
    virtual bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Plain window services.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    HWND GetItem(int id) const;
    void SetItemText(int id, std::wstring_view text) const;
    // Window text as ANSI bytes and as UTF-16.
    std::string GetTextAnsi() const;
    void SetTextAnsi(const std::string& text) const;
    std::wstring GetTextWide() const;
    bool Show(int command) const;
    void Focus() const;
    bool IsIconic() const;
    RECT GetClientRect() const;
    void Invalidate(bool erase = true) const;
    void SetIcon(HICON icon, bool big) const;
    // A modal box owned by this window: text in UTF-8, caption the application's name,
    // type 0 (OK) or MB_ICONEXCLAMATION.
    int ShowMessageBox(std::string_view utf8Text, UINT type = MB_OK) const;

protected:
    // Runs just before the window is bound, with m_hWnd already set.
    virtual void PreSubclassWindow() {}
    // A message of the bound window. Answer true to handle it (result is then returned);
    // false passes it to the window's own procedure.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The window's own procedure, for handlers that run the default first.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    // For CDialog, which binds through the dialog manager instead of subclassing.
    void BindHandle(HWND hwnd);
    void UnbindHandle();

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    WNDPROC m_oldProc = nullptr;
};

// For a catch block where the framework stops an exception so that it never unwinds through
// the system's code (a window procedure, the application's start): writes the application's
// name, where and, for a std::exception, what() to the debugger's output before the exception
// is dropped.
void LogDroppedException(const wchar_t* where, std::optional<UINT> message = std::nullopt) noexcept;

// A window's text as ANSI bytes and as UTF-16.
std::string WindowTextAnsi(HWND window);
std::wstring WindowTextWide(HWND window);

// What the user can act on for window: the window itself, or while it waits for a dialog of
// its own (disabled, as during a modal run) the visible, enabled window of this thread that
// it owns, directly or not.
HWND FrontWindow(HWND window);

} // namespace vorna
