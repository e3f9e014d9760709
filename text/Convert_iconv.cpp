// The conversions through iconv, with wide text as the C library's wchar_t (UTF-32 here).
#include "text/CodePage.h"
#include "text/ConvertSystem.h"

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iconv.h>
#include <langinfo.h>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vorna {
namespace {

constexpr const char* kWide = "WCHAR_T";

std::string CharsetOf(Encoding encoding) {
    switch (encoding) {
    case Encoding::utf8:
        return "UTF-8";
    case Encoding::cp936:
        return "CP936";
    case Encoding::utf16le:
        return "UTF-16LE";
    case Encoding::utf16be:
        return "UTF-16BE";
    case Encoding::system:
        break;
    }
    const char* name = nl_langinfo(CODESET);
    if (!name || !*name || std::strcmp(name, "ANSI_X3.4-1968") == 0)
        return "UTF-8";
    return name;
}

class Converter {
public:
    Converter(const std::string& to, const std::string& from)
        : m_cd(iconv_open(to.c_str(), from.c_str())) {}
    ~Converter() {
        if (Usable())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Usable() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts size bytes of data, in units of unit bytes. A unit that does not convert is
    // replaced by replacement and passed over; then, and when iconv reports a conversion that
    // is not reversible, the result is false.
    bool Run(const char* data, std::size_t size, std::size_t unit, std::string_view replacement,
             std::string& out) const {
        out.clear();
        if (!Usable())
            return false;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(data);
        std::size_t srcLeft = size;
        bool exact = true;
        char buffer[4096];
        for (;;) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t r = srcLeft > 0 ? iconv(m_cd, &src, &srcLeft, &dst, &dstLeft)
                                              : iconv(m_cd, nullptr, nullptr, &dst, &dstLeft);
            const int error = errno;
            out.append(buffer, sizeof buffer - dstLeft);
            if (r != static_cast<std::size_t>(-1)) {
                exact = exact && r == 0;
                if (srcLeft == 0)
                    return exact;
            } else if (error != E2BIG) {
                exact = false;
                out += replacement;
                const std::size_t skip = srcLeft < unit ? srcLeft : unit;
                src += skip;
                srcLeft -= skip;
            }
        }
    }

private:
    iconv_t m_cd;
};

// One converter per direction and thread: opening one loads the system's tables.
const Converter& ConverterFor(const std::string& from, const std::string& to) {
    thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<Converter>> open;
    std::unique_ptr<Converter>& converter = open[{from, to}];
    if (!converter)
        converter = std::make_unique<Converter>(to, from);
    return *converter;
}

std::string WideQuestionMark() {
    const wchar_t mark = L'?';
    return std::string(reinterpret_cast<const char*>(&mark), sizeof mark);
}

} // namespace

LeadBytes ActiveCodePageLeadBytes() {
    // The lead-byte rule describes double-byte encodings only.
    if (MB_CUR_MAX != 2)
        return LeadBytes();
    std::vector<std::pair<unsigned char, unsigned char>> ranges;
    for (unsigned b = 0x80; b <= 0xFF; ++b) {
        const char byte = static_cast<char>(b);
        std::mbstate_t state{};
        if (std::mbrlen(&byte, 1, &state) == static_cast<std::size_t>(-2))
            ranges.emplace_back(static_cast<unsigned char>(b), static_cast<unsigned char>(b));
    }
    return LeadBytes::FromRanges(ranges);
}

namespace detail {

bool SystemToWide(std::string_view text, Encoding from, std::wstring& out) {
    std::string bytes;
    const bool exact = ConverterFor(CharsetOf(from), kWide)
                           .Run(text.data(), text.size(), 1, WideQuestionMark(), bytes);
    out.resize(bytes.size() / sizeof(wchar_t));
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(wchar_t));
    return exact;
}

bool SystemFromWide(std::wstring_view text, Encoding to, std::string& out) {
    return ConverterFor(kWide, CharsetOf(to))
        .Run(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t),
             sizeof(wchar_t), "?", out);
}

bool SystemConvert(std::string_view text, Encoding from, Encoding to, std::string& out) {
    return ConverterFor(CharsetOf(from), CharsetOf(to)).Run(text.data(), text.size(), 1, "?", out);
}

bool SameEncoding(Encoding a, Encoding b) {
    return CharsetOf(a) == CharsetOf(b);
}

std::size_t SystemCharLength(std::string_view text, std::size_t i) {
    std::mbstate_t state{};
    const std::size_t n = std::mbrlen(text.data() + i, text.size() - i, &state);
    if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2))
        return 0;
    return n == 0 ? 1 : n;
}

} // namespace detail
} // namespace vorna
