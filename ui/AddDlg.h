#pragma once
// The add-entry dialog: the user chooses an existing entry file, then checks and appends one
// question and answer per "保存". It holds the chosen file open, unshared, until a new choice
// or its own end.
#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "io/File.h"
#include "text/FileEncoding.h"

#include <windows.h>

#include <string>

namespace vorna {

class CAddDlg : public CDialog {
public:
    // parent nullptr: the dialog that runs modally when it starts becomes its owner.
    explicit CAddDlg(HWND parent = nullptr);
    // Destroying m_fileTarget closes the target file: the only place it is closed at the end.
    ~CAddDlg() override;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnChoose();
    void UseTextEncoding(Encoding encoding);
    void OnSave();
    void SelectUnconvertible(const TextFault& fault);
    BOOL AppendRecord(std::string question, std::string answer);

    CFile m_fileTarget;
    // The target's encoding, decided when it is chosen; an empty file is code page 936.
    FileEncoding m_targetEncoding;
    // The encoding of the texts below: the ANSI code page's for a code page 936 target, as
    // always, else UTF-8 (turned into UTF-16 as the record is made, for a UTF-16 target).
    Encoding m_textEncoding = Encoding::system;
    CEdit m_editQuestion;
    // UTF-8, shown through the wide APIs so any file name shows as it is.
    std::string m_strSavePath;
    // Bytes in m_textEncoding; the boxes are read as Unicode and saved only when they convert
    // whole.
    std::string m_strAnswer;
    std::string m_strQuestion;
};

} // namespace vorna
