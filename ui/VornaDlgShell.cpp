// The ways in from outside the window: files handed over by copies started later, and the
// notification-area icon.
#include "ui/VornaDlg.h"

#include "text/Convert.h"
#include "ui/RunningCopy.h"

#include <optional>
#include <string>
#include <utility>

namespace vorna {

bool CVornaDlg::OnCopyData(const COPYDATASTRUCT* data) {
    std::optional<std::wstring> path = data ? HandedPath(*data) : std::nullopt;
    if (!path)
        return false;
    m_strHandedFile = FromWide(*path, Encoding::utf8).text;
    Post(kLoadHandedFile);
    return true;
}

void CVornaDlg::OnHandedFile() {
    // A message box of one load lets the next hand-over in: that one waits, and only the
    // newest file is loaded after it.
    if (m_bLoadingHanded)
        return;
    struct Busy {
        bool& flag;
        explicit Busy(bool& f) : flag(f) { flag = true; }
        ~Busy() { flag = false; }
    } busy(m_bLoadingHanded);
    while (m_strHandedFile) {
        std::string path = std::move(*m_strHandedFile);
        m_strHandedFile.reset();
        ShowAndActivate();
        LoadFileAsChosen(path);
    }
}

void CVornaDlg::OnNotifyIcon(LPARAM mouseMessage) {
    // While a dialog of its own is up, only showing makes sense: the window waits for it.
    const bool free = ::IsWindowEnabled(m_hWnd) != FALSE;
    switch (m_trayIcon.OnMouse(mouseMessage, FrontWindow(m_hWnd), free)) {
    case CTrayIcon::Command::none:
        break;
    case CTrayIcon::Command::show:
        ShowAndActivate();
        break;
    case CTrayIcon::Command::load:
        ShowAndActivate();
        OnLoad();
        break;
    case CTrayIcon::Command::options:
        OnOptions();
        break;
    case CTrayIcon::Command::about:
        OnAbout();
        break;
    case CTrayIcon::Command::exit:
        Send(WM_CLOSE, 0, 0);
        break;
    }
}

} // namespace vorna
