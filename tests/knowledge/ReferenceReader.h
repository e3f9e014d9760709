#pragma once
// The reader as it was before entries were read in blocks into one buffer, kept as the
// reference the block reader must agree with byte for byte: the whole file through the file
// object in 80-byte reads, the end sentinel appended, then one search for each marker. Also
// the ways the tests look at a store: its entries as pairs, a store made of given texts, and
// bytes in memory read by the block reader in pieces of any size.
#include "io/Read.h"
#include "knowledge/EntryFile.h"
#include "knowledge/EntryReader.h"
#include "knowledge/EntryStore.h"
#include "text/ByteFinder.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorna::test {

using Entries = std::vector<std::pair<std::string, std::string>>;

inline constexpr std::size_t kReferenceReadChunk = 80;
// Appended to the content before scanning: the end of the file acts as one more question
// marker, and its leading '(' keeps a marker from forming across the boundary.
inline constexpr std::string_view kEndSentinel = "(%Q%)m(%A%)y";

// content must end with kEndSentinel. Markers cannot overlap one another, so the first
// answer marker after a question marker P lies before the next question marker N exactly
// when it lies wholly inside the bytes between them.
inline Entries ReferenceParse(std::string_view content) {
    Entries out;
    const detail::ByteFinder question(kQuestionMarker);
    const detail::ByteFinder answer(kAnswerMarker);
    const char* s = content.data();
    const std::size_t n = content.size();
    std::size_t p = question.Find(s, n, 0);
    while (p != detail::kNotFound) {
        const std::size_t textStart = p + kMarkerLength;
        const std::size_t next =
            n - textStart >= kMarkerLength &&
                    std::memcmp(s + textStart, kQuestionMarker.data(), kMarkerLength) == 0
                ? textStart
                : question.Find(s, n, textStart);
        if (next == detail::kNotFound)
            break; // p is the end sentinel's marker
        const std::size_t m = answer.Find(s, next, textStart);
        if (m != detail::kNotFound) {
            out.emplace_back(std::string(s + textStart, m - textStart),
                             std::string(s + m + kMarkerLength, next - m - kMarkerLength));
        }
        p = next;
    }
    return out;
}

// The file's bytes as given, without the sentinel.
inline Entries ReferenceParseFile(std::string fileBytes) {
    fileBytes.append(kEndSentinel);
    return ReferenceParse(fileBytes);
}

// The whole file read first (opened for reading, no sharing), then parsed.
inline FileResult ReferenceRead(const std::string& path, Entries& out) {
    std::string content;
    const FileResult result = ReadWholeFile(path, Opening{CFile::modeRead, 0}, content,
                                            kReferenceReadChunk, kEndSentinel.size());
    if (!result.Ok())
        return result;
    content.append(kEndSentinel);
    out = ReferenceParse(content);
    return result;
}

inline Entries EntriesOf(const CEntryStore& store) {
    Entries out;
    for (std::size_t i = 0; i < store.GetCount(); ++i)
        out.emplace_back(store.m_arrQuestions[i], store.m_arrAnswers[i]);
    return out;
}

inline std::vector<std::string> Texts(const CTextList& list) {
    return std::vector<std::string>(list.begin(), list.end());
}

inline CEntryStore StoreOf(const std::vector<std::string>& questions,
                           const std::vector<std::string>& answers) {
    CEntryStore store;
    for (std::size_t i = 0; i < questions.size(); ++i)
        store.AddEntry(questions[i], i < answers.size() ? answers[i] : std::string());
    return store;
}

// The block reader over bytes in memory, handed over in pieces of the given sizes in turn
// (the whole rest at once when none are given).
inline Entries ReadInPieces(std::string_view file, const std::vector<std::size_t>& pieces = {}) {
    CEntryStore store;
    CEntryReader reader(store);
    std::size_t at = 0, k = 0;
    while (at < file.size()) {
        std::size_t n = pieces.empty() ? file.size() : pieces[k++ % pieces.size()];
        n = std::min(std::max<std::size_t>(n, 1), file.size() - at);
        std::memcpy(reader.Room(n), file.data() + at, n);
        reader.Commit(n);
        at += n;
    }
    reader.Finish();
    return EntriesOf(store);
}

} // namespace vorna::test
