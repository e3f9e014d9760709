// Checks the release packages on Windows (run under Wine by tests/release/run.sh): version
// resources, the unzipped portable program, and what the installer and its uninstaller put
// down and take away. Each command prints one line per check and exits non-zero on a failure.
#include "knowledge/EntryFile.h"
#include "knowledge/EntryStore.h"
#include "tests/e2e/Driver.h"

#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace vorna::e2e;

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!ok)
        ++g_failures;
}

struct ComLibrary {
    ComLibrary() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComLibrary() { CoUninitialize(); }
    ComLibrary(const ComLibrary&) = delete;
    ComLibrary& operator=(const ComLibrary&) = delete;
};

template <class T> struct ComPtr {
    T* p = nullptr;
    ComPtr() = default;
    ~ComPtr() {
        if (p)
            p->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
};

struct CoTaskString {
    PWSTR p = nullptr;
    ~CoTaskString() { CoTaskMemFree(p); }
};

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    CoTaskString path;
    if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, &path.p)))
        throw DriverError("a known folder cannot be found");
    return path.p;
}

std::wstring Join(const std::wstring& folder, std::wstring_view name) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return path.append(name);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Full, case-folded form without a trailing backslash, for comparing two spellings of a path.
std::wstring Canonical(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 4, buffer, nullptr);
    std::wstring full = (n > 0 && n < MAX_PATH * 4) ? std::wstring(buffer, n) : path;
    while (full.size() > 3 && full.back() == L'\\')
        full.pop_back();
    CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    return full;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return Canonical(a) == Canonical(b);
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok =
        file != INVALID_HANDLE_VALUE &&
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (!ok)
        throw DriverError("cannot write " + Utf8(path));
}

// The number of entries the program's own reader finds in the file.
int CountEntries(const std::wstring& path) {
    vorna::CEntryStore store;
    if (!vorna::LoadEntryFile(Utf8(path), store).Ok())
        throw DriverError("the reader cannot read " + Utf8(path));
    return static_cast<int>(store.GetCount());
}

// Starts the program in folder, as Explorer or a shortcut would, and waits until the count
// caption shows the entries of the folder's super.vendu; then closes it like a user.
void CheckStartsAndLoads(const std::wstring& exe, const std::wstring& folder,
                         const std::wstring& notes) {
    const int n = CountEntries(notes);
    Check(n > 0, "the notes hold entries (" + std::to_string(n) + ")");
    const std::string expected = "搜索：" + std::to_string(n) + "条结果";

    SetEnvironmentVariableW(L"VORNA_EXE", exe.c_str());
    VornaProcess program(folder);
    program.WaitForMainWindow();
    std::string caption;
    WaitUntil([&] { return (caption = program.CountCaption()) == expected; }, kStartTimeoutMs);
    Check(caption == expected, Utf8(exe) + " started in " + Utf8(folder) + " shows \"" + caption +
                                   "\", expected \"" + expected + "\"");
    Post(program.Main(), WM_CLOSE);
    Check(program.WaitForExit(), "the program ends on WM_CLOSE");
}

// ---- Version resources.

struct VersionInfo {
    bool present = false;
    DWORD productMs = 0, productLs = 0, fileMs = 0, fileLs = 0;
    std::wstring productVersion;
};

VersionInfo ReadVersionInfo(const std::wstring& path) {
    VersionInfo info;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return info;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
        return info;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        length < sizeof *fixed)
        return info;
    info.present = true;
    info.productMs = fixed->dwProductVersionMS;
    info.productLs = fixed->dwProductVersionLS;
    info.fileMs = fixed->dwFileVersionMS;
    info.fileLs = fixed->dwFileVersionLS;
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                       reinterpret_cast<void**>(&translation), &length) &&
        length >= sizeof *translation) {
        wchar_t key[64];
        swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\ProductVersion", translation->language,
                 translation->codePage);
        wchar_t* value = nullptr;
        if (VerQueryValueW(data.data(), key, reinterpret_cast<void**>(&value), &length) && value)
            info.productVersion = value;
    }
    return info;
}

// "1.2" to "1.2.3.4" as the four 16-bit numbers of a version resource.
bool ParseVersion(const std::string& text, DWORD& ms, DWORD& ls) {
    unsigned parts[4] = {0, 0, 0, 0};
    int count = 0;
    size_t start = 0;
    for (;;) {
        const size_t dot = text.find('.', start);
        const std::string part = text.substr(start, dot == std::string::npos ? dot : dot - start);
        if (count == 4 || part.empty() || part.size() > 5 ||
            part.find_first_not_of("0123456789") != std::string::npos)
            return false;
        parts[count] = static_cast<unsigned>(std::stoul(part));
        if (parts[count++] > 0xFFFF)
            return false;
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    if (count < 2)
        return false;
    ms = (parts[0] << 16) | parts[1];
    ls = (parts[2] << 16) | parts[3];
    return true;
}

std::string FormatVersion(DWORD ms, DWORD ls) {
    return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." +
           std::to_string(HIWORD(ls)) + "." + std::to_string(LOWORD(ls));
}

int CommandVersions(const std::string& version, const std::vector<std::wstring>& files) {
    DWORD ms = 0, ls = 0;
    if (!ParseVersion(version, ms, ls))
        throw DriverError("not a version: " + version);
    for (const std::wstring& file : files) {
        const VersionInfo info = ReadVersionInfo(file);
        Check(info.present, Utf8(file) + " has a version resource");
        if (!info.present)
            continue;
        Check(info.productMs == ms && info.productLs == ls && info.fileMs == ms &&
                  info.fileLs == ls,
              Utf8(file) + " product and file version " +
                  FormatVersion(info.productMs, info.productLs) + " / " +
                  FormatVersion(info.fileMs, info.fileLs) + ", expected " + FormatVersion(ms, ls));
        const std::string text = Utf8(info.productVersion);
        Check(text == version || text == FormatVersion(ms, ls),
              Utf8(file) + " ProductVersion text \"" + text + "\"");
    }
    return g_failures;
}

// ---- The portable package.

int CommandPortable(const std::wstring& folder) {
    for (const wchar_t* name : {L"Vorna.exe", L"super.vendu", L"GUIDE.txt", L"LICENSE.txt"})
        Check(Exists(Join(folder, name)), Utf8(Join(folder, name)) + " is there");
    CheckStartsAndLoads(Join(folder, L"Vorna.exe"), folder, Join(folder, L"super.vendu"));
    return g_failures;
}

// ---- The installed program.

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorna";

struct Installation {
    std::wstring folder;    // where the program files go
    std::wstring shortcut;  // the Start-menu shortcut
    std::wstring documents; // where the shortcut starts the program
    std::wstring notes() const { return Join(documents, L"super.vendu"); }
};

Installation Expected() {
    return {Join(KnownFolder(FOLDERID_ProgramFiles), L"Vorna"),
            Join(KnownFolder(FOLDERID_Programs), L"Lirel.lnk"), KnownFolder(FOLDERID_Documents)};
}

bool KeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_64KEY, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A text value; "" when it is not there. name nullptr: the key's default value.
std::wstring RegistryText(HKEY root, const wchar_t* key, const wchar_t* name) {
    wchar_t buffer[1024];
    DWORD size = sizeof buffer;
    if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"";
    return buffer;
}

std::wstring RegistryText(const wchar_t* name) {
    return RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, name);
}

// ---- The file type of entry files.

const wchar_t kClasses[] = L"Software\\Classes\\";
const wchar_t kProgId[] = L"Lirel.vendu";

// The default value of a key under HKLM\Software\Classes, and as HKEY_CLASSES_ROOT shows it.
std::wstring ClassText(const std::wstring& key, bool classesRoot = false) {
    return classesRoot ? RegistryText(HKEY_CLASSES_ROOT, key.c_str(), nullptr)
                       : RegistryText(HKEY_LOCAL_MACHINE, (kClasses + key).c_str(), nullptr);
}

bool ClassExists(const std::wstring& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kClasses + key).c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                      &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

void SetClassText(const std::wstring& key, const std::wstring& value) {
    if (RegSetKeyValueW(HKEY_LOCAL_MACHINE, (kClasses + key).c_str(), nullptr, REG_SZ,
                        value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        throw DriverError("cannot write the class key " + Utf8(key));
}

void CheckFileType(const std::wstring& exe) {
    const std::wstring command = L"\"" + exe + L"\" \"%1\"";
    for (bool classesRoot : {false, true}) {
        const std::string where = classesRoot ? "HKEY_CLASSES_ROOT" : "HKLM\\Software\\Classes";
        Check(ClassText(L".vendu", classesRoot) == kProgId,
              where + "\\.vendu is \"" + Utf8(ClassText(L".vendu", classesRoot)) + "\"");
        Check(ClassText(kProgId, classesRoot) == L"Lirel 问答笔记",
              where + " names the type \"" + Utf8(ClassText(kProgId, classesRoot)) + "\"");
        const std::wstring icon = ClassText(std::wstring(kProgId) + L"\\DefaultIcon", classesRoot);
        Check(icon == L"\"" + exe + L"\",0", where + " gives the icon " + Utf8(icon));
        const std::wstring open =
            ClassText(std::wstring(kProgId) + L"\\shell\\open\\command", classesRoot);
        Check(open == command, where + " opens with " + Utf8(open));
    }
}

// Opens a .vendu file the way a double-click in Explorer does, in a folder whose name has
// Chinese characters and a space, and checks that the program shows its entry count.
void CheckOpensEntryFiles(const std::wstring& notes) {
    const std::wstring folder = Join(KnownFolder(FOLDERID_Documents), L"我的 笔记");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring file = Join(folder, L"常用 问答.vendu");
    WriteAll(file, ReadFileBytes(notes) + vorna::MakeRecord("q", "a"));
    const std::string expected = "搜索：" + std::to_string(CountEntries(file)) + "条结果";

    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.nShow = SW_SHOWNORMAL;
    Check(ShellExecuteExW(&info) && info.hProcess, "the shell opens " + Utf8(file));
    if (!info.hProcess)
        return;
    const DWORD pid = GetProcessId(info.hProcess);
    HWND main = nullptr;
    WaitUntil(
        [&] {
            main = nullptr;
            for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w;
                 w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == pid && IsWindowVisible(w) && GetDlgItem(w, 1014))
                    main = w;
            }
            return main && GetText(GetDlgItem(main, 1014)) == Wide(expected);
        },
        kStartTimeoutMs);
    const std::string caption = main ? GetTextUtf8(GetDlgItem(main, 1014)) : "(no window)";
    Check(caption == expected,
          "the program shows \"" + caption + "\", expected \"" + expected + "\"");
    if (main)
        PostMessageW(main, WM_CLOSE, 0, 0);
    Check(WaitForSingleObject(info.hProcess, kTimeoutMs) == WAIT_OBJECT_0,
          "the program ends on WM_CLOSE");
    CloseHandle(info.hProcess);
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

struct Shortcut {
    std::wstring target;
    std::wstring workingFolder;
};

Shortcut ReadShortcut(const std::wstring& path) {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link.p))) ||
        FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))) ||
        FAILED(file.p->Load(path.c_str(), STGM_READ)))
        throw DriverError("cannot read the shortcut " + Utf8(path));
    wchar_t buffer[MAX_PATH * 4];
    Shortcut shortcut;
    if (SUCCEEDED(link.p->GetPath(buffer, MAX_PATH * 4, nullptr, SLGP_RAWPATH)))
        shortcut.target = buffer;
    if (SUCCEEDED(link.p->GetWorkingDirectory(buffer, MAX_PATH * 4)))
        shortcut.workingFolder = buffer;
    return shortcut;
}

const wchar_t* const kPackagedFiles[] = {L"Vorna.exe", L"vendu.exe", L"GUIDE.txt", L"LICENSE.txt"};

// Checks the installation against the package's files and the expected notes in Documents,
// then starts the program the way its shortcut does.
int CommandInstalled(const std::string& version, const std::wstring& packageFolder,
                     const std::wstring& expectedNotes) {
    ComLibrary com;
    const Installation where = Expected();
    for (const wchar_t* name : kPackagedFiles) {
        const std::wstring installed = Join(where.folder, name);
        const std::wstring packaged = Join(packageFolder, name);
        if (Exists(packaged))
            Check(Exists(installed) && ReadFileBytes(installed) == ReadFileBytes(packaged),
                  Utf8(installed) + " is installed, the same as in the zip");
        else
            Check(!Exists(installed), Utf8(installed) + " is not installed, as not in the zip");
    }
    Check(Exists(Join(where.folder, L"uninstall.exe")), "the uninstaller is installed");
    Check(!Exists(Join(where.folder, L"super.vendu")),
          "no notes are put into the program's folder");

    Check(Exists(where.notes()) && ReadFileBytes(where.notes()) == ReadFileBytes(expectedNotes),
          Utf8(where.notes()) + " holds the expected notes");

    Check(Exists(where.shortcut), Utf8(where.shortcut) + " is there");
    const Shortcut shortcut = ReadShortcut(where.shortcut);
    Check(SamePath(shortcut.target, Join(where.folder, L"Vorna.exe")),
          "the shortcut starts " + Utf8(shortcut.target));
    Check(SamePath(shortcut.workingFolder, where.documents),
          "the shortcut's working folder is " + Utf8(shortcut.workingFolder) + ", expected " +
              Utf8(where.documents));

    Check(KeyExists(), "the uninstaller is registered");
    Check(Utf8(RegistryText(L"DisplayVersion")) == version,
          "registered version \"" + Utf8(RegistryText(L"DisplayVersion")) + "\"");
    Check(RegistryText(L"Publisher") == L"The Vorna developers",
          "registered publisher \"" + Utf8(RegistryText(L"Publisher")) + "\"");
    Check(!RegistryText(L"DisplayName").empty(),
          "registered name \"" + Utf8(RegistryText(L"DisplayName")) + "\"");
    Check(RegistryText(L"UninstallString") == L"\"" + Join(where.folder, L"uninstall.exe") + L"\"",
          "registered uninstaller " + Utf8(RegistryText(L"UninstallString")));

    CheckStartsAndLoads(shortcut.target, shortcut.workingFolder, where.notes());

    CheckFileType(Join(where.folder, L"Vorna.exe"));
    CheckOpensEntryFiles(where.notes());
    return g_failures;
}

// A user's own change to the installed notes: one more entry, as the Add dialog writes it.
int CommandEditNotes(const std::wstring& copyTo) {
    ComLibrary com;
    const std::wstring notes = Expected().notes();
    std::string bytes = ReadFileBytes(notes);
    bytes += vorna::MakeRecord(Ansi("我自己的问题"), Ansi("我自己的回答"));
    WriteAll(notes, bytes);
    WriteAll(copyTo, bytes);
    std::printf("note one entry appended to %s\n", Utf8(notes).c_str());
    return g_failures;
}

// Uninstalls the way Add/Remove Programs does (the registered command with /S; the
// uninstaller hands over to a copy of itself and returns at once), waits for it to finish
// and checks that it took away what it installed and nothing of the user's. With
// fileTypeTakenOver another program has made .vendu its own before: that stays.
int CommandUninstall(const std::wstring& expectedNotes, bool notesInProgramFolder,
                     bool fileTypeTakenOver) {
    ComLibrary com;
    const Installation where = Expected();
    const std::wstring ownNotes = Join(where.folder, L"mine.vendu");
    const std::string ownNotesBytes = vorna::MakeRecord("q", "a");
    if (notesInProgramFolder)
        WriteAll(ownNotes, ownNotesBytes);
    const std::wstring otherCommand = L"\"C:\\Other\\other.exe\" \"%1\"";
    if (fileTypeTakenOver) {
        SetClassText(L"Other.vendu\\shell\\open\\command", otherCommand);
        SetClassText(L".vendu", L"Other.vendu");
    }

    std::wstring command = RegistryText(L"UninstallString") + L" /S";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        throw DriverError("cannot run " + Utf8(command));
    WaitForSingleObject(process.hProcess, kStartTimeoutMs);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    Check(exitCode == 0, "the uninstaller exits with 0 (" + std::to_string(exitCode) + ")");

    // Removing the registration is the uninstaller's last step.
    Check(WaitUntil([] { return !KeyExists(); }, 60000), "the registration is removed");
    for (const wchar_t* name :
         {L"Vorna.exe", L"vendu.exe", L"GUIDE.txt", L"LICENSE.txt", L"uninstall.exe"})
        Check(WaitUntil([&] { return !Exists(Join(where.folder, name)); }),
              Utf8(Join(where.folder, name)) + " is removed");
    Check(!Exists(where.shortcut), "the shortcut is removed");
    Check(!ClassExists(kProgId), "the file type Lirel.vendu is removed");
    if (fileTypeTakenOver) {
        Check(ClassText(L".vendu") == L"Other.vendu",
              ".vendu still opens with the other program (\"" + Utf8(ClassText(L".vendu")) + "\")");
        Check(ClassText(L"Other.vendu\\shell\\open\\command") == otherCommand,
              "the other program's file type is left as it was");
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kClasses) + L"Other.vendu").c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kClasses) + L".vendu").c_str());
    } else {
        Check(!ClassExists(L".vendu"), ".vendu is removed");
    }
    if (notesInProgramFolder) {
        Check(Exists(ownNotes) && ReadFileBytes(ownNotes) == ownNotesBytes,
              Utf8(ownNotes) + " is left as it was");
        DeleteFileW(ownNotes.c_str());
        RemoveDirectoryW(where.folder.c_str());
    } else {
        Check(WaitUntil([&] { return !Exists(where.folder); }), "the program's folder is removed");
    }
    Check(Exists(where.notes()) && ReadFileBytes(where.notes()) == ReadFileBytes(expectedNotes),
          Utf8(where.notes()) + " is left as it was");
    return g_failures;
}

int Usage() {
    std::fputs("usage:\n"
               "  release_check versions VERSION FILE...\n"
               "  release_check portable FOLDER\n"
               "  release_check installed VERSION PACKAGE_FOLDER EXPECTED_NOTES\n"
               "  release_check edit-notes COPY_TO\n"
               "  release_check uninstall EXPECTED_NOTES [--notes-in-program-folder]\n"
               "                          [--file-type-taken-over]\n",
               stderr);
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage();
    try {
        const std::wstring& command = args[0];
        if (command == L"versions" && args.size() >= 3)
            return CommandVersions(Utf8(args[1]), {args.begin() + 2, args.end()}) ? 1 : 0;
        if (command == L"portable" && args.size() == 2)
            return CommandPortable(args[1]) ? 1 : 0;
        if (command == L"installed" && args.size() == 4)
            return CommandInstalled(Utf8(args[1]), args[2], args[3]) ? 1 : 0;
        if (command == L"edit-notes" && args.size() == 2)
            return CommandEditNotes(args[1]) ? 1 : 0;
        if (command == L"uninstall" && args.size() >= 2) {
            bool notesInProgramFolder = false;
            bool fileTypeTakenOver = false;
            for (std::size_t i = 2; i < args.size(); ++i) {
                if (args[i] == L"--notes-in-program-folder")
                    notesInProgramFolder = true;
                else if (args[i] == L"--file-type-taken-over")
                    fileTypeTakenOver = true;
                else
                    return Usage();
            }
            return CommandUninstall(args[1], notesInProgramFolder, fileTypeTakenOver) ? 1 : 0;
        }
        return Usage();
    } catch (const std::exception& error) {
        KillAllStarted();
        std::printf("FAIL %s\n", error.what());
        return 1;
    }
}
