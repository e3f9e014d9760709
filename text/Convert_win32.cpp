// The conversions through the code page tables of Windows, with wide text as UTF-16.
#include "text/CodePage.h"
#include "text/ConvertSystem.h"

#include <windows.h>

#include <climits>
#include <vector>

namespace vorna {
namespace {

constexpr UINT kCodePage936 = 936;

// The active code page by its number, so that a system whose ANSI code page is UTF-8 gets the
// UTF-8 rules.
UINT CodePageOf(Encoding encoding) {
    switch (encoding) {
    case Encoding::utf8:
        return CP_UTF8;
    case Encoding::cp936:
        return kCodePage936;
    case Encoding::utf16le: // converted before the system's tables are asked
        return 1200;
    case Encoding::utf16be:
        return 1201;
    case Encoding::system:
        break;
    }
    return ::GetACP();
}

// Runs call(buffer, size) once to learn the size and once to fill out; false when either
// call fails.
template <class Out, class Call> bool Fill(Out& out, Call call) {
    const int n = call(static_cast<typename Out::pointer>(nullptr), 0);
    if (n <= 0)
        return false;
    out.resize(static_cast<std::size_t>(n));
    const int got = call(out.data(), n);
    out.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return got > 0;
}

// in converted into out by call(flags, buffer, size): with strictFlags first, and where that
// fails, again with lenientFlags for the system's replacements; true only for the first.
template <class In, class Out, class Call>
bool Run(In in, Out& out, DWORD strictFlags, DWORD lenientFlags, Call call) {
    out.clear();
    if (in.empty())
        return true;
    if (in.size() > static_cast<std::size_t>(INT_MAX))
        return false;
    const auto with = [&call](DWORD flags) {
        return [&call, flags](auto* buffer, int size) { return call(flags, buffer, size); };
    };
    if (Fill(out, with(strictFlags)))
        return true;
    Fill(out, with(lenientFlags));
    return false;
}

bool Widen(UINT codePage, std::string_view in, std::wstring& out) {
    return Run(in, out, MB_ERR_INVALID_CHARS, 0, [&](DWORD flags, wchar_t* buffer, int size) {
        return ::MultiByteToWideChar(codePage, flags, in.data(), static_cast<int>(in.size()),
                                     buffer, size);
    });
}

// UTF-8 holds every character and refuses only lone surrogates; it takes neither the
// best-fit flag nor the used-default report. Other code pages put their default character
// ("?") where a character has no code of its own.
bool Narrow(UINT codePage, std::wstring_view in, std::string& out) {
    const bool utf8 = codePage == CP_UTF8;
    BOOL usedDefault = FALSE;
    const DWORD strict = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    const DWORD lenient = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    return Run(in, out, strict, lenient,
               [&](DWORD flags, char* buffer, int size) {
                   return ::WideCharToMultiByte(codePage, flags, in.data(),
                                                static_cast<int>(in.size()), buffer, size, nullptr,
                                                utf8 ? nullptr : &usedDefault);
               }) &&
           !usedDefault;
}

} // namespace

LeadBytes ActiveCodePageLeadBytes() {
    CPINFO info{};
    if (!::GetCPInfo(CP_ACP, &info))
        return LeadBytes();
    std::vector<std::pair<unsigned char, unsigned char>> ranges;
    for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] || info.LeadByte[i + 1]); i += 2)
        ranges.emplace_back(info.LeadByte[i], info.LeadByte[i + 1]);
    return LeadBytes::FromRanges(ranges);
}

namespace detail {

bool SystemToWide(std::string_view text, Encoding from, std::wstring& out) {
    return Widen(CodePageOf(from), text, out);
}

bool SystemFromWide(std::wstring_view text, Encoding to, std::string& out) {
    return Narrow(CodePageOf(to), text, out);
}

bool SystemConvert(std::string_view text, Encoding from, Encoding to, std::string& out) {
    std::wstring wide;
    const bool read = Widen(CodePageOf(from), text, wide);
    const bool written = Narrow(CodePageOf(to), wide, out);
    return read && written;
}

bool SameEncoding(Encoding a, Encoding b) {
    return CodePageOf(a) == CodePageOf(b);
}

std::size_t SystemCharLength(std::string_view text, std::size_t i) {
    const UINT codePage = CodePageOf(Encoding::system);
    if (codePage == CP_UTF8)
        return Utf8CharLength(text, i);
    return ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

} // namespace detail
} // namespace vorna
