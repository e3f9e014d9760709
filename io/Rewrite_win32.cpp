// The rewrite's system calls on Windows: a new file created beside the old one with its
// attributes, access rules and streams, flushed with FlushFileBuffers, and put in its place by
// MoveFileExW, which replaces the old file in one step and returns only when the move is on
// the disk; hard links for the old file's second name.
#include "io/RewriteSystem.h"

#include "text/Convert.h"

#include <windows.h>

#include <aclapi.h>

#include <cstring>

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

// Wine shows a file's POSIX permissions as access rules, and gives rules set on a file a mode
// of its own choosing (0600 came back as 0775): there the new file keeps a new file's mode.
bool RulesStandForModes() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The old file's access rules go to the new one where they differ from what it got on its
// own (the folder's, inherited as by any new file there): a rename keeps the new file's own.
// Where they cannot be read or set, the new file keeps the folder's.
void CopySecurity(const std::wstring& from, HANDLE to) {
    if (RulesStandForModes())
        return;
    PACL dacl = nullptr, own = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr, ownDescriptor = nullptr;
    SECURITY_DESCRIPTOR_CONTROL control = 0, ownControl = 0;
    DWORD revision = 0;
    if (GetNamedSecurityInfoW(from.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) == ERROR_SUCCESS &&
        GetSecurityInfo(to, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &own,
                        nullptr, &ownDescriptor) == ERROR_SUCCESS &&
        GetSecurityDescriptorControl(descriptor, &control, &revision) &&
        GetSecurityDescriptorControl(ownDescriptor, &ownControl, &revision)) {
        const bool same = (control & SE_DACL_PROTECTED) == (ownControl & SE_DACL_PROTECTED) &&
                          (dacl == nullptr) == (own == nullptr) &&
                          (!dacl || (dacl->AclSize == own->AclSize &&
                                     std::memcmp(dacl, own, dacl->AclSize) == 0));
        if (!same)
            SetSecurityInfo(to, SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION |
                                ((control & SE_DACL_PROTECTED)
                                     ? PROTECTED_DACL_SECURITY_INFORMATION
                                     : UNPROTECTED_DACL_SECURITY_INFORMATION),
                            nullptr, nullptr, dacl, nullptr);
    }
    LocalFree(descriptor);
    LocalFree(ownDescriptor);
}

// The old file's named streams (a download's zone, a program's notes), copied byte for byte.
// A file system without them has none to copy.
bool CopyStreams(const std::wstring& from, const std::wstring& to, int& code) {
    WIN32_FIND_STREAM_DATA stream;
    HANDLE find = FindFirstStreamW(from.c_str(), FindStreamInfoStandard, &stream, 0);
    if (find == INVALID_HANDLE_VALUE)
        return true;
    bool ok = true;
    do {
        const std::wstring name = stream.cStreamName;
        // A stream this process may not read is left behind, rather than keep the file from
        // changing at all.
        HANDLE in = name == L"::$DATA"
                        ? INVALID_HANDLE_VALUE
                        : CreateFileW((from + name).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
        if (in == INVALID_HANDLE_VALUE)
            continue;
        HANDLE out =
            CreateFileW((to + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        char buffer[1 << 14];
        DWORD got = 0, put = 0;
        ok = out != INVALID_HANDLE_VALUE;
        while (ok && ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0)
            ok = WriteFile(out, buffer, got, &put, nullptr) && put == got;
        if (!ok)
            code = LastError();
        CloseHandle(in);
        if (out != INVALID_HANDLE_VALUE)
            CloseHandle(out);
    } while (ok && FindNextStreamW(find, &stream));
    FindClose(find);
    return ok;
}

} // namespace

const bool kReplacesOpenFile = false;

bool IsSharingFailure(int code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_ACCESS_DENIED || code == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// The final path of the file, from a handle opened through every link; where it names another
// file than the path itself (a symbolic link, a junction on the way), that one.
std::string ResolvedPath(const std::string& path) {
    const std::wstring wide = Widen(path);
    if (wide.empty())
        return path;
    HANDLE h = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return path;
    std::wstring named(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h, named.data(), static_cast<DWORD>(named.size()), 0);
    if (n >= named.size()) {
        named.resize(n + 1);
        n = GetFinalPathNameByHandleW(h, named.data(), static_cast<DWORD>(named.size()), 0);
    }
    CloseHandle(h);
    if (n == 0 || n >= named.size())
        return path;
    named.resize(n);
    // \\?\C:\... and \\?\UNC\server\... as usual paths, where they are short enough to be.
    if (named.size() < MAX_PATH && named.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        named = L"\\\\" + named.substr(8);
    else if (named.size() < MAX_PATH && named.compare(0, 4, L"\\\\?\\") == 0)
        named = named.substr(4);
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr);
    if (length > 0 && length < MAX_PATH &&
        CompareStringOrdinal(full, static_cast<int>(length), named.c_str(),
                             static_cast<int>(named.size()), TRUE) == CSTR_EQUAL)
        return path;
    return FromWide(named, Encoding::utf8).text;
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
    // The old file's own attributes (hidden, system...); a name of this process's own, and
    // CREATE_NEW never takes over a file that exists.
    const DWORD old = GetFileAttributesW(wide.c_str());
    const DWORD kept = old == INVALID_FILE_ATTRIBUTES
                           ? 0
                           : old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    const DWORD attributes = kept ? kept : FILE_ATTRIBUTE_NORMAL;
    HANDLE h = INVALID_HANDLE_VALUE;
    std::wstring candidate;
    for (unsigned attempt = 0; h == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
        candidate = wide + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(GetTickCount() + attempt) + L".tmp";
        h = CreateFileW(candidate.c_str(), GENERIC_WRITE | READ_CONTROL | WRITE_DAC, 0, nullptr,
                        CREATE_NEW, attributes, nullptr);
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
    if (ok) {
        CopySecurity(wide, h);
        ok = CopyStreams(wide, candidate, code);
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

bool LinkBeside(const std::string& path, std::string& name, int& code) {
    const std::wstring wide = Widen(path);
    if (wide.empty()) {
        code = ERROR_INVALID_NAME;
        return false;
    }
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::wstring candidate = wide + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(GetTickCount() + attempt) + L".old";
        if (CreateHardLinkW(candidate.c_str(), wide.c_str(), nullptr)) {
            name = FromWide(candidate, Encoding::utf8).text;
            return true;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS && ::GetLastError() != ERROR_FILE_EXISTS) {
            code = LastError();
            return false;
        }
    }
    code = ERROR_FILE_EXISTS;
    return false;
}

// A rename would need the file opened for deleting, which this process's own lock refuses:
// the older file of the name goes first, and the link takes the name. The older file is
// renamed away before it is deleted, since a deleted file that another program holds keeps
// its name until that program lets go.
bool LinkAs(const std::string& path, const std::string& to, int& code) {
    const std::wstring wide = Widen(path), name = Widen(to);
    if (wide.empty() || name.empty()) {
        code = ERROR_INVALID_NAME;
        return false;
    }
    const std::wstring older = name + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                               std::to_wstring(GetTickCount()) + L".old";
    if (MoveFileExW(name.c_str(), older.c_str(), 0))
        DeleteFileW(older.c_str());
    else if (::GetLastError() != ERROR_FILE_NOT_FOUND) {
        code = LastError();
        return false;
    }
    if (CreateHardLinkW(name.c_str(), wide.c_str(), nullptr))
        return true;
    code = LastError();
    return false;
}

// Not ReplaceFileW, which keeps the old file's identity too but goes through a third name:
// for a moment there is no file of the name, and a program that creates the file as it
// appends makes a new one, which then takes the place of the whole old file.
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

namespace {

bool IdentityOfHandle(HANDLE h, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info))
        return false;
    identity =
        FileIdentity{info.dwVolumeSerialNumber,
                     (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

} // namespace

bool IdentityOf(const CFile& file, FileIdentity& identity) {
    return file.IsOpen() &&
           IdentityOfHandle(reinterpret_cast<HANDLE>(file.GetSystemHandle()), identity);
}

// Opened for no access at all, which no share mode of another opener refuses.
bool IdentityOfName(const std::string& path, FileIdentity& identity) {
    const std::wstring wide = Widen(path);
    if (wide.empty())
        return false;
    HANDLE h = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = IdentityOfHandle(h, identity);
    CloseHandle(h);
    return ok;
}

// A new handle of the same file that lets nobody write can be had only while no other handle
// writes to it. Programs outside the system's sharing rules (on another system sharing the
// volume, or beside a compatibility layer) cannot be seen: at best no writer is known.
Writers OtherWriters(const CFile& file) {
    HANDLE h = ReOpenFile(reinterpret_cast<HANDLE>(file.GetSystemHandle()), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_DELETE, 0);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return Writers::unknown;
    }
    return ::GetLastError() == ERROR_SHARING_VIOLATION ? Writers::some : Writers::unknown;
}

} // namespace vorna::detail
