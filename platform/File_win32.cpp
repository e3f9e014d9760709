// The file object's system calls on Windows: wide paths (converted from UTF-8) and share modes
// that every opener, in this process or another, has to respect: none for the exclusive
// modes, reading for readers that share.
#include "platform/File.h"

#include <windows.h>

#include <climits>

namespace vorna {

namespace {

HANDLE Handle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// An invalid UTF-8 path gives an empty result, which no call accepts.
std::wstring Widen(const std::string& utf8) {
    if (utf8.empty() || utf8.size() > static_cast<std::size_t>(INT_MAX))
        return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                        &wide[0], n);
    // An embedded NUL would silently shorten the name the system sees.
    if (wide.find(L'\0') != std::wstring::npos)
        return std::wstring();
    return wide;
}

FileErrorKind KindOf(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return FileErrorKind::missing;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return FileErrorKind::noPermission;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return FileErrorKind::inUse;
    default:
        return FileErrorKind::failed;
    }
}

FileError ErrorOf(DWORD code) {
    return FileError{KindOf(code), static_cast<int>(code)};
}

} // namespace

std::string SystemErrorText(int systemCode) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(systemCode), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide(text ? text : L"", n);
    LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ' ||
                             wide.back() == L'.' || wide.back() == L'\x3002'))
        wide.pop_back();
    if (wide.empty())
        return "system error " + std::to_string(systemCode);
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], size,
                            nullptr, nullptr);
    return utf8;
}

bool CFile::GetStatus(const std::string& path) {
    std::wstring wide = Widen(path);
    if (wide.empty())
        return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) != 0;
}

bool CFile::OpenDirect(const std::string& path, unsigned flags) {
    const DWORD access = flags == modeReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    const DWORD share = (flags & shareDenyWrite) ? FILE_SHARE_READ : 0;
    std::wstring wide = Widen(path);
    if (wide.empty()) {
        m_error = ErrorOf(ERROR_INVALID_NAME);
        return false;
    }
    HANDLE h = CreateFileW(wide.c_str(), access, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        m_error = ErrorOf(code);
        // A folder is refused as "access denied"; say what it really is.
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY))
            m_error.kind = FileErrorKind::notPlainFile;
        return false;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        m_error = FileError{FileErrorKind::notPlainFile, 0};
        return false;
    }
    m_handle = reinterpret_cast<std::intptr_t>(h);
    return true;
}

std::size_t CFile::ReadDirect(void* buffer, std::size_t count, bool* failed) {
    // One call reads at most what a DWORD can count; callers loop until 0 anyway.
    DWORD want = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
    DWORD got = 0;
    if (!ReadFile(Handle(m_handle), buffer, want, &got, nullptr)) {
        m_error = ErrorOf(::GetLastError());
        if (failed)
            *failed = true;
        return 0;
    }
    return got;
}

bool CFile::GetLength(std::uint64_t* length) const {
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(Handle(m_handle), &size) || size.QuadPart < 0)
        return false;
    *length = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

bool CFile::SeekToEndDirect(std::uint64_t* length) {
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER pos;
    if (!SetFilePointerEx(Handle(m_handle), zero, &pos, FILE_END))
        return false;
    if (length)
        *length = static_cast<std::uint64_t>(pos.QuadPart);
    return true;
}

std::size_t CFile::Append(const void* buffer, std::size_t count) {
    if (!IsOpen() || m_bReadOnly) {
        m_error = ErrorOf(ERROR_INVALID_HANDLE);
        return 0;
    }
    const char* p = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        std::size_t rest = count - done;
        DWORD want = rest > 0x40000000u ? 0x40000000u : static_cast<DWORD>(rest);
        // The offset 0xFFFFFFFF:0xFFFFFFFF writes at the end of the file as the system sees it
        // at that moment, the same as a handle opened for FILE_APPEND_DATA only; the handle
        // keeps the write access that cutting back a failed append needs.
        OVERLAPPED atEnd = {};
        atEnd.Offset = 0xFFFFFFFFu;
        atEnd.OffsetHigh = 0xFFFFFFFFu;
        DWORD put = 0;
        BOOL ok = WriteFile(Handle(m_handle), p + done, want, &put, &atEnd);
        done += put;
        if (!ok) {
            m_error = ErrorOf(::GetLastError());
            break;
        }
        if (put == 0) {
            m_error = ErrorOf(ERROR_DISK_FULL);
            break;
        }
    }
    return done;
}

bool CFile::Flush() {
    if (!IsOpen()) {
        m_error = ErrorOf(ERROR_INVALID_HANDLE);
        return false;
    }
    if (FlushFileBuffers(Handle(m_handle)))
        return true;
    m_error = ErrorOf(::GetLastError());
    return false;
}

bool CFile::SetLength(std::uint64_t length) {
    if (!IsOpen() || length > static_cast<std::uint64_t>(LLONG_MAX))
        return false;
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(length);
    if (SetFilePointerEx(Handle(m_handle), pos, nullptr, FILE_BEGIN) &&
        SetEndOfFile(Handle(m_handle)))
        return true;
    m_error = ErrorOf(::GetLastError());
    return false;
}

void CFile::CloseDirect() {
    CloseHandle(Handle(m_handle));
}

} // namespace vorna
