#include "tools/vendu/Console.h"

#include "io/FileResult.h"
#include "text/Convert.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <clocale>
#include <unistd.h>
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

std::string EscapeControls(std::string_view utf8, bool keepLineFeeds) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        unsigned code = 0x100; // none
        if ((b < 0x20 && !(b == '\n' && keepLineFeeds)) || b == 0x7F)
            code = b;
        else if (b == 0xC2 && i + 1 < utf8.size() &&
                 static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                 static_cast<unsigned char>(utf8[i + 1]) <= 0x9F)
            code = static_cast<unsigned char>(utf8[++i]); // U+0080..U+009F
        if (code == 0x100) {
            out += utf8[i];
            continue;
        }
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02X", code);
        out += escape;
    }
    return out;
}

#ifdef _WIN32

void InitConsole() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool StandardOutputIsTerminal() {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

bool EnableColor() {
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode;
    if (!GetConsoleMode(handle, &mode))
        return true; // a file or a pipe takes the sequences as they are
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
           SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

// The command line arrives as UTF-16 and is turned into UTF-8 in wmain already.
bool TerminalArgToUtf8(const std::string& arg, std::string& utf8) {
    utf8 = arg;
    return true;
}

// A console shows Unicode through the wide call whatever its code page; anything else
// (a file, a pipe) gets UTF-8.
void WriteText(std::FILE* stream, std::string_view text) {
    const std::string messages = stream == stderr ? EscapeControls(text, true) : std::string();
    const std::string_view utf8 = stream == stderr ? std::string_view(messages) : text;
    HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode;
    const std::wstring wide =
        GetConsoleMode(handle, &mode) ? vorna::ToWide(utf8, vorna::Encoding::utf8).text : L"";
    if (wide.empty()) {
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

// The terminal's encoding is the locale's: the system's byte encoding.
void InitConsole() {
    std::setlocale(LC_CTYPE, "");
}

bool StandardOutputIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

bool EnableColor() {
    return true;
}

bool TerminalArgToUtf8(const std::string& arg, std::string& utf8) {
    vorna::Converted<std::string> converted =
        vorna::Convert(arg, vorna::Encoding::system, vorna::Encoding::utf8);
    utf8 = std::move(converted.text);
    return converted.ok;
}

void WriteText(std::FILE* stream, std::string_view text) {
    const std::string messages = stream == stderr ? EscapeControls(text, true) : std::string();
    const std::string_view utf8 = stream == stderr ? std::string_view(messages) : text;
    // A character the terminal cannot show is written as UTF-8 rather than dropped.
    const vorna::Converted<std::string> local =
        vorna::Convert(utf8, vorna::Encoding::utf8, vorna::Encoding::system);
    WriteBytes(stream, local.ok ? std::string_view(local.text) : utf8);
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
