#pragma once
// How much of an entry the main window shows, so that an entry of any length is shown in a
// bounded time and memory: a result-list line holds at most kLabelBytes bytes and ends with
// "…" when it was cut; a box shows at most kBoxBytes bytes of a text, then a line saying how
// many bytes are not shown. Texts are cut on character boundaries of the store's encoding.
#include "knowledge/EntryStore.h"
#include "text/CodePage.h"
#include "text/Convert.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorna {

class CShownText {
public:
    static constexpr std::size_t kLabelBytes = 4096;
    static constexpr std::size_t kBoxBytes = std::size_t{1} << 20;

    // For texts in encoding; lead: where its characters begin when it is a double-byte
    // encoding (unused for UTF-8).
    CShownText(Encoding encoding, const LeadBytes& lead);

    // The result-list line of an entry: question + "/" + answer whole while that fits, else
    // as much of it as fits with "…".
    std::string Label(std::string_view question, std::string_view answer) const;
    // The most bytes a line takes, and the lines of these entries of the store with their
    // terminating zeros, for reserving the list's room.
    static std::size_t LabelSize(std::string_view question, std::string_view answer);
    static std::size_t LabelRoom(const CEntryStore& store,
                                 const std::vector<std::uint32_t>& entries);
    // A question or answer as a box shows it.
    std::string BoxText(std::string_view text) const;

private:
    std::size_t Cut(std::string_view text, std::size_t limit) const;

    Encoding m_encoding;
    LeadBytes m_lead;
    std::string m_strEllipsis;
};

} // namespace vorna
