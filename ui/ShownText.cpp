#include "ui/ShownText.h"

#include "knowledge/Search.h"
#include "ui/Texts.h"

#include <algorithm>

namespace vorna {

CShownText::CShownText(Encoding encoding, const LeadBytes& lead)
    : m_encoding(encoding), m_lead(lead) {
    Converted<std::string> ellipsis = Convert("…", Encoding::utf8, encoding);
    m_strEllipsis = ellipsis.ok ? ellipsis.text : "...";
}

std::size_t CShownText::Cut(std::string_view text, std::size_t limit) const {
    return m_encoding == Encoding::utf8 ? CharacterCutUtf8(text, limit)
                                        : CharacterCut(text, limit, m_lead);
}

std::string CShownText::Label(std::string_view question, std::string_view answer) const {
    if (question.size() + 1 + answer.size() <= kLabelBytes)
        return MakeLabel(question, answer);
    const std::size_t room = kLabelBytes - m_strEllipsis.size();
    std::string label;
    label.reserve(kLabelBytes);
    if (question.size() + 1 > room) {
        label.append(question.substr(0, Cut(question, room)));
    } else {
        label.append(question).append(1, '/');
        label.append(answer.substr(0, Cut(answer, room - label.size())));
    }
    label += m_strEllipsis;
    return label;
}

std::size_t CShownText::LabelSize(std::string_view question, std::string_view answer) {
    return std::min(question.size() + 1 + answer.size(), kLabelBytes);
}

std::size_t CShownText::LabelRoom(const CEntryStore& store,
                                  const std::vector<std::uint32_t>& entries) {
    std::size_t bytes = 0;
    for (std::uint32_t i : entries)
        bytes += LabelSize(store.m_arrQuestions[i], store.m_arrAnswers[i]) + 1;
    return bytes;
}

std::string CShownText::BoxText(std::string_view text) const {
    if (text.size() <= kBoxBytes)
        return std::string(text);
    const std::size_t cut = Cut(text, kBoxBytes);
    std::string note = texts::kNotShown;
    note.replace(note.find("%s"), 2, std::to_string(text.size() - cut));
    std::string shown;
    shown.reserve(cut + 2 + note.size());
    shown.append(text.substr(0, cut)).append("\r\n");
    shown += Convert(note, Encoding::utf8, m_encoding).text;
    return shown;
}

} // namespace vorna
