// The main window's options from Lirel.ini: the options dialog and what it changes at once,
// the window's place and opacity kept between runs, and the watch of the loaded file.
#include "ui/VornaDlg.h"

#include "ui/OptionsDlg.h"
#include "ui/options/Placement.h"

#include <vector>

namespace vorna {
namespace {

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM areas) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoW(monitor, &info)) {
        const RECT& r = info.rcWork;
        reinterpret_cast<std::vector<ScreenRect>*>(areas)->push_back(
            {r.left, r.top, r.right, r.bottom});
    }
    return TRUE;
}

std::vector<ScreenRect> WorkAreas() {
    std::vector<ScreenRect> areas;
    ::EnumDisplayMonitors(nullptr, nullptr, &AddWorkArea, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

} // namespace

void CVornaDlg::OnOptions() {
    const Options before = m_options.Values();
    COptionsDlg dialog(m_options, m_strStartFolder);
    if (dialog.DoModal() != IDOK)
        return;
    ApplyHotKeys(before);
    if (m_options.Values().reloadOnChange != before.reloadOnChange)
        WatchLoadedFile();
}

// Runs while the window is made, before it is shown: a place that is no longer on any screen
// is left to the centring of a window that was not placed.
void CVornaDlg::RestorePlacement() {
    if (!m_options.Values().rememberPlacement)
        return;
    const Placement& saved = m_options.SavedPlacement();
    if (saved.alpha)
        m_sliderAlpha.SetPos(*saved.alpha);
    RECT window{};
    if (!saved.corner || !::GetWindowRect(m_hWnd, &window))
        return;
    if (!IsReachable(*saved.corner, window.right - window.left, window.bottom - window.top,
                     WorkAreas()))
        return;
    ::SetWindowPos(m_hWnd, nullptr, saved.corner->left, saved.corner->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    KeepPlace();
}

// Runs when the window is destroyed and when the session ends (the program is then ended
// without being destroyed).
void CVornaDlg::SavePlacement() {
    if (!m_options.Values().rememberPlacement)
        return;
    RECT window{};
    if (!::GetWindowRect(m_hWnd, &window))
        return;
    Placement placement;
    placement.corner = Placement::Corner{window.left, window.top};
    placement.alpha = m_sliderAlpha.GetPos();
    m_options.SavePlacement(placement);
}

void CVornaDlg::FollowLoadedFile(const std::string& path) {
    if (path == m_strLoadedFile && m_watchLoaded.IsWatching())
        return;
    m_strLoadedFile = path;
    WatchLoadedFile();
}

void CVornaDlg::WatchLoadedFile() {
    if (m_options.Values().reloadOnChange && !m_strLoadedFile.empty())
        m_watchLoaded.Watch(m_hWnd, kLoadedFileChanged, m_strLoadedFile);
    else
        m_watchLoaded.Stop();
}

// The loaded file changed: it is loaded again as Load... loads it, without messages, and the
// last search runs again for its keyword, the focus left where it is. The controls are read
// first, so that what the user typed since the last search stays in the search box when the
// load and the search write them.
void CVornaDlg::OnLoadedFileChanged() {
    // A notice posted just before the watch stopped.
    if (!m_watchLoaded.IsWatching())
        return;
    ReadControls();
    const std::string path = m_strLoadedFile;
    if (!LoadFile(path, false)) {
        m_watchLoaded.Retry();
        return;
    }
    if (m_strSearched)
        RunSearch(*m_strSearched, false);
}

} // namespace vorna
