// The file object's system calls on Windows: wide paths (converted from UTF-8) and share modes
// that every opener, in this process or another, has to respect: none for the exclusive
// modes, reading for readers that share.
#include "io/File.h"

#include "text/Convert.h"

#include <windows.h>

namespace vorna {

namespace {

HANDLE Handle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// An invalid UTF-8 path gives an empty result, which no call accepts.
std::wstring Widen(const std::string& utf8) {
    Converted<std::wstring> wide = ToWide(utf8, Encoding::utf8);
    // An embedded NUL would silently shorten the name the system sees.
    if (!wide.ok || wide.text.find(L'\0') != std::wstring::npos)
        return std::wstring();
    return std::move(wide.text);
}

} // namespace

const int CFile::kNotOpenCode = ERROR_INVALID_HANDLE;
const int CFile::kDiskFullCode = ERROR_DISK_FULL;

FileResult CFile::CreateEmpty(const std::string& path) {
    FileResult result;
    const HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD code = ::GetLastError();
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
    } else if (code != ERROR_FILE_EXISTS) {
        result.systemCode = static_cast<int>(code);
        result.status = OpenFailure(result.systemCode, modeReadWrite);
    }
    return result;
}

FileStatus CFile::OpenFailure(int code, unsigned flags) {
    switch (static_cast<DWORD>(code)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return FileStatus::missing;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return flags == modeReadWrite ? FileStatus::noWritePermission
                                      : FileStatus::noReadPermission;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return FileStatus::inUse;
    default:
        return FileStatus::openFailed;
    }
}

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
    return FromWide(wide, Encoding::utf8).text;
}

bool MayFitInMemory(std::uint64_t bytes) {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return true;
    return bytes <= status.ullTotalPageFile && bytes <= status.ullTotalVirtual;
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
    const DWORD share = (flags & shareDenyNone)
                            ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
                        : (flags & shareDenyWrite) ? FILE_SHARE_READ
                                                   : 0;
    std::wstring wide = Widen(path);
    if (wide.empty()) {
        Fail(OpenFailure(ERROR_INVALID_NAME, flags), ERROR_INVALID_NAME);
        return false;
    }
    HANDLE h = CreateFileW(wide.c_str(), access, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        Fail(OpenFailure(static_cast<int>(code), flags), static_cast<int>(code));
        // A folder is refused as "access denied"; say what it really is.
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY))
            m_error.status = FileStatus::notPlainFile;
        return false;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        Fail(FileStatus::notPlainFile, 0);
        return false;
    }
    m_handle = reinterpret_cast<std::intptr_t>(h);
    return true;
}

std::size_t CFile::ReadDirect(void* buffer, std::size_t count, bool* failed) {
    // One call reads at most what a DWORD can count; callers loop until 0 anyway.
    DWORD want = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
    if (want >= kReadAhead) {
        // Takes each fresh page of a large buffer in with one write: Wine's read checks the
        // buffer by reading and then writing each page, which costs two page faults a page.
        char* p = static_cast<char*>(buffer);
        char* const end = p + want;
        while (p < end) {
            *p = 0;
            p = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(p) | 4095) + 1);
        }
    }
    DWORD got = 0;
    if (!ReadFile(Handle(m_handle), buffer, want, &got, nullptr)) {
        Fail(FileStatus::readFailed, static_cast<int>(::GetLastError()));
        if (failed)
            *failed = true;
        return 0;
    }
    return got;
}

// Through an OVERLAPPED offset; on a handle opened for plain reads the call still waits. It
// moves the position as well, so a file is read either with ReadAt or with Read, not both.
std::size_t CFile::ReadAtDirect(std::uint64_t offset, void* buffer, std::size_t count,
                                bool* failed) {
    const DWORD want = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(Handle(m_handle), buffer, want, &got, &at) &&
        ::GetLastError() != ERROR_HANDLE_EOF) {
        Fail(FileStatus::readFailed, static_cast<int>(::GetLastError()));
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

bool CFile::GetStamp(FileStamp* stamp) const {
    BY_HANDLE_FILE_INFORMATION info;
    if (!IsOpen() || !GetFileInformationByHandle(Handle(m_handle), &info))
        return false;
    stamp->length = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp->modified = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
        info.ftLastWriteTime.dwLowDateTime);
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

bool CFile::WriteAtEndDirect(const char* buffer, std::size_t count, std::size_t& put) {
    // One call writes at most what a DWORD can count; Append loops for the rest.
    const DWORD want = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
    // The offset 0xFFFFFFFF:0xFFFFFFFF writes at the end of the file as the system sees it at
    // that moment, the same as a handle opened for FILE_APPEND_DATA only; the handle keeps the
    // write access that cutting back a failed append needs.
    OVERLAPPED atEnd = {};
    atEnd.Offset = 0xFFFFFFFFu;
    atEnd.OffsetHigh = 0xFFFFFFFFu;
    DWORD written = 0;
    const BOOL ok = WriteFile(Handle(m_handle), buffer, want, &written, &atEnd);
    put = written;
    if (!ok)
        Fail(FileStatus::writeFailed, static_cast<int>(::GetLastError()));
    return ok != FALSE;
}

bool CFile::FlushDirect() {
    if (FlushFileBuffers(Handle(m_handle)))
        return true;
    Fail(FileStatus::writeFailed, static_cast<int>(::GetLastError()));
    return false;
}

bool CFile::SetLengthDirect(std::uint64_t length) {
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(length);
    if (SetFilePointerEx(Handle(m_handle), pos, nullptr, FILE_BEGIN) &&
        SetEndOfFile(Handle(m_handle)))
        return true;
    Fail(FileStatus::writeFailed, static_cast<int>(::GetLastError()));
    return false;
}

// No other program that keeps to the share modes can open the file while it is held alone.
bool CFile::CutBack(std::uint64_t expected, std::uint64_t length, bool& otherWriter) {
    std::uint64_t now = 0;
    bool ok = GetLength(&now);
    otherWriter = ok && now != expected;
    return ok && !otherWriter && SetLength(length) && GetLength(&now) && now == length;
}

void CFile::CloseDirect() {
    CloseHandle(Handle(m_handle));
}

} // namespace vorna
