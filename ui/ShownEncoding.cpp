#include "ui/ShownEncoding.h"

#include "ui/Texts.h"
#include "ui/VornaDlgRules.h"

#include <windows.h>

namespace vorna {

Encoding ShownEncoding(const FileEncoding& file) {
    return file.encoding == Encoding::cp936 ? Encoding::system : TextEncoding(file.encoding);
}

LeadBytes KeywordLeadBytes(Encoding shown) {
    return shown == Encoding::system ? ActiveCodePageLeadBytes() : MatchLeadBytes(shown);
}

std::string ClipboardText(Encoding shown) {
    if (shown == Encoding::system)
        return TextOfBlock(static_cast<HGLOBAL>(::GetClipboardData(CF_TEXT)));
    return FromWide(WideTextOfBlock(static_cast<HGLOBAL>(::GetClipboardData(CF_UNICODETEXT))),
                    shown)
        .text;
}

std::wstring LoadedFileTip(std::string_view path, const FileEncoding& file, std::size_t entries) {
    std::wstring name = ToWide(path, Encoding::utf8).text;
    name.erase(0, name.find_last_of(L"\\/") + 1);
    const std::wstring head = std::wstring(texts::kNotifyTip) + L" — ";
    const std::wstring tail = L" (" + ToWide(EncodingName(file.encoding), Encoding::utf8).text +
                              L", " + std::to_wstring(entries) + L" 条)";
    constexpr std::size_t kRoom = 127; // the shell's tip, without its terminating zero
    if (head.size() + name.size() + tail.size() > kRoom) {
        std::size_t keep = kRoom - head.size() - tail.size() - 1;
        // Not between the two halves of a surrogate pair.
        if (keep > 0 && name[keep - 1] >= 0xD800 && name[keep - 1] <= 0xDBFF)
            --keep;
        name = name.substr(0, keep) + L"…";
    }
    return head + name + tail;
}

} // namespace vorna
