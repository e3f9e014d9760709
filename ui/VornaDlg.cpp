#include "ui/VornaDlg.h"

#include "knowledge/Search.h"
#include "platform/App.h"
#include "platform/FileDialog.h"
#include "platform/Library.h"
#include "res/resource.h"
#include "text/Convert.h"
#include "ui/AboutDlg.h"
#include "ui/AddDlg.h"
#include "ui/RunningCopy.h"
#include "ui/ShownEncoding.h"
#include "ui/ShownText.h"
#include "ui/Texts.h"
#include "ui/VornaDlgRules.h"

#include <commdlg.h>
#include <windowsx.h>

#include <optional>
#include <utility>

namespace vorna {
namespace {

constexpr int kAlphaMin = 10;
constexpr int kAlphaMax = 255;
constexpr int kAlphaStart = 100;

} // namespace

CVornaDlg::CVornaDlg(std::optional<std::string> startFile)
    : CDialog(IDD_VORNA_DIALOG), m_leadBytes(ActiveCodePageLeadBytes()),
      m_shown(Encoding::system, m_leadBytes), m_strStartFile(std::move(startFile)) {
    m_hIcon = LoadAppIcon(IDR_MAINFRAME);
}

CVornaDlg::~CVornaDlg() = default;

void CVornaDlg::DoDataExchange(CDataExchange& dx) {
    CDialog::DoDataExchange(dx);
    dx.Control(IDC_ALPHA, m_sliderAlpha);
    dx.Control(IDC_HOTKEY, m_hotKey);
    dx.Control(IDC_RESULTS, m_listResults);
    dx.Control(IDC_QUESTION, m_boxQuestion);
    dx.Control(IDC_ANSWER, m_boxAnswer);
    dx.Text(IDC_ANSWER, m_strAnswer, m_shownEncoding);
    dx.Text(IDC_QUESTION, m_strQuestion, m_shownEncoding);
    dx.Text(IDC_KEYWORD, m_strKeyword, m_shownEncoding);
    dx.SliderPos(IDC_ALPHA, m_nAlpha);
}

bool CVornaDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (m_trayIcon.OnShellRestarted(message))
        return true;
    switch (message) {
    case WM_COPYDATA:
        result = OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
        return true;
    case kLoadHandedFile:
        OnHandedFile();
        return true;
    case kLoadedFileChanged:
        OnLoadedFileChanged();
        return true;
    case WM_ENDSESSION:
        if (wParam)
            SavePlacement();
        return false;
    case kNotifyIconMessage:
        OnNotifyIcon(lParam);
        return true;
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam);
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_hIcon);
        return true;
    case WM_COMMAND:
        switch (wParam) {
        case Notify(IDC_ADD, BN_CLICKED):
            OnAdd();
            return true;
        case Notify(IDC_LOAD, BN_CLICKED):
            OnLoad();
            return true;
        case Notify(IDC_SEARCH, BN_CLICKED):
            OnSearch();
            return true;
        case Notify(IDC_RESULTS, LBN_SELCHANGE):
            OnSelchangeResults();
            return true;
        case Notify(IDC_KEYWORD, EN_CHANGE):
            OnKeywordChanged();
            return true;
        case Notify(IDC_ABOUT, BN_CLICKED):
            OnAbout();
            return true;
        case Notify(IDC_HIDE, BN_CLICKED):
            OnHide();
            return true;
        }
        break;
    case WM_HOTKEY:
        OnHotKey(wParam);
        return true;
    case WM_DESTROY:
        OnDestroy();
        return false;
    case WM_LBUTTONDOWN:
        OnLButtonDown(lParam);
        return false;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        result = reinterpret_cast<LRESULT>(OnCtlColor(message, wParam, lParam));
        return true;
    case WM_DRAWCLIPBOARD:
        OnDrawClipboard(wParam, lParam);
        return true;
    case WM_CHANGECBCHAIN:
        m_clipboardViewer.OnChangeCbChain(reinterpret_cast<HWND>(wParam),
                                          reinterpret_cast<HWND>(lParam));
        return true;
    }
    return CDialog::OnMessage(message, wParam, lParam, result);
}

bool CVornaDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_clipboardViewer.Join(m_hWnd);

    m_sliderAlpha.SetRange(kAlphaMin, kAlphaMax, false);
    m_sliderAlpha.SetPos(kAlphaStart);
    RestorePlacement();
    ReadControls();
    m_brushBack.Reset(::CreateSolidBrush(RGB(0xFF, 0xFF, 0xFF)));
    m_bShown = TRUE;
    // Assigned, not combined: the tool-window style replaces the taskbar button's style.
    ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
    RegisterHotKeys();
    AddAboutMenuItem();
    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);
    m_trayIcon.Add(m_hWnd, m_hIcon);
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (m_strStartFile)
        LoadFileAsChosen(*m_strStartFile);
    else
        LoadDefaultFile();
    // Only now may later copies hand files over: the start-up load has ended.
    MarkRunningCopy(m_hWnd);
    return true;
}

void CVornaDlg::AddAboutMenuItem() {
    HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (!systemMenu)
        return;
    wchar_t text[256] = {};
    if (::LoadStringW(AppInstance(), IDS_ABOUTBOX, text, 256) <= 0)
        return;
    ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, text);
}

void CVornaDlg::OnOK() {
    OnSearch();
}

// ---- Entry store and loading

bool CVornaDlg::CheckFile(std::string path, bool report) {
    const FileResult check = CheckEntryFile(path);
    if (!check.Ok() && report)
        ShowMessageBox(check.status == FileStatus::missing ? texts::kFileMissing
                                                           : texts::kFileCannotOpen);
    return check.Ok();
}

// Empties the store and reads the file into it, shows the count and writes the controls.
// A file that vanished or was locked since its check leaves the store as it was.
bool CVornaDlg::LoadFile(const std::string& path, bool report) {
    FinishListing();
    if (!LoadEntryFile(path, m_store).Ok()) {
        if (report)
            ShowMessageBox(texts::kFileCannotOpen);
        return false;
    }
    UseShownEncoding(ShownEncoding(m_store.GetFileEncoding()));
    ShowEntryCount(static_cast<int>(m_store.GetCount()));
    m_trayIcon.SetTip(LoadedFileTip(path, m_store.GetFileEncoding(), m_store.GetCount()));
    WriteControls();
    FollowLoadedFile(path);
    return true;
}

// A store in another encoding than the last: the keyword and the shown texts move over to
// it, so the boxes go on showing what they showed.
void CVornaDlg::UseShownEncoding(Encoding encoding) {
    if (encoding == m_shownEncoding)
        return;
    for (std::string* text : {&m_strKeyword, &m_strQuestion, &m_strAnswer})
        *text = Convert(*text, m_shownEncoding, encoding).text;
    if (m_strSearched)
        *m_strSearched = Convert(*m_strSearched, m_shownEncoding, encoding).text;
    m_shownEncoding = encoding;
    m_leadBytes = KeywordLeadBytes(encoding);
    m_shown = CShownText(encoding, m_leadBytes);
}

void CVornaDlg::ShowEntryCount(int count) {
    SetItemText(IDC_GROUP_SEARCH, ToWide(EntryCountCaption(count), Encoding::utf8).text);
}

void CVornaDlg::LoadDefaultFile() {
    wchar_t directory[MAX_PATH] = {};
    DWORD n = ::GetCurrentDirectoryW(MAX_PATH, directory);
    std::optional<std::wstring> path = DefaultEntryPath(n, directory, MAX_PATH);
    if (!path)
        return;
    std::string utf8 = FromWide(*path, Encoding::utf8).text;
    if (CheckFile(utf8, false))
        LoadFile(utf8, false);
}

void CVornaDlg::OnLoad() {
    CFileDialog dialog(true, nullptr, nullptr, OFN_HIDEREADONLY, texts::kEntryFileFilter);
    if (dialog.DoModal() != IDOK)
        return;
    LoadFileAsChosen(dialog.GetPathName());
}

void CVornaDlg::LoadFileAsChosen(const std::string& path) {
    if (!CheckFile(path, true))
        return;
    LoadFile(path, true);
}

// ---- Window behaviour

HBRUSH CVornaDlg::OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam) {
    // A dialog's default colour handling is the window default.
    HBRUSH standard = reinterpret_cast<HBRUSH>(::DefWindowProcW(m_hWnd, message, wParam, lParam));
    // Colour requests arrive while other handlers run (a search, a load, a clipboard copy)
    // and between a handler setting its members and writing them out. Only the slider's
    // position is read here, so no such member is overwritten with a control's old text.
    CDataExchange dx(*this, true);
    dx.SliderPos(IDC_ALPHA, m_nAlpha);
    SetWindowAlpha(m_hWnd, m_nAlpha);
    unsigned kind = message - WM_CTLCOLORMSGBOX;
    return HasWhiteBackground(kind) ? static_cast<HBRUSH>(m_brushBack) : standard;
}

void CVornaDlg::SetWindowAlpha(HWND window, int alpha) {
    // Written only when the bit is missing: an unchanged style, written again, still goes
    // through the style-change messages and the window system, on every colour request.
    LONG style = ::GetWindowLongA(window, GWL_EXSTYLE);
    if (!(style & WS_EX_LAYERED))
        ::SetWindowLongA(window, GWL_EXSTYLE, style | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(window, 0, static_cast<BYTE>(alpha & 0xFF), LWA_ALPHA);
}

void CVornaDlg::OnLButtonDown(LPARAM lParam) {
    // A press on a free spot acts as a press on a title bar, which the window lacks.
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ClientToScreen(m_hWnd, &point);
    Post(WM_NCLBUTTONDOWN, HTCAPTION, ScreenPointParam(point));
}

bool CVornaDlg::OnPaint() {
    if (!IsIconic())
        return false;
    CPaintDC dc(m_hWnd);
    Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    int iconWidth = ::GetSystemMetrics(SM_CXICON);
    int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client = GetClientRect();
    int x = IconOffset(client.right - client.left, iconWidth);
    int y = IconOffset(client.bottom - client.top, iconHeight);
    ::DrawIcon(dc, x, y, m_hIcon);
    return true;
}

bool CVornaDlg::OnSysCommand(WPARAM command) {
    if ((command & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        return true;
    }
    return false;
}

// Runs before the default processing of WM_DESTROY. Every way out (Esc, the close hotkey,
// WM_CLOSE from outside) destroys the window: leaving the chain here keeps the viewers after
// this one receiving notices. The hotkeys lapse with the window.
void CVornaDlg::OnDestroy() {
    SavePlacement();
    m_clipboardViewer.Leave();
    UnmarkRunningCopy(m_hWnd);
    m_trayIcon.Remove();
}

// ---- The other dialogs

// Runs the add-entry dialog modally, with no parent; its result does not matter.
void CVornaDlg::OnAdd() {
    CAddDlg dialog;
    dialog.DoModal();
}

// Runs the About dialog modally, with no parent, from the button and from the system menu's
// About item.
void CVornaDlg::OnAbout() {
    CAboutDlg dlg;
    dlg.DoModal();
}

// ---- Clipboard watch

void CVornaDlg::OnDrawClipboard(WPARAM wParam, LPARAM lParam) {
    if (m_bShown) {
        std::optional<std::string> text;
        {
            CClipboard clipboard(m_hWnd);
            // Held open by another program: this change is missed, never waited for.
            if (clipboard.IsOpen())
                text = ClipboardText(m_shownEncoding);
        }
        if (text) {
            m_strKeyword = std::move(*text);
            WriteControls();
            OnSearch();
        }
    }
    m_clipboardViewer.PassOn(wParam, lParam);
}

} // namespace vorna
