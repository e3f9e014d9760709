#pragma once
// The main window: search box, result list, question and answer boxes, opacity slider and
// the command buttons. It owns the entry store and the match list.
#include "knowledge/EntryStore.h"
#include "knowledge/Search.h"
#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "platform/Gdi.h"
#include "ui/controls/HyperLink.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorna {

class CVornaDlg : public CDialog {
public:
    CVornaDlg();
    ~CVornaDlg() override;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Entry store and loading.
    bool CheckFile(std::string path, bool report);
    bool LoadFile(const std::string& path, bool report);
    void ShowEntryCount(int count);
    void LoadDefaultFile();
    void OnLoad();

    // Search and result list.
    void OnSearch();
    void AddListLabel(int index);
    void ShowMatchCount(int count);
    void OnSelchangeResults();

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

    // Global hotkeys and show/hide.
    void RegisterHotKeys();
    void RegisterHotKeyThroughControl(int id, WORD virtualKey, std::string_view conflictText);
    void OnHotKey(WPARAM id);
    void ToggleShown();
    void OnHide();

    // Clipboard watch.
    void JoinClipboardChain();
    void OnDrawClipboard(WPARAM wParam, LPARAM lParam);
    std::string ReadClipboardText();
    void OnChangeCbChain(HWND leaving, HWND following);
    void LeaveClipboardChain();

    CBrush m_brushBack;
    // Clear until initialisation has run: a clipboard notice during initialisation is only
    // passed on.
    BOOL m_bShown = FALSE;
    std::vector<std::uint32_t> m_arrMatches;
    // m_store.m_arrQuestions and m_store.m_arrAnswers: entry i at index i of both.
    CEntryStore m_store;
    CTrackBar m_sliderAlpha;
    CHotKeyCtrl m_hotKey;
    CListBox m_listResults;
    std::string m_strAnswer;
    std::string m_strQuestion;
    std::string m_strKeyword;
    int m_nAlpha = 0;
    // Loaded from the resources; the system keeps it, nothing to free.
    HICON m_hIcon = nullptr;
    LeadBytes m_leadBytes;
    // The window after this one in the clipboard viewer chain; none while this one is last.
    HWND m_hNextViewer = nullptr;
};

// The About box: program name, author, the maker's web address as a live link, a notice.
class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;

private:
    CHyperLink m_linkWebsite;
};

} // namespace vorna
