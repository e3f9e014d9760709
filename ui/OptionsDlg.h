#pragma once
// The options dialog: a check box per option and the two hotkeys. OK writes Lirel.ini (and the
// Run entry) as the dialog shows them; the window then applies what changed.
#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "ui/OptionsStore.h"

#include <optional>
#include <string>

namespace vorna {

class COptionsDlg : public CDialog {
public:
    // store: the options in effect, shown first, and written on OK. startFolder: the folder
    // a start with Windows starts the program in.
    COptionsDlg(COptionsStore& store, std::wstring startFolder);

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    // The hotkey shown, none for the described one (or an emptied control); false, after
    // saying why, for one that cannot be a hotkey.
    bool ReadHotKey(const CHotKeyCtrl& control, bool win, unsigned describedKey,
                    std::optional<HotKey>& hotKey);
    // Writes or removes the Run entry; false when the registry refused.
    bool SetRunEntry(bool startWithWindows) const;

    COptionsStore& m_store;
    std::wstring m_strStartFolder;
    Options m_options;
    bool m_bShowHideWin = false;
    bool m_bCloseWin = false;
    CHotKeyCtrl m_hotKeyShowHide;
    CHotKeyCtrl m_hotKeyClose;
};

} // namespace vorna
