// Adding an entry: what the checks tell the user.
#include "knowledge/EntryFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorna {
namespace {

// 输入为空，请输入内容！ and 错误输入，请修改内容！ in UTF-8.
const std::string kEmptyInput =
    "\xE8\xBE\x93\xE5\x85\xA5\xE4\xB8\xBA\xE7\xA9\xBA\xEF\xBC\x8C\xE8\xAF"
    "\xB7\xE8\xBE\x93\xE5\x85\xA5\xE5\x86\x85\xE5\xAE\xB9\xEF\xBC\x81";
const std::string kWrongInput =
    "\xE9\x94\x99\xE8\xAF\xAF\xE8\xBE\x93\xE5\x85\xA5\xEF\xBC\x8C\xE8\xAF"
    "\xB7\xE4\xBF\xAE\xE6\x94\xB9\xE5\x86\x85\xE5\xAE\xB9\xEF\xBC\x81";

struct SaveCase {
    std::string question;
    std::string answer;
    std::string message; // empty: the entry is saved
};

// The message the user sees for a question and an answer typed into the dialog.
TEST(AddEntryChecks, MessageForWhatTheUserTyped) {
    const std::vector<SaveCase> cases = {
        // The question's marker tests come before the answer's empty test.
        {"a(%A%)", "", kWrongInput},
        {"", "x(%Q%)y", kEmptyInput},
        {"q", "before (%Q%) after", kWrongInput},
        {"q", "\xB4\xF0(%A%)", kWrongInput},
        {"(%q%)", "(%a%)", ""},
        {"(%Q%", "%A%)", ""},
        {"(%Q%x)", "(%A %)", ""},
        {" ", "\t", ""},
        {"\r\n", "\r\n\r\n", ""},
        {"\xCE\xCA\xCC\xE2", "\xB4\xF0\xB0\xB8", ""},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE("question [" + c.question + "] answer [" + c.answer + "]");
        EXPECT_EQ(EntryCheckMessage(CheckNewEntry(c.question, c.answer)), c.message);
    }
}

} // namespace
} // namespace vorna
