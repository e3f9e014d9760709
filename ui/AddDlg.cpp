#include "ui/AddDlg.h"

#include "io/Append.h"
#include "knowledge/EntryFile.h"
#include "platform/FileDialog.h"
#include "res/resource.h"

#include <commdlg.h>

namespace vorna {
namespace {

constexpr char kEntryFileFilter[] = "辅助文件(*.vendu)|*.vendu||";

constexpr char kFileMissing[] = "该文件不存在！";
constexpr char kCannotOpen[] = "该文件无法打开或写入！";
// A character the entry file's code page cannot hold would be saved as "?".
constexpr char kUnconvertible[] = "问题或回答中有无法保存的字符，请删除后重试！";
constexpr char kNoTarget[] = "保存路径有问题，请重新确认！";
// A failed append is undone, so the user may simply try again once there is room.
constexpr char kSaveFailed[] = "保存失败，文件未被修改，请检查磁盘空间后重试！";
// The undo itself failed: the user should know the file's end may need a look.
constexpr char kSaveFailedPartly[] = "保存失败，文件末尾可能留有不完整的内容，请检查该文件！";
// Another program wrote to the file beside the failed save, so nothing was cut back.
constexpr char kSaveFailedOtherWriter[] =
    "保存失败，文件同时被其他程序改动，请检查文件末尾的内容！";

} // namespace

CAddDlg::CAddDlg(HWND parent) : CDialog(IDD_ADD_DIALOG, parent) {}

CAddDlg::~CAddDlg() = default;

void CAddDlg::DoDataExchange(CDataExchange& dx) {
    dx.Control(IDC_QUESTION, m_editQuestion);
    dx.TextUtf8(IDC_SAVE_PATH, m_strSavePath);
    dx.TextStrict(IDC_ANSWER, m_strAnswer);
    dx.TextStrict(IDC_QUESTION, m_strQuestion);
}

bool CAddDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND:
        switch (wParam) {
        case Notify(IDC_CHOOSE, BN_CLICKED):
            OnChoose();
            return true;
        case Notify(IDC_SAVE, BN_CLICKED):
            OnSave();
            return true;
        }
        break;
    }
    return CDialog::OnMessage(message, wParam, lParam, result);
}

void CAddDlg::OnChoose() {
    CFileDialog dialog(true, nullptr, nullptr, OFN_HIDEREADONLY, kEntryFileFilter);
    if (dialog.DoModal() != IDOK)
        return;
    m_strSavePath = dialog.GetPathName();
    if (!CFile::GetStatus(m_strSavePath)) {
        ShowMessageBox(kFileMissing);
        return;
    }
    m_fileTarget.Close();
    if (!m_fileTarget.Open(m_strSavePath, CFile::modeReadWrite)) {
        ShowMessageBox(kCannotOpen);
        return;
    }
    WriteControls();
}

void CAddDlg::OnSave() {
    const std::optional<TextFault> unconvertible = ReadControls();
    const EntryCheck check = CheckNewEntry(m_strQuestion, m_strAnswer);
    if (check != EntryCheck::ok) {
        ShowMessageBox(EntryCheckMessage(check));
        return;
    }
    if (unconvertible) {
        SelectUnconvertible(*unconvertible);
        ShowMessageBox(kUnconvertible);
        return;
    }
    if (!AppendRecord(m_strQuestion, m_strAnswer))
        return;
    m_strQuestion.clear();
    m_strAnswer.clear();
    m_editQuestion.Focus();
    WriteControls();
}

// The box and the character to delete, selected, so the user need not look for it; the focus
// comes back to it when the message is closed.
void CAddDlg::SelectUnconvertible(const TextFault& fault) {
    HWND box = GetItem(fault.controlId);
    ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
    ::SendMessageW(box, EM_SETSEL, fault.error.offset, fault.error.offset + fault.error.length);
    ::SendMessageW(box, EM_SCROLLCARET, 0, 0);
}

BOOL CAddDlg::AppendRecord(std::string question, std::string answer) {
    if (!m_fileTarget.IsOpen()) {
        ShowMessageBox(kNoTarget);
        return FALSE;
    }
    switch (AppendWhole(m_fileTarget, MakeRecord(question, answer)).status) {
    case FileStatus::ok:
        return TRUE;
    case FileStatus::restoreFailed:
        ShowMessageBox(kSaveFailedPartly);
        return FALSE;
    case FileStatus::otherWriter:
        ShowMessageBox(kSaveFailedOtherWriter);
        return FALSE;
    default:
        break;
    }
    ShowMessageBox(kSaveFailed);
    return FALSE;
}

} // namespace vorna
