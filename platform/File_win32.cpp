// The file object's system calls on Windows: wide paths (converted from UTF-8) and share
// mode 0, so no other opener, in this process or another, can use the file while it is open.
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

} // namespace

bool CFile::GetStatus(const std::string& path) {
    std::wstring wide = Widen(path);
    if (wide.empty())
        return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) != 0;
}

bool CFile::OpenDirect(const std::string& path, unsigned flags) {
    const DWORD access = flags == modeReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    std::wstring wide = Widen(path);
    if (wide.empty())
        return false;
    HANDLE h = CreateFileW(wide.c_str(), access, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
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

std::size_t CFile::Write(const void* buffer, std::size_t count) {
    if (!IsOpen())
        return 0;
    const char* p = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        std::size_t rest = count - done;
        DWORD want = rest > 0x40000000u ? 0x40000000u : static_cast<DWORD>(rest);
        DWORD put = 0;
        BOOL ok = WriteFile(Handle(m_handle), p + done, want, &put, nullptr);
        done += put;
        if (!ok || put == 0)
            break;
    }
    return done;
}

bool CFile::SetLength(std::uint64_t length) {
    if (!IsOpen() || length > static_cast<std::uint64_t>(LLONG_MAX))
        return false;
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(length);
    return SetFilePointerEx(Handle(m_handle), pos, nullptr, FILE_BEGIN) &&
           SetEndOfFile(Handle(m_handle));
}

void CFile::CloseDirect() {
    CloseHandle(Handle(m_handle));
}

} // namespace vorna
