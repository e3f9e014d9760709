#include "ui/options/OptionsFile.h"

#include "text/Convert.h"

#include <windows.h>

#include <shlobj.h>

#include <cstring>
#include <vector>

namespace vorna {
namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr char kUtf16Mark[] = "\xFF\xFE";
// Far more than a settings file ever holds: a bigger one is not read into memory.
constexpr DWORD kLargestFile = 1 << 20;

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : m_h(h) {}
    ~FileHandle() {
        if (m_h != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_h);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    operator HANDLE() const { return m_h; }
    bool Ok() const { return m_h != INVALID_HANDLE_VALUE; }
    void Close() {
        if (m_h != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_h);
        m_h = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_h;
};

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

OptionsFileText Decode(const std::string& bytes) {
    OptionsFileText file;
    if (bytes.compare(0, 2, kUtf16Mark) == 0) {
        file.form = OptionsFileText::Form::utf16;
        if (bytes.size() % 2 != 0) {
            file.readable = false;
            return file;
        }
        std::wstring wide((bytes.size() - 2) / 2, L'\0');
        std::memcpy(wide.data(), bytes.data() + 2, wide.size() * sizeof(wchar_t));
        Converted<std::string> utf8 = FromWide(wide, Encoding::utf8);
        file.readable = utf8.ok;
        file.text = utf8.ok ? std::move(utf8.text) : std::string();
        return file;
    }
    if (bytes.compare(0, 3, kUtf8Mark) == 0) {
        file.form = OptionsFileText::Form::utf8Marked;
        file.text = bytes.substr(3);
    } else if (ToWide(bytes, Encoding::utf8).ok) {
        file.text = bytes;
    } else {
        file.form = OptionsFileText::Form::system;
        file.text = Convert(bytes, Encoding::system, Encoding::utf8).text;
    }
    return file;
}

std::string Encode(const OptionsFileText& file) {
    switch (file.form) {
    case OptionsFileText::Form::utf16: {
        const std::wstring wide = ToWide(file.text, Encoding::utf8).text;
        std::string bytes(kUtf16Mark);
        bytes.append(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
        return bytes;
    }
    case OptionsFileText::Form::utf8Marked:
        return kUtf8Mark + file.text;
    case OptionsFileText::Form::utf8:
    case OptionsFileText::Form::system:
        break;
    }
    return file.text;
}

} // namespace

std::wstring OptionsFilePath() {
    std::wstring folder;
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            ::GetEnvironmentVariableW(L"APPDATA", buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) {
            folder.assign(buffer.data(), n);
            break;
        }
        buffer.resize(n);
    }
    if (folder.empty()) {
        PWSTR known = nullptr;
        if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known)))
            folder = known;
        ::CoTaskMemFree(known);
    }
    if (folder.empty())
        return {};
    if (folder.back() != L'\\' && folder.back() != L'/')
        folder += L'\\';
    return folder + L"Lirel\\Lirel.ini";
}

OptionsFileText ReadOptionsFile(const std::wstring& path) {
    FileHandle h(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    OptionsFileText unreadable;
    unreadable.readable = false;
    if (!h.Ok()) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return OptionsFileText{};
        return unreadable;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(h, &size) || size.QuadPart > kLargestFile)
        return unreadable;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!::ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
        return unreadable;
    return Decode(bytes);
}

bool WriteOptionsFile(const std::wstring& path, const OptionsFileText& file) {
    const std::wstring folder = FolderOf(path);
    if (folder.empty())
        return false;
    if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    const std::string bytes = Encode(file);
    const std::wstring fresh = path + L".new";
    FileHandle h(::CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Ok())
        return false;
    DWORD written = 0;
    const bool ok =
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size() && ::FlushFileBuffers(h);
    h.Close();
    if (!ok || !::MoveFileExW(fresh.c_str(), path.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(fresh.c_str());
        return false;
    }
    return true;
}

} // namespace vorna
