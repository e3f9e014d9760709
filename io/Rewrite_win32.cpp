// The rewrite's system calls on Windows: a new file created beside the old one, flushed with
// FlushFileBuffers, and put in its place by MoveFileExW, which replaces the old file and
// returns only when the move is on the disk.
#include "io/RewriteSystem.h"

#include "text/Convert.h"

#include <windows.h>

namespace vorna::detail {

namespace {

std::wstring Widen(const std::string& utf8) {
    Converted<std::wstring> wide = ToWide(utf8, Encoding::utf8);
    if (!wide.ok || wide.text.find(L'\0') != std::wstring::npos)
        return std::wstring();
    return std::move(wide.text);
}

int LastError() {
    return static_cast<int>(::GetLastError());
}

} // namespace

const bool kReplacesOpenFile = false;

bool IsSharingFailure(int code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_ACCESS_DENIED;
}

std::string ResolvedPath(const std::string& path) {
    return path;
}

bool MayWrite(const std::string& path, int& code) {
    const std::wstring wide = Widen(path);
    const DWORD attributes =
        wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        code = LastError();
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        code = ERROR_ACCESS_DENIED;
        return false;
    }
    return true;
}

bool WriteNewFileBeside(const std::string& beside, std::string_view bytes, std::string& name,
                        int& code) {
    const std::wstring wide = Widen(beside);
    if (wide.empty()) {
        code = ERROR_INVALID_NAME;
        return false;
    }
    // A name of this process's own; CREATE_NEW never takes over a file that exists.
    HANDLE h = INVALID_HANDLE_VALUE;
    std::wstring candidate;
    for (unsigned attempt = 0; h == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
        candidate = wide + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(GetTickCount() + attempt) + L".tmp";
        h = CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            code = LastError();
            return false;
        }
    }
    if (h == INVALID_HANDLE_VALUE) {
        code = ERROR_FILE_EXISTS;
        return false;
    }
    bool ok = true;
    while (ok && !bytes.empty()) {
        const DWORD want =
            bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
        DWORD put = 0;
        if (!WriteFile(h, bytes.data(), want, &put, nullptr) || put == 0) {
            code = put == 0 && ::GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL : LastError();
            ok = false;
        }
        bytes.remove_prefix(put);
    }
    if (ok && !FlushFileBuffers(h)) {
        code = LastError();
        ok = false;
    }
    CloseHandle(h);
    if (!ok) {
        DeleteFileW(candidate.c_str());
        return false;
    }
    name = FromWide(candidate, Encoding::utf8).text;
    return true;
}

bool MoveOver(const std::string& from, const std::string& to, int& code, bool& unconfirmed) {
    unconfirmed = false;
    const std::wstring source = Widen(from), target = Widen(to);
    if (source.empty() || target.empty()) {
        code = ERROR_INVALID_NAME;
        return false;
    }
    if (!MoveFileExW(source.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        code = LastError();
        return false;
    }
    return true;
}

void RemoveFile(const std::string& path) {
    const std::wstring wide = Widen(path);
    if (!wide.empty())
        DeleteFileW(wide.c_str());
}

bool LengthOfFile(const std::string& path, std::uint64_t& length) {
    const std::wstring wide = Widen(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
        return false;
    length = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

} // namespace vorna::detail
