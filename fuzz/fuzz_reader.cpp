// The block reader against the reader as it was (the whole file, the end sentinel, one search
// per marker) and against a deliberately literal one: for each question marker look for the
// next question marker and the first answer marker after it, over the whole rest of the
// content each time. The block reader gets the bytes in pieces whose sizes the input picks.
// A file with a UTF-16 mark is read as the UTF-8 of the rest, so both references read that.
#include "knowledge/EntryFile.h"
#include "tests/knowledge/ReferenceReader.h"

#include "FuzzInput.h"

#include <string>
#include <utility>
#include <vector>

namespace {

using vorna::test::Entries;

Entries LiteralRead(std::string s) {
    Entries out;
    s += "(%Q%)m(%A%)y";
    std::size_t pos = 0;
    bool stop = false;
    while (!stop && pos < s.size()) {
        std::size_t p = s.find("(%Q%)", pos);
        std::size_t n = s.find("(%Q%)", p + 1);
        if (n == std::string::npos) {
            stop = true;
            continue;
        }
        std::size_t m = s.find("(%A%)", p);
        if (m < n)
            out.emplace_back(s.substr(p + 5, m - p - 5), s.substr(m + 5, n - m - 5));
        pos = n;
    }
    return out;
}

Entries Read(const std::string& file) {
    return vorna::test::ReadInPieces(file);
}

// The bytes the block reader cuts entries from.
std::string AsCut(const std::string& file) {
    const vorna::FileEncoding e = vorna::DetectFileEncoding(file);
    if (vorna::TextEncoding(e.encoding) == e.encoding)
        return file;
    return vorna::Convert(file.substr(e.markLength), e.encoding, vorna::Encoding::utf8).text;
}

Entries Reference(const std::string& file) {
    return vorna::test::ReferenceParseFile(AsCut(file));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using vorna::fuzz::Require;
    vorna::fuzz::FuzzInput input(data, size);
    const std::string whole(reinterpret_cast<const char*>(data), size);
    const Entries reference = Reference(whole);
    Require(reference == LiteralRead(AsCut(whole)));
    Require(Read(whole) == reference);

    // The same bytes in pieces of the sizes the input's first bytes give.
    std::vector<std::size_t> pieces;
    for (int k = 0, n = 1 + input.Byte() % 4; k < n; ++k)
        pieces.push_back(1 + input.Byte() % 16);
    Require(vorna::test::ReadInPieces(whole, pieces) == reference);

    // A record of two texts cut from the input, appended to the rest as the writer does.
    const std::string question = input.Take(input.Byte() % 32);
    const std::string answer = input.Take(input.Byte() % 32);
    const std::string file = input.Rest();
    const std::string record = vorna::MakeRecord(question, answer);
    Require(record.size() == 18 + question.size() + answer.size());
    const Entries appended = Read(file + record);
    Require(appended == Reference(file + record));
    if (vorna::CheckNewEntry(question, answer) == vorna::EntryCheck::ok &&
        AsCut(file + record) == file + record) {
        // What the writer accepts reads back as one entry with the record's line breaks.
        const Entries alone = Read(record);
        Require(alone.size() == 1);
        Require(alone[0].first == "\r\n" + question + "\r\n");
        Require(alone[0].second == "\r\n" + answer);
        Require(!appended.empty() && appended.back() == alone[0]);
    }
    return 0;
}
