#include "ui/AddDlg.h"

#include "io/Append.h"
#include "knowledge/EntryFile.h"
#include "platform/FileDialog.h"
#include "res/resource.h"
#include "ui/Texts.h"

#include <commdlg.h>

#include <utility>

namespace vorna {

CAddDlg::CAddDlg(HWND parent) : CDialog(IDD_ADD_DIALOG, parent) {}

CAddDlg::~CAddDlg() = default;

void CAddDlg::DoDataExchange(CDataExchange& dx) {
    dx.Control(IDC_QUESTION, m_editQuestion);
    dx.TextUtf8(IDC_SAVE_PATH, m_strSavePath);
    dx.TextStrict(IDC_ANSWER, m_strAnswer, m_textEncoding);
    dx.TextStrict(IDC_QUESTION, m_strQuestion, m_textEncoding);
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
    CFileDialog dialog(true, nullptr, nullptr, OFN_HIDEREADONLY, texts::kEntryFileFilter);
    if (dialog.DoModal() != IDOK)
        return;
    m_strSavePath = dialog.GetPathName();
    if (!CFile::GetStatus(m_strSavePath)) {
        ShowMessageBox(texts::kFileMissing);
        return;
    }
    m_fileTarget.Close();
    // A file whose bytes cannot be read is refused too: appended to blind, it could end up in
    // two encodings.
    if (!m_fileTarget.Open(m_strSavePath, CFile::modeReadWrite) ||
        !ReadFileEncoding(m_fileTarget, m_targetEncoding).Ok()) {
        m_fileTarget.Close();
        ShowMessageBox(texts::kTargetCannotOpen);
        return;
    }
    UseTextEncoding(m_targetEncoding.encoding == Encoding::cp936 ? Encoding::system
                                                                 : Encoding::utf8);
    WriteControls();
}

// The texts kept from an unsuccessful save move over to the new target's encoding. A box
// that still shows what was read from it is read again, so that a character the old encoding
// could not hold (now a "?" in the text) is not lost with the move.
void CAddDlg::UseTextEncoding(Encoding encoding) {
    if (encoding == m_textEncoding)
        return;
    for (const auto& [id, text] :
         {std::pair{IDC_QUESTION, &m_strQuestion}, std::pair{IDC_ANSWER, &m_strAnswer}}) {
        const std::wstring shown = WindowTextWide(GetItem(id));
        *text = FromWide(shown, m_textEncoding).text == *text
                    ? FromWide(shown, encoding).text
                    : Convert(*text, m_textEncoding, encoding).text;
    }
    m_textEncoding = encoding;
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
        ShowMessageBox(texts::kUnconvertible);
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
        ShowMessageBox(texts::kNoTarget);
        return FALSE;
    }
    // The texts convert whole (OnSave saw to it), so the record does too.
    const std::string record = MakeRecordIn(m_targetEncoding, question, answer).text;
    switch (AppendWhole(m_fileTarget, record).status) {
    case FileStatus::ok:
        return TRUE;
    case FileStatus::restoreFailed:
        ShowMessageBox(texts::kSaveFailedPartly);
        return FALSE;
    case FileStatus::otherWriter:
        ShowMessageBox(texts::kSaveFailedOtherWriter);
        return FALSE;
    default:
        break;
    }
    ShowMessageBox(texts::kSaveFailed);
    return FALSE;
}

} // namespace vorna
