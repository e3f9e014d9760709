#pragma once
// The common file-open dialog.
#include <windows.h>

#include <string>
#include <string_view>

namespace vorna {

// "text|pattern|text|pattern||" becomes "text\0pattern\0text\0pattern\0\0".
std::wstring ParseFileFilter(std::wstring_view barSeparated);

class CFileDialog {
public:
    // Texts in UTF-8; nullptr or "" for none. owner nullptr: the dialog running modally.
    CFileDialog(bool openMode, const char* defaultExtension, const char* fileName, DWORD flags,
                const char* filter, HWND owner = nullptr);
    // IDOK or IDCANCEL.
    INT_PTR DoModal();
    // The chosen file's full path in UTF-8 (the file object takes UTF-8 paths).
    std::string GetPathName() const { return m_path; }

private:
    bool m_openMode;
    std::wstring m_defaultExtension;
    std::wstring m_fileName;
    DWORD m_flags;
    std::wstring m_filter;
    HWND m_owner;
    std::string m_path;
};

} // namespace vorna
