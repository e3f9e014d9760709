#pragma once
// The main window: search box, result list, question and answer boxes, opacity slider and
// the command buttons. It owns the entry store and the match list.
#include "knowledge/EntryStore.h"
#include "platform/ClipboardViewer.h"
#include "platform/CommandLine.h"
#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "platform/Gdi.h"
#include "text/CodePage.h"
#include "text/Convert.h"
#include "ui/ShownText.h"
#include "ui/FolderWatch.h"
#include "ui/OptionsStore.h"
#include "ui/TrayIcon.h"
#include "ui/controls/TextBox.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorna {

class CVornaDlg : public CDialog {
public:
    // Posted by the watch of the loaded file when it changed.
    static constexpr UINT kLoadedFileChanged = WM_APP + 3;

    // startFile (UTF-8, a full path): loaded at start-up in place of the default entry file,
    // as Load... loads a file.
    explicit CVornaDlg(std::optional<std::string> startFile = std::nullopt);
    ~CVornaDlg() override;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnIdle() override;

public:
    bool PreTranslateMessage(MSG* msg) override;

private:
    // Entry store and loading.
    bool CheckFile(std::string path, bool report);
    bool LoadFile(const std::string& path, bool report);
    void ShowEntryCount(int count);
    void UseShownEncoding(Encoding encoding);
    void LoadDefaultFile();
    void OnLoad();
    // Load... for a path that did not come from the file-open dialog.
    void LoadFileAsChosen(const std::string& path);

    // Search and result list (VornaDlgSearch.cpp).
    void OnSearch();
    // The search for keyword, as OnSearch runs it after reading the controls; the focus goes
    // to the list only when focusList is set. The list shows its first screen at once and
    // gets the rest a piece at a time while no input waits (OnIdle).
    void RunSearch(std::string keyword, bool focusList);
    // Adds lines of the match list to the result list: at least atLeast of them, then more
    // until a piece's time is up or (watchInput) input waits. Answers whether lines are left.
    bool ListPiece(std::size_t atLeast, bool watchInput);
    void ReserveListRoom(std::size_t lines);
    // Lists every line left: what is listed must belong to the store it was found in.
    void FinishListing();
    // Empties the result list for a search. A list of many lines is not emptied while the user
    // waits: an empty one takes its place at once, and the old one, hidden, is emptied a piece
    // at a time while no input waits (EmptyOldListPiece) and then destroyed.
    void EmptyResultList();
    bool EmptyOldListPiece();
    void AddListLabel(int index);
    void ShowMatchCount(int count);
    void OnSelchangeResults();
    // SearchAsYouType: the search box's text changed.
    void OnKeywordChanged();
    void SearchAsTyped();

    // Window behaviour.
    HBRUSH OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam);
    void SetWindowAlpha(HWND window, int alpha);
    void OnLButtonDown(LPARAM lParam);
    bool OnPaint();
    bool OnSysCommand(WPARAM command);
    void OnDestroy();
    void AddAboutMenuItem();

    // The other dialogs.
    void OnAdd();
    void OnAbout();

    // Global hotkeys and show/hide (VornaDlgHotKeys.cpp).
    void RegisterHotKeys();
    void RegisterOneHotKey(int id);
    bool RegisterHotKeyThroughControl(int id, WORD virtualKey);
    void ApplyHotKeys(const Options& before);
    void OnHotKey(WPARAM id);
    void ToggleShown();
    void OnHide();
    // Shows a hidden window as hotkey 100 does, and brings it (or the dialog it waits for)
    // to the front.
    void ShowAndActivate();

    // The options of Lirel.ini (VornaDlgOptions.cpp): the options dialog and what it changes,
    // the window's place kept between runs, the watch of the loaded file.
    void OnOptions();
    void RestorePlacement();
    void SavePlacement();
    // After every load of path: the file the watch follows.
    void FollowLoadedFile(const std::string& path);
    void WatchLoadedFile();
    void OnLoadedFileChanged();

    // Files handed over by copies started later, and the notification-area icon.
    // Posted to itself by a hand-over, so that the other copy is answered at once and ends,
    // whatever the load then shows.
    static constexpr UINT kLoadHandedFile = WM_APP + 2;
    bool OnCopyData(const COPYDATASTRUCT* data);
    void OnHandedFile();
    void OnNotifyIcon(LPARAM mouseMessage);

    // Clipboard watch.
    void OnDrawClipboard(WPARAM wParam, LPARAM lParam);

    CBrush m_brushBack;
    // Clear until initialisation has run: a clipboard notice during initialisation is only
    // passed on.
    BOOL m_bShown = FALSE;
    std::vector<std::uint32_t> m_arrMatches;
    // How many of the matches the result list holds; the rest is listed while no input waits.
    std::size_t m_nListed = 0;
    // How many lines the result list has room reserved for.
    std::size_t m_nListRoom = 0;
    // The keyword of the last search (in m_shownEncoding), none before the first.
    std::optional<std::string> m_strSearched;
    // The user changed the search box's text and the search for it has not run yet: it runs
    // once the keys typed meanwhile are in, or before any other input.
    bool m_bTypedSearchDue = false;
    // m_store.m_arrQuestions and m_store.m_arrAnswers: entry i at index i of both.
    CEntryStore m_store;
    CTrackBar m_sliderAlpha;
    CHotKeyCtrl m_hotKey;
    CListBox m_listResults;
    // Result lists that a search replaced, hidden, still to be emptied and destroyed.
    std::vector<HWND> m_arrOldLists;
    CTextBox m_boxQuestion;
    CTextBox m_boxAnswer;
    // The shown match's texts as the boxes show them (CShownText::BoxText).
    std::string m_strAnswer;
    std::string m_strQuestion;
    std::string m_strKeyword;
    int m_nAlpha = 0;
    // Loaded from the resources; the system keeps it, nothing to free.
    HICON m_hIcon = nullptr;
    // The encoding of m_strAnswer, m_strQuestion, m_strKeyword and the list's lines: the
    // store's texts' own (UTF-8), or for a store in code page 936 the ANSI code page's.
    Encoding m_shownEncoding = Encoding::system;
    // The keyword's lead bytes in that encoding.
    LeadBytes m_leadBytes;
    // How much of an entry the list and the boxes show, cut as the store's encoding allows.
    CShownText m_shown;
    CClipboardViewer m_clipboardViewer;
    // Read from Lirel.ini before the window is made.
    COptionsStore m_options;
    // The current directory at start-up, where super.vendu was looked for: the folder a start
    // with Windows starts in.
    std::wstring m_strStartFolder = CurrentFolder();
    // The file loaded last, and its watch while ReloadOnChange is on.
    std::string m_strLoadedFile;
    CFolderWatch m_watchLoaded;
    // Loaded at start-up in place of the default entry file.
    std::optional<std::string> m_strStartFile;
    // The newest file handed over and not loaded yet; a load of one runs at a time.
    std::optional<std::string> m_strHandedFile;
    bool m_bLoadingHanded = false;
    CTrayIcon m_trayIcon;
};

} // namespace vorna
