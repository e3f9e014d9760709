#include "tools/vendu/Codec.h"

#include "knowledge/Diagnostics.h"

#include <climits>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace vendu {

namespace {

#ifdef _WIN32

constexpr UINT kCodePage936 = 936;

bool ToWide(UINT codePage, std::string_view in, std::wstring& wide) {
    wide.clear();
    if (in.empty())
        return true;
    if (in.size() > static_cast<std::size_t>(INT_MAX))
        return false;
    const int length = static_cast<int>(in.size());
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), length, nullptr, 0);
    if (n <= 0)
        return false;
    wide.resize(static_cast<std::size_t>(n));
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), length, &wide[0], n) == n;
}

bool FromWide(UINT codePage, const std::wstring& wide, std::string& out) {
    out.clear();
    if (wide.empty())
        return true;
    const int length = static_cast<int>(wide.size());
    // Code page 936 takes no flag that refuses a character outside it; the default-character
    // report does that instead (and the round trip check catches any best-fit mapping).
    const DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* reportDefault = codePage == CP_UTF8 ? nullptr : &usedDefault;
    int n = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr,
                                reportDefault);
    if (n <= 0 || usedDefault)
        return false;
    out.resize(static_cast<std::size_t>(n));
    return WideCharToMultiByte(codePage, flags, wide.data(), length, &out[0], n, nullptr,
                               reportDefault) == n &&
           !usedDefault;
}

bool Convert(UINT from, UINT to, std::string_view in, std::string& out) {
    std::wstring wide;
    return ToWide(from, in, wide) && FromWide(to, wide, out);
}

bool Cp936ToUtf8Whole(std::string_view in, std::string& out) {
    return Convert(kCodePage936, CP_UTF8, in, out);
}

bool Utf8ToCp936Whole(std::string_view in, std::string& out) {
    return Convert(CP_UTF8, kCodePage936, in, out);
}

#else

// One converter per direction for the whole run: opening one loads the system's tables.
class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool Run(std::string_view in, std::string& out) const {
        out.clear();
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            return false;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buffer[4096];
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t r = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, sizeof buffer - dstLeft);
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG)
                return false;
            // A character that converts only approximately counts as not converting.
            if (r != static_cast<std::size_t>(-1) && r > 0)
                return false;
        }
        return true;
    }

private:
    iconv_t m_cd;
};

bool Cp936ToUtf8Whole(std::string_view in, std::string& out) {
    static const Iconv converter("UTF-8", "CP936");
    return converter.Run(in, out);
}

bool Utf8ToCp936Whole(std::string_view in, std::string& out) {
    static const Iconv converter("CP936", "UTF-8");
    return converter.Run(in, out);
}

#endif

bool RoundTrips(bool (*there)(std::string_view, std::string&),
                bool (*back)(std::string_view, std::string&), std::string_view in,
                std::string& out) {
    std::string again;
    return there(in, out) && back(out, again) && again == in;
}

std::size_t Cp936Step(std::string_view text, std::size_t i) {
    return vorna::Cp936CharLength(text, i);
}

// The first character (as step delimits them) that does not convert exactly.
std::size_t FirstBadCharacter(std::string_view in,
                              std::size_t (*step)(std::string_view, std::size_t),
                              bool (*there)(std::string_view, std::string&),
                              bool (*back)(std::string_view, std::string&)) {
    std::string out;
    std::size_t i = 0;
    while (i < in.size()) {
        const std::size_t length = step(in, i);
        if (length == 0 || !RoundTrips(there, back, in.substr(i, length), out))
            return i;
        i += length;
    }
    return 0;
}

void AppendHexEscape(std::string& out, unsigned char byte) {
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\x%02X", byte);
    out += escape;
}

} // namespace

bool Cp936ToUtf8(std::string_view in, std::string& out, std::size_t* badOffset) {
    if (RoundTrips(Cp936ToUtf8Whole, Utf8ToCp936Whole, in, out))
        return true;
    if (badOffset)
        *badOffset = FirstBadCharacter(in, Cp936Step, Cp936ToUtf8Whole, Utf8ToCp936Whole);
    return false;
}

bool Utf8ToCp936(std::string_view in, std::string& out, std::size_t* badOffset) {
    if (RoundTrips(Utf8ToCp936Whole, Cp936ToUtf8Whole, in, out))
        return true;
    if (badOffset)
        *badOffset =
            FirstBadCharacter(in, vorna::Utf8CharLength, Utf8ToCp936Whole, Cp936ToUtf8Whole);
    return false;
}

std::string ShowText(std::string_view s, bool raw, bool* invalid) {
    std::string out;
    std::string run; // characters waiting to be converted together
    std::string converted;
    auto flush = [&] {
        if (run.empty())
            return;
        if (raw) {
            out += run;
        } else if (Cp936ToUtf8(run, converted)) {
            out += converted;
        } else {
            for (std::size_t i = 0; i < run.size();) {
                const std::size_t length = vorna::Cp936CharLength(run, i);
                if (Cp936ToUtf8(run.substr(i, length), converted)) {
                    out += converted;
                } else {
                    for (std::size_t k = 0; k < length; ++k)
                        AppendHexEscape(out, static_cast<unsigned char>(run[i + k]));
                    if (invalid)
                        *invalid = true;
                }
                i += length;
            }
        }
        run.clear();
    };
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b >= 0x80) {
            const std::size_t length = vorna::Cp936CharLength(s, i);
            if (length > 0 || raw) {
                run.append(s.substr(i, length > 0 ? length : 1));
                i += length > 0 ? length : 1;
                continue;
            }
            flush();
            AppendHexEscape(out, b);
            if (invalid)
                *invalid = true;
            ++i;
            continue;
        }
        ++i;
        if (b >= 0x20 && b != 0x7F && b != '\\') {
            run += static_cast<char>(b);
            continue;
        }
        flush();
        switch (b) {
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            AppendHexEscape(out, b);
        }
    }
    flush();
    return out;
}

} // namespace vendu
