#include "Entries.h"

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

} // namespace vorna::e2e
