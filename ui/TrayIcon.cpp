#include "ui/TrayIcon.h"

#include "platform/App.h"
#include "res/resource.h"
#include "ui/RunningCopy.h"
#include "ui/Texts.h"

namespace vorna {
namespace {

enum MenuItem : UINT { kItemShow = 1, kItemLoad, kItemOptions, kItemAbout, kItemExit };

} // namespace

void CTrayIcon::Add(HWND window, HICON fallback) {
    m_nTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    // A copy with more rights than the shell would not hear it otherwise.
    if (m_nTaskbarCreated)
        ::ChangeWindowMessageFilterEx(window, m_nTaskbarCreated, MSGFLT_ALLOW, nullptr);
    m_iconSmall.Reset(static_cast<HICON>(
        ::LoadImageW(AppInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                     ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));
    m_notifyIcon.Add(window, kNotifyIconId, kNotifyIconMessage,
                     m_iconSmall ? static_cast<HICON>(m_iconSmall) : fallback, texts::kNotifyTip);
}

bool CTrayIcon::OnShellRestarted(UINT message) {
    if (message != m_nTaskbarCreated || m_nTaskbarCreated == 0)
        return false;
    m_notifyIcon.AddAgain();
    return true;
}

CTrayIcon::Command CTrayIcon::OnMouse(LPARAM mouseMessage, HWND owner, bool free) {
    switch (LOWORD(mouseMessage)) {
    case WM_LBUTTONUP:
        return Command::show;
    case WM_RBUTTONUP:
        break;
    default:
        return Command::none;
    }
    CPopupMenu menu;
    menu.Append(kItemShow, texts::kMenuShow);
    menu.Append(kItemLoad, texts::kMenuLoad, free);
    menu.Append(kItemOptions, texts::kMenuOptions, free);
    menu.Append(kItemAbout, texts::kMenuAbout, free);
    menu.AppendSeparator();
    menu.Append(kItemExit, texts::kMenuExit, free);
    menu.SetDefault(kItemShow);
    ::SetForegroundWindow(owner);
    switch (menu.Track(owner)) {
    case kItemShow:
        return Command::show;
    case kItemLoad:
        return Command::load;
    case kItemOptions:
        return Command::options;
    case kItemAbout:
        return Command::about;
    case kItemExit:
        return Command::exit;
    }
    return Command::none;
}

void CTrayIcon::Remove() {
    m_notifyIcon.Remove();
}

} // namespace vorna
