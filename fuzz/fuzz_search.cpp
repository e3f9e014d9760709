// The matching against a naive one: every start position in turn, with the character
// starts of code page 936 worked out beforehand for the whole text.
#include "knowledge/EntrySpans.h"
#include "knowledge/Search.h"
#include "tests/knowledge/ReferenceReader.h"
#include "text/ByteFinder.h"
#include "text/Find.h"

#include "FuzzInput.h"

#include <string>
#include <vector>

namespace {

std::size_t NaiveFind(const std::string& text, const std::string& keyword, bool cp936) {
    if (keyword.empty())
        return 0;
    std::vector<bool> starts(text.size(), !cp936);
    if (cp936) {
        std::size_t i = 0;
        while (i < text.size()) {
            starts[i] = true;
            unsigned char b = static_cast<unsigned char>(text[i]);
            i += (b >= 0x81 && b <= 0xFE) ? 2 : 1;
        }
    }
    for (std::size_t p = 0; p + keyword.size() <= text.size(); ++p) {
        if (starts[p] && text.compare(p, keyword.size(), keyword) == 0)
            return p;
    }
    return std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using vorna::fuzz::Require;
    vorna::fuzz::FuzzInput input(data, size);
    const unsigned char head = input.Byte();
    const std::string keyword = input.Take(head % 24);
    const char separator = static_cast<char>(input.Byte());
    const std::string rest = input.Rest();

    const vorna::LeadBytes cp936 = vorna::LeadBytes::Cp936();
    const vorna::LeadBytes single;
    Require(vorna::FindKeyword(rest, keyword, cp936) == NaiveFind(rest, keyword, true));
    Require(vorna::FindKeyword(rest, keyword, single) == NaiveFind(rest, keyword, false));
    // Every width of the byte finder, whichever the processor would pick.
    if (!keyword.empty()) {
        using vorna::detail::SimdLevel;
        for (SimdLevel level : {SimdLevel::bytes, SimdLevel::sse2, SimdLevel::avx2}) {
            const vorna::detail::ByteFinder finder(keyword, level);
            const std::size_t at = finder.Find(rest.data(), rest.size(), 0);
            Require(at == (rest.find(keyword) == std::string::npos ? vorna::detail::kNotFound
                                                                   : rest.find(keyword)));
        }
    }

    // The rest as an entry file: counting the entries that hold the keyword, which looks at
    // the markers only around its bytes, agrees with matching over all the file's entries.
    for (const vorna::LeadBytes* lead : {&cp936, &single}) {
        std::vector<std::size_t> matching;
        vorna::FindMatchingSpans(rest, vorna::ScanEntrySpans(rest), keyword, *lead, matching);
        Require(vorna::CountMatchingEntries(rest, keyword, *lead) == matching.size());
    }

    // The rest as a store: texts split at the separator byte, alternately question and answer.
    std::vector<std::string> questions, answers;
    std::size_t start = 0;
    bool isQuestion = true;
    for (std::size_t i = 0; i <= rest.size(); ++i) {
        if (i == rest.size() || rest[i] == separator) {
            (isQuestion ? questions : answers).push_back(rest.substr(start, i - start));
            isQuestion = !isQuestion;
            start = i + 1;
        }
    }
    answers.resize(questions.size());
    const bool use936 = (head & 0x80) != 0;
    std::vector<std::uint32_t> expected;
    for (std::size_t i = 0; i < questions.size(); ++i) {
        if (NaiveFind(questions[i], keyword, use936) != std::string::npos ||
            NaiveFind(answers[i], keyword, use936) != std::string::npos)
            expected.push_back(static_cast<std::uint32_t>(i));
    }
    std::vector<std::uint32_t> got = {7};
    vorna::FindMatches(vorna::test::StoreOf(questions, answers), keyword, use936 ? cp936 : single,
                       got);
    Require(got == expected);
    return 0;
}
