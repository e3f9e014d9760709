#include "tools/vendu/Console.h"

#include <climits>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#endif

namespace vendu {

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
    std::fflush(stream);
    DWORD written;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
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
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), stream);
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
