#include "ui/OptionsDlg.h"

#include "platform/CommandLine.h"
#include "res/resource.h"
#include "text/Convert.h"
#include "ui/Texts.h"
#include "ui/options/RunEntry.h"

#include <commctrl.h>

#include <tuple>
#include <utility>
#include <vector>

namespace vorna {
namespace {

// The hotkey control marks the keys of the extended part of the keyboard, so that it names
// them right (Home, not keypad 7).
bool IsExtendedKey(unsigned key) {
    return (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE ||
           key == VK_DIVIDE;
}

WORD ControlModifiers(const HotKey& hotKey) {
    WORD flags = 0;
    if (hotKey.modifiers & kModShift)
        flags |= HOTKEYF_SHIFT;
    if (hotKey.modifiers & kModControl)
        flags |= HOTKEYF_CONTROL;
    if (hotKey.modifiers & kModAlt)
        flags |= HOTKEYF_ALT;
    if (IsExtendedKey(hotKey.virtualKey))
        flags |= HOTKEYF_EXT;
    return flags;
}

unsigned HotKeyModifiers(WORD flags, bool win) {
    unsigned modifiers = win ? kModWin : 0;
    if (flags & HOTKEYF_SHIFT)
        modifiers |= kModShift;
    if (flags & HOTKEYF_CONTROL)
        modifiers |= kModControl;
    if (flags & HOTKEYF_ALT)
        modifiers |= kModAlt;
    return modifiers;
}

// What a hotkey control shows for an option: the hotkey, or the described one.
HotKey Shown(const std::optional<HotKey>& hotKey, unsigned describedKey) {
    return hotKey ? *hotKey : HotKey{kModControl, describedKey};
}

std::wstring ProgramPath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size())
            return std::wstring(path.data(), n);
        path.resize(path.size() * 2);
    }
}

} // namespace

COptionsDlg::COptionsDlg(COptionsStore& store, std::wstring startFolder)
    : CDialog(IDD_OPTIONS_DIALOG), m_store(store), m_strStartFolder(std::move(startFolder)),
      m_options(store.Values()) {}

void COptionsDlg::DoDataExchange(CDataExchange& dx) {
    CDialog::DoDataExchange(dx);
    dx.Control(IDC_SHOW_HIDE_KEY, m_hotKeyShowHide);
    dx.Control(IDC_CLOSE_KEY, m_hotKeyClose);
    dx.Check(IDC_SEARCH_AS_YOU_TYPE, m_options.searchAsYouType);
    dx.Check(IDC_RELOAD_ON_CHANGE, m_options.reloadOnChange);
    dx.Check(IDC_REMEMBER_PLACEMENT, m_options.rememberPlacement);
    dx.Check(IDC_START_WITH_WINDOWS, m_options.startWithWindows);
    dx.Check(IDC_SHOW_HIDE_WIN, m_bShowHideWin);
    dx.Check(IDC_CLOSE_WIN, m_bCloseWin);
}

bool COptionsDlg::OnInitDialog() {
    m_bShowHideWin = (Shown(m_options.showHideHotkey, kKeyNumpad1).modifiers & kModWin) != 0;
    m_bCloseWin = (Shown(m_options.closeHotkey, kKeyNumpad0).modifiers & kModWin) != 0;
    CDialog::OnInitDialog();
    for (auto [control, hotKey, described] :
         {std::tuple{&m_hotKeyShowHide, m_options.showHideHotkey, kKeyNumpad1},
          std::tuple{&m_hotKeyClose, m_options.closeHotkey, kKeyNumpad0}}) {
        const HotKey shown = Shown(hotKey, described);
        control->SetHotKey(static_cast<WORD>(shown.virtualKey), ControlModifiers(shown));
    }
    SetItemText(IDC_OPTIONS_FILE, m_store.Path());
    std::wstring note;
    if (m_store.Unreadable())
        note = texts::kOptionsUnreadable;
    if (!m_store.Ignored().empty())
        note = texts::kIgnoredLines;
    for (const std::string& line : m_store.Ignored())
        note += L"\r\n" + ToWide(line, Encoding::utf8).text;
    if (!note.empty()) {
        SetItemText(IDC_IGNORED, note);
        ::ShowWindow(GetItem(IDC_IGNORED), SW_SHOWNA);
    }
    return true;
}

bool COptionsDlg::ReadHotKey(const CHotKeyCtrl& control, bool win, unsigned describedKey,
                             std::optional<HotKey>& hotKey) {
    WORD key = 0;
    WORD flags = 0;
    control.GetHotKey(key, flags);
    const HotKey read{HotKeyModifiers(flags, win), key};
    hotKey.reset();
    if (key == 0 || read == HotKey{kModControl, describedKey})
        return true;
    std::string_view refusal;
    if (!FormatHotKey(read))
        refusal = texts::kHotKeyUnnamed;
    else if (!IsUsable(read))
        refusal = texts::kHotKeyNotUsable;
    if (!refusal.empty()) {
        ShowMessageBox(refusal);
        control.Focus();
        return false;
    }
    hotKey = read;
    return true;
}

bool COptionsDlg::SetRunEntry(bool startWithWindows) const {
    return startWithWindows ? WriteRunEntry(StartCommand(ProgramPath(), m_strStartFolder))
                            : RemoveRunEntry();
}

void COptionsDlg::OnOK() {
    ReadControls();
    Options chosen = m_options;
    if (!ReadHotKey(m_hotKeyShowHide, m_bShowHideWin, kKeyNumpad1, chosen.showHideHotkey) ||
        !ReadHotKey(m_hotKeyClose, m_bCloseWin, kKeyNumpad0, chosen.closeHotkey))
        return;
    const HotKey showHide = chosen.showHideHotkey.value_or(HotKey{kModControl, kKeyNumpad1});
    const HotKey close = chosen.closeHotkey.value_or(HotKey{kModControl, kKeyNumpad0});
    if (showHide == close) {
        ShowMessageBox(texts::kHotKeysSame);
        m_hotKeyClose.Focus();
        return;
    }
    if (!SetRunEntry(chosen.startWithWindows)) {
        ShowMessageBox(texts::kRunEntryFailed);
        return;
    }
    if (!m_store.Save(chosen)) {
        // Nothing changes: the Run entry goes back to what the options in effect say.
        SetRunEntry(m_store.Values().startWithWindows);
        ShowMessageBox(texts::kOptionsNotSaved);
        return;
    }
    EndDialog(IDOK);
}

} // namespace vorna
