#include "knowledge/Search.h"

#include "text/Find.h"

namespace vorna {

void FindMatches(const std::vector<std::string>& questions, const std::vector<std::string>& answers,
                 std::string_view keyword, const LeadBytes& lead, std::vector<std::uint32_t>& out) {
    out.clear();
    const KeywordFinder search(keyword, lead);
    const std::size_t count = questions.size();
    for (std::size_t i = 0; i < count; ++i) {
        // The answer is looked at only when the question does not hold the keyword.
        if (search.Contains(questions[i]) || (i < answers.size() && search.Contains(answers[i])))
            out.push_back(static_cast<std::uint32_t>(i));
    }
}

std::string MakeLabel(std::string_view question, std::string_view answer) {
    std::string label;
    label.reserve(question.size() + 1 + answer.size());
    label.append(question).append(1, '/').append(answer);
    return label;
}

std::string EntryCountCaption(std::size_t count) {
    return "搜索：" + std::to_string(count) + "条结果";
}

std::string MatchCaption(std::string_view keyword, std::size_t count) {
    std::string caption = "【";
    caption += keyword;
    if (count > 0)
        caption += "】共用" + std::to_string(count) + "条搜索结果";
    else
        caption += "】无搜索结果";
    return caption;
}

} // namespace vorna
