#include "platform/FileDialog.h"

#include "platform/App.h"
#include "platform/Dialog.h"
#include "text/Convert.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace vorna {
namespace {

std::wstring WideOrEmpty(const char* utf8) {
    return utf8 ? ToWide(utf8, Encoding::utf8).text : std::wstring();
}

// Room for long paths; the dialog fails rather than cut a longer one.
constexpr std::size_t kPathBuffer = 32768;

} // namespace

std::wstring ParseFileFilter(std::wstring_view barSeparated) {
    std::wstring filter(barSeparated);
    for (wchar_t& c : filter) {
        if (c == L'|')
            c = L'\0';
    }
    return filter;
}

CFileDialog::CFileDialog(bool openMode, const char* defaultExtension, const char* fileName,
                         DWORD flags, const char* filter, HWND owner)
    : m_openMode(openMode), m_defaultExtension(WideOrEmpty(defaultExtension)),
      m_fileName(WideOrEmpty(fileName)), m_flags(flags),
      m_filter(ParseFileFilter(WideOrEmpty(filter))), m_owner(owner) {}

INT_PTR CFileDialog::DoModal() {
    std::vector<wchar_t> file(kPathBuffer, L'\0');
    m_fileName.copy(file.data(), std::min(m_fileName.size(), kPathBuffer - 1));

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = OwnerOrActiveModal(m_owner);
    ofn.hInstance = AppInstance();
    ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str();
    ofn.Flags = m_flags;

    BOOL ok = m_openMode ? ::GetOpenFileNameW(&ofn) : ::GetSaveFileNameW(&ofn);
    if (!ok)
        return IDCANCEL;
    m_path = FromWide(file.data(), Encoding::utf8).text;
    return IDOK;
}

} // namespace vorna
