#include "Entries.h"

#include "Driver.h"

namespace vorna::e2e {

std::string HandMadeFile(const std::vector<TestEntry>& entries) {
    std::string file;
    for (const TestEntry& entry : entries)
        file += "(%Q%)" + entry.question + "(%A%)" + entry.answer;
    return file;
}

std::string WrittenRecord(std::string_view question, std::string_view answer) {
    std::string record = "\r\n(%Q%)\r\n";
    record += question;
    record += "\r\n(%A%)\r\n";
    record += answer;
    return record;
}

std::string Label(const TestEntry& entry) {
    return entry.question + "/" + entry.answer;
}

std::string CountSummary(int count) {
    return "搜索：" + std::to_string(count) + "条结果";
}

std::string G(std::string_view utf8) {
    return Ansi(utf8);
}

std::string Utf16Bytes(std::string_view utf8, bool littleEndian, bool mark) {
    std::string out;
    for (wchar_t unit : (mark ? L"\uFEFF" : L"") + Wide(utf8)) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        out += littleEndian ? low : high;
        out += littleEndian ? high : low;
    }
    return out;
}

std::string MatchSummary(std::string_view keyword, int count) {
    if (count == 0)
        return G("【") + std::string(keyword) + G("】无搜索结果");
    return G("【") + std::string(keyword) + G("】共用") + std::to_string(count) + G("条搜索结果");
}

std::vector<RefusedFile> RefusedFiles(const std::wstring& missing, const std::wstring& held) {
    return {
        {"missing", missing, "该文件不存在！"},
        {"held open by another program", held, "该文件无法打开！"},
    };
}

} // namespace vorna::e2e
