// The main window's global hotkeys and its show/hide: the described ones, or those the options
// name instead.
#include "ui/VornaDlg.h"

#include "ui/Texts.h"

#include <optional>

namespace vorna {
namespace {

constexpr int kHotKeyToggleShown = 100;
constexpr int kHotKeyClose = 101;

} // namespace

void CVornaDlg::RegisterHotKeys() {
    RegisterOneHotKey(kHotKeyToggleShown);
    RegisterOneHotKey(kHotKeyClose);
}

// Takes the hotkeys away whose option changed and registers what the options now name.
void CVornaDlg::ApplyHotKeys(const Options& before) {
    const Options& now = m_options.Values();
    if (now.showHideHotkey != before.showHideHotkey) {
        ::UnregisterHotKey(m_hWnd, kHotKeyToggleShown);
        RegisterOneHotKey(kHotKeyToggleShown);
    }
    if (now.closeHotkey != before.closeHotkey) {
        ::UnregisterHotKey(m_hWnd, kHotKeyClose);
        RegisterOneHotKey(kHotKeyClose);
    }
}

// The options' hotkey for id, else the described one. A combination another program (or
// another copy of this one) holds is reported with the described message for that hotkey
// and left unregistered: the window works on without it.
void CVornaDlg::RegisterOneHotKey(int id) {
    const bool toggle = id == kHotKeyToggleShown;
    const std::optional<HotKey>& chosen =
        toggle ? m_options.Values().showHideHotkey : m_options.Values().closeHotkey;
    const bool registered =
        chosen ? ::RegisterHotKey(m_hWnd, id, chosen->modifiers, chosen->virtualKey)
               : RegisterHotKeyThroughControl(id, toggle ? VK_NUMPAD1 : VK_NUMPAD0);
    if (!registered)
        ShowMessageBox(toggle ? texts::kHotKeyShowConflict : texts::kHotKeyCloseConflict);
}

// The hidden hotkey control normalises the combination; what it reports is registered.
bool CVornaDlg::RegisterHotKeyThroughControl(int id, WORD virtualKey) {
    m_hotKey.SetRules(HKCOMB_CA, HOTKEYF_CONTROL);
    m_hotKey.SetHotKey(virtualKey, HOTKEYF_CONTROL);
    WORD key = 0;
    WORD modifiers = 0;
    m_hotKey.GetHotKey(key, modifiers);
    // HOTKEYF_CONTROL and MOD_CONTROL have the same value: passed on unchanged.
    return ::RegisterHotKey(m_hWnd, id, modifiers, key) != FALSE;
}

void CVornaDlg::OnHotKey(WPARAM id) {
    switch (id) {
    case kHotKeyToggleShown:
        ToggleShown();
        break;
    case kHotKeyClose:
        Send(WM_CLOSE, 0, 0);
        break;
    }
}

void CVornaDlg::ToggleShown() {
    if (m_bShown) {
        Show(SW_HIDE);
        m_bShown = FALSE;
    } else {
        Show(SW_SHOW);
        m_bShown = TRUE;
    }
}

void CVornaDlg::OnHide() {
    ToggleShown();
}

void CVornaDlg::ShowAndActivate() {
    if (!m_bShown)
        ToggleShown();
    // While a dialog of its own is up (the About box, a message box, a file dialog), the
    // window waits for it, disabled: that dialog is what the user can act on.
    ::SetForegroundWindow(FrontWindow(m_hWnd));
}

} // namespace vorna
