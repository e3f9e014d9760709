#include "tools/vendu/Console.h"

#include "platform/File.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#endif

namespace vendu {

namespace {

struct OutputState {
    bool failed = false;
    bool brokenPipe = false;
    std::string reason;
} g_standardOutput;

void NoteFailure(std::FILE* stream, const std::string& reason, bool brokenPipe) {
    if (stream != stdout || g_standardOutput.failed)
        return;
    g_standardOutput.failed = true;
    g_standardOutput.brokenPipe = brokenPipe;
    g_standardOutput.reason = reason;
}

#ifdef _WIN32
// The codes of a write into a pipe whose reader has gone (Wine reports the last one).
bool IsBrokenPipe(unsigned long code) {
    return code == ERROR_NO_DATA || code == ERROR_BROKEN_PIPE || code == ERROR_PIPE_NOT_CONNECTED;
}
#endif

// After a failed call of the C library: errno, and on Windows the system's code beneath it,
// which tells a closed pipe apart where errno does not.
void NoteLibraryFailure(std::FILE* stream, int code) {
    bool brokenPipe = code == EPIPE;
#ifdef _WIN32
    brokenPipe = brokenPipe || IsBrokenPipe(_doserrno) || IsBrokenPipe(GetLastError());
#endif
    NoteFailure(stream, std::strerror(code ? code : EIO), brokenPipe);
}

} // namespace

#ifdef _WIN32

void InitConsole() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

// The command line arrives as UTF-16 and is turned into UTF-8 in wmain already.
bool TerminalArgToUtf8(const std::string& arg, std::string& utf8) {
    utf8 = arg;
    return true;
}

// A console shows Unicode through the wide call whatever its code page; anything else
// (a file, a pipe) gets UTF-8.
void WriteText(std::FILE* stream, std::string_view utf8) {
    HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode;
    if (utf8.empty() || utf8.size() > static_cast<std::size_t>(INT_MAX) ||
        !GetConsoleMode(handle, &mode)) {
        WriteBytes(stream, utf8);
        return;
    }
    const int length = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n <= 0 || MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, &wide[0], n) != n) {
        WriteBytes(stream, utf8);
        return;
    }
    if (stream == stdout && g_standardOutput.failed)
        return;
    std::fflush(stream);
    DWORD written = 0;
    if (!WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) ||
        written != wide.size()) {
        const DWORD code = GetLastError();
        NoteFailure(stream, code ? vorna::SystemErrorText(static_cast<int>(code)) : "short write",
                    IsBrokenPipe(code));
    }
}

#else

namespace {

// The locale's encoding; the plain C locale (ASCII) is taken as UTF-8, as terminals are.
const char* TerminalCodeset() {
    static const char* codeset = [] {
        std::setlocale(LC_CTYPE, "");
        const char* name = nl_langinfo(CODESET);
        if (!name || std::strcmp(name, "ANSI_X3.4-1968") == 0 || std::strcmp(name, "UTF-8") == 0)
            return "UTF-8";
        return name;
    }();
    return codeset;
}

bool IsUtf8Terminal() {
    return std::strcmp(TerminalCodeset(), "UTF-8") == 0;
}

bool Reencode(const char* to, const char* from, std::string_view in, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.clear();
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    bool ok = true;
    char buffer[4096];
    while (srcLeft > 0) {
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, sizeof buffer - dstLeft);
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    return ok;
}

} // namespace

void InitConsole() {
    TerminalCodeset();
}

bool TerminalArgToUtf8(const std::string& arg, std::string& utf8) {
    if (IsUtf8Terminal()) {
        utf8 = arg;
        return true;
    }
    return Reencode("UTF-8", TerminalCodeset(), arg, utf8);
}

void WriteText(std::FILE* stream, std::string_view utf8) {
    std::string local;
    // A character the terminal cannot show is written as UTF-8 rather than dropped.
    if (!IsUtf8Terminal() && Reencode(TerminalCodeset(), "UTF-8", utf8, local))
        utf8 = local;
    WriteBytes(stream, utf8);
}

#endif

void WriteBytes(std::FILE* stream, std::string_view bytes) {
    if (bytes.empty() || (stream == stdout && g_standardOutput.failed))
        return;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size())
        NoteLibraryFailure(stream, errno);
}

bool StandardOutputFailed() {
    return g_standardOutput.failed;
}

bool CloseStandardOutput(std::string& reason, bool& brokenPipe) {
    errno = 0;
    if (std::fflush(stdout) != 0)
        NoteLibraryFailure(stdout, errno);
    // The close can report what the writes could not yet (a file system that writes late).
    errno = 0;
    if (std::fclose(stdout) != 0)
        NoteLibraryFailure(stdout, errno);
    reason = g_standardOutput.reason;
    brokenPipe = g_standardOutput.brokenPipe;
    return !g_standardOutput.failed;
}

bool ReadStandardInput(std::string& bytes) {
    bytes.clear();
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
        bytes.append(buffer, got);
    return !std::ferror(stdin);
}

} // namespace vendu
