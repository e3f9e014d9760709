#pragma once
// The exchange formats: CSV (RFC 4180, every field quoted, CR LF between rows) and JSON Lines
// (one object per line). Both carry a question and an answer per row; they know nothing of
// encodings beyond JSON's UTF-8, which the caller converts from and to. JSON is read and
// written by nlohmann's library.
#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vendu {

std::string Base64Encode(std::string_view bytes);
// Standard alphabet with padding; false on anything else.
bool Base64Decode(std::string_view text, std::string& bytes);

// A JSON value as vendu lays it out: ", " between members and elements, ": " after a name,
// all on one line but for an array of objects, which puts each object on a line of its own
// indented by two spaces a level. A byte of a string that is not UTF-8 (possible only in a
// file name) becomes U+FFFD, so the document stays valid. oneLine: arrays of objects on the
// one line too (a line of JSON Lines).
std::string JsonText(const nlohmann::ordered_json& value, bool oneLine = false);

// One CSV row of two fields, both quoted, ended by CR LF.
std::string CsvRow(std::string_view first, std::string_view second);

// One row read from an import file.
struct ImportRow {
    std::size_t number = 0; // spreadsheet row (CSV, header included) or line (JSON Lines)
    std::string question;   // text as given, or bytes when questionIsBytes
    std::string answer;
    bool questionIsBytes = false; // came base64-encoded: already entry-file bytes
    bool answerIsBytes = false;
    std::string error; // why the row cannot be used; empty when it can
};

// Reads CSV with a header row "question,answer" (optional) and two fields per row. Rows that
// are wrong are returned with an error; a quoted field that never closes spoils the rest of
// the file and fails the whole read (fatal gets the reason).
bool ReadCsvRows(std::string_view data, std::vector<ImportRow>& rows, std::string& fatal);

// Reads JSON Lines: each non-blank line an object with "question" or "question_base64" and
// "answer" or "answer_base64" (strings); other members are ignored.
void ReadJsonLines(std::string_view data, std::vector<ImportRow>& rows);

} // namespace vendu
