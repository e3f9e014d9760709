// vendu add, export and import, and what the commands share: the program's own reader,
// checks and record, with conversions only at the edges (terminal, CSV, JSON Lines).
#include "tools/vendu/Commands.h"

#include "tools/vendu/Console.h"
#include "tools/vendu/EntryEdits.h"
#include "tools/vendu/EntryInput.h"
#include "tools/vendu/Formats.h"
#include "tools/vendu/ShowText.h"

#include "knowledge/EntryFile.h"
#include "knowledge/EntrySpans.h"
#include "io/Append.h"
#include "io/Read.h"
#include "text/CodePage.h"
#include "text/Convert.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace vendu {

namespace {

void Say(std::FILE* stream, const std::string& text) {
    WriteText(stream, text + "\n");
}

// Why text could not become code page 936 (or UTF-8, when it is not valid UTF-8).
std::string WhyNotCp936(std::string_view utf8, const vorna::ConversionError& error) {
    const std::string at = " at byte " + std::to_string(error.offset + 1);
    if (error.character == 0)
        return "it is not valid UTF-8" + at;
    return "\"" + std::string(utf8.substr(error.offset, error.length)) + "\"" + at +
           " has no code page 936 form";
}

} // namespace

bool KeptAsBytes(bool raw, bool fromCommandLine) {
#ifdef _WIN32
    return raw && !fromCommandLine;
#else
    (void)fromCommandLine;
    return raw;
#endif
}

bool ToEntryBytes(const std::string& given, bool raw, bool fromCommandLine, std::string& bytes,
                  std::string& why, vorna::Encoding to) {
    if (KeptAsBytes(raw, fromCommandLine)) {
        bytes = given;
        return true;
    }
    std::string utf8 = given;
    if (fromCommandLine && !TerminalArgToUtf8(given, utf8)) {
        why = "it is not valid text in the terminal's encoding";
        return false;
    }
    vorna::Converted<std::string> converted = to == vorna::Encoding::utf8
                                                  ? CheckedUtf8(utf8)
                                                  : vorna::Convert(utf8, vorna::Encoding::utf8, to);
    if (converted.ok) {
        bytes = std::move(converted.text);
        return true;
    }
    why = WhyNotCp936(utf8, converted.error);
    return false;
}

namespace {

// Opens the target of an append as the Add dialog does, an existing file never created, and
// holds it alone until the append is done. Every command that changes an entry file opens it
// this way.
// Its encoding is decided from its bytes, as the records go in it.
// With --create a missing file is made first, empty: code page 936, as a new file is.
bool OpenTarget(const Options& options, const std::string& path, vorna::CFile& file,
                TextCoding& coding) {
    if (options.Has("--create") && !vorna::CFile::GetStatus(path)) {
        const vorna::FileResult made = vorna::CFile::CreateEmpty(path);
        if (!made.Ok()) {
            Report(options, path, "cannot be created: " + DescribeFile(made));
            return false;
        }
        Say(stdout, "created " + path);
    }
    vorna::FileResult opened = vorna::OpenFile(
        file, path, vorna::Opening{vorna::CFile::modeReadWrite, options.waitSeconds});
    if (opened.Ok())
        opened = vorna::ReadFileEncoding(file, coding.file);
    if (!opened.Ok())
        Report(options, path, DescribeFile(opened));
    return opened.Ok();
}

// The record of two texts (in the file's text encoding) as the file holds it.
vorna::Converted<std::string> RecordIn(const TextCoding& coding, const std::string (&texts)[2]) {
    return vorna::MakeRecordIn(coding.file, texts[0], texts[1]);
}

// Appends and reports; the exit status.
int Append(const Options& options, vorna::CFile& file, const std::string& path,
           const std::string& bytes, const std::string& what) {
    const vorna::FileResult result = vorna::AppendWhole(file, bytes);
    if (!result.Ok()) {
        Report(options, path, DescribeFile(result));
        return kExitError;
    }
    Say(stdout, "added " + what + " to " + path + " (" + std::to_string(bytes.size()) + " bytes)");
    return kExitOk;
}

} // namespace

const char* RefusedText(vorna::EntryCheck check) {
    switch (check) {
    case vorna::EntryCheck::questionEmpty:
    case vorna::EntryCheck::questionHasQuestionMarker:
    case vorna::EntryCheck::questionHasAnswerMarker:
        return "question";
    default:
        return "answer";
    }
}

namespace {

// The first control character of an entry text other than tab, CR and LF, or npos. In code
// page 936 these bytes are never part of a two-byte character.
std::size_t FindControlCharacter(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F)
            return i;
    }
    return std::string_view::npos;
}

} // namespace

std::string ControlCharacterProblem(const std::string (&texts)[2]) {
    for (int k = 0; k < 2; ++k) {
        const std::size_t at = FindControlCharacter(texts[k]);
        if (at == std::string_view::npos)
            continue;
        char code[8];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned char>(texts[k][at]));
        return std::string("the ") + (k == 0 ? "question" : "answer") +
               " holds the control character " + code + " (only tab, CR and LF may stand in " +
               "a text)";
    }
    return "";
}

std::string BlankTextProblem(const std::string (&texts)[2]) {
    for (int k = 0; k < 2; ++k) {
        if (!texts[k].empty() && texts[k].find_first_not_of(" \t\r\n") == std::string::npos)
            return std::string("the ") + (k == 0 ? "question" : "answer") +
                   " is only white space (spaces, tabs and line breaks)";
    }
    return "";
}

std::string_view WrittenText(std::string_view text, bool followedByRecord) {
    if (text.substr(0, 2) == "\r\n")
        text.remove_prefix(2);
    else if (text.substr(0, 1) == "\n")
        text.remove_prefix(1);
    if (followedByRecord) {
        if (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n")
            text.remove_suffix(2);
        else if (!text.empty() && text.back() == '\n')
            text.remove_suffix(1);
    }
    return text;
}

bool AddEntryTexts(nlohmann::ordered_json& object, const std::string_view (&texts)[2], bool raw,
                   std::size_t (&badByte)[2], vorna::Encoding encoding) {
    static const char* const kNames[2][2] = {{"question", "question_base64"},
                                             {"answer", "answer_base64"}};
    bool allText = true;
    for (int k = 0; k < 2; ++k) {
        badByte[k] = std::string_view::npos;
        vorna::Converted<std::string> utf8;
        if (!raw) {
            utf8 = encoding == vorna::Encoding::utf8
                       ? CheckedUtf8(texts[k])
                       : vorna::Convert(texts[k], vorna::Encoding::cp936, vorna::Encoding::utf8);
            if (utf8.ok) {
                object[kNames[k][0]] = std::move(utf8.text);
                continue;
            }
            badByte[k] = utf8.error.offset;
            allText = false;
        }
        object[kNames[k][1]] = Base64Encode(texts[k]);
    }
    return allText;
}

std::string InputName(const std::string& path) {
    return path == "-" ? "(standard input)" : path;
}

std::string DescribeFile(const vorna::FileResult& result) {
    if (result.status != vorna::FileStatus::inUse)
        return result.Describe();
    const long seconds = std::lround(result.waited);
    return "in use by another program" +
           (seconds > 0
                ? " (waited " + std::to_string(seconds) + " s; --wait SECONDS sets how long)"
                : std::string(" (--wait SECONDS waits for it)"));
}

void Report(const Options& options, const std::string& what) {
    WriteText(stderr, options.Who() + ": " + EscapeControls(what, false) + "\n");
}

void Report(const Options& options, const std::string& file, const std::string& what) {
    Report(options, InputName(file) + ": " + what);
}

void Report(const Options& options, const std::string& file, const vorna::FileResult& result) {
    if (result.status == vorna::FileStatus::changedWhileRead)
        Report(options, InputName(file) + " " + result.Describe());
    else
        Report(options, file, DescribeFile(result));
}

int RunAdd(const Options& options) {
    if (options.positional.size() != 1)
        return UsageError(options, "give exactly one entry file");
    const std::string& path = options.positional[0];
    GivenTexts given;
    int status = kExitOk;
    if (!ReadEntryTexts(options, true, given, status))
        return status;

    vorna::CFile file;
    TextCoding coding;
    std::optional<std::string> converted[2];
    if (!OpenTarget(options, path, file, coding) ||
        !EntryTextsIn(options, given, coding.Text(), converted))
        return kExitError;
    const std::string texts[2] = {*converted[0], *converted[1]};
    const vorna::EntryCheck check = vorna::CheckNewEntry(texts[0], texts[1]);
    if (check != vorna::EntryCheck::ok) {
        Report(options, path,
               std::string(vorna::EntryCheckMessage(check)) + " (the " + RefusedText(check) +
                   "; nothing was added)");
        return kExitFindings;
    }
    const std::string control = ControlCharacterProblem(texts);
    if (!control.empty()) {
        Report(options, path, control + "; nothing was added");
        return kExitFindings;
    }
    const std::string blank = BlankTextProblem(texts);
    if (!blank.empty()) {
        Report(options, path, blank + "; nothing was added");
        return kExitFindings;
    }
    const vorna::Converted<std::string> record = RecordIn(coding, texts);
    if (!record.ok) {
        Report(options, path,
               "the texts are not valid UTF-8, so they cannot be written in " + coding.Name() +
                   "; nothing was added");
        return kExitError;
    }
    return Append(options, file, path, record.text, "1 entry");
}

int RunExport(const Options& options) {
    const std::string* format = options.Value("--format");
    if (format && (*format == "html" || *format == "md"))
        return RunExportPage(options, *format);
    if (options.positional.empty() || !format || (*format != "csv" && *format != "jsonl"))
        return UsageError(options, "give an entry file and --format=csv, jsonl, html or md");
    const bool csv = *format == "csv";
    const bool raw = options.Has("--raw");

    // The entries are read a window at a time and written as they come, file after file.
    // CSV of converted text is written only when every text converts: a first pass makes
    // sure, with the files held open all the while so no writer comes between (standard input
    // is held in memory).
    const bool checkFirst = csv && !raw;
    std::vector<std::unique_ptr<EntryInput>> inputs;
    for (const std::string& path : options.positional) {
        inputs.push_back(std::make_unique<EntryInput>());
        if (const vorna::FileResult opened = inputs.back()->Open(options, path, checkFirst);
            !opened.Ok()) {
            Report(options, path, DescribeFile(opened));
            return kExitError;
        }
    }
    std::size_t number = 0, problems = 0;
    std::string out = csv ? CsvRow("question", "answer") : std::string();
    const auto exportEntry = [&](const std::string& path, vorna::Encoding encoding,
                                 std::string_view question, std::string_view answer, bool followed,
                                 bool writing) {
        ++number;
        const std::string_view texts[2] = {WrittenText(question, true),
                                           WrittenText(answer, followed)};
        if (csv && raw) {
            out += CsvRow(texts[0], texts[1]);
        } else {
            nlohmann::ordered_json object;
            std::size_t badByte[2];
            AddEntryTexts(object, texts, raw, badByte, encoding);
            // Told in the pass that checks, or in the only one.
            for (int k = 0; k < 2 && (!writing || !checkFirst); ++k) {
                if (badByte[k] == std::string_view::npos)
                    continue;
                const char* name = k == 0 ? "question" : "answer";
                const std::string where = "entry " + std::to_string(number) + ": the " + name +
                                          " does not convert to UTF-8 at byte " +
                                          std::to_string(badByte[k] + 1);
                ++problems;
                const std::string bytesName =
                    std::string(encoding == vorna::Encoding::utf8 ? "UTF-8" : "code page 936") +
                    " bytes";
                if (csv)
                    Report(options, path, where);
                else
                    Report(options, path,
                           where + "; written as " + bytesName + " (" + name + "_base64)");
            }
            if (!writing)
                return;
            if (!csv)
                out += JsonText(object) + "\n";
            else
                out += CsvRow(object["question"].get_ref<const std::string&>(),
                              object["answer"].get_ref<const std::string&>());
        }
        if (out.size() >= (1u << 16)) {
            WriteBytes(stdout, out);
            out.clear();
        }
    };
    // Every file in order: false, having said why, when one fails.
    const auto eachFile = [&](bool writing) {
        for (std::size_t k = 0; k < inputs.size(); ++k) {
            const std::string& path = options.positional[k];
            const vorna::Encoding encoding = inputs[k]->Coding().Text();
            number = 0;
            const vorna::FileResult read =
                inputs[k]->ForEachEntry([&](std::string_view q, std::string_view a, bool f) {
                    if (!writing || !StandardOutputFailed())
                        exportEntry(path, encoding, q, a, f, writing);
                });
            if (!read.Ok()) {
                Report(options, path, DescribeFile(read));
                return false;
            }
        }
        return true;
    };
    if (checkFirst) {
        if (!eachFile(false))
            return kExitError;
        if (problems > 0) {
            Report(options, "nothing was exported; --raw writes the entry bytes unchanged, and "
                            "--format=jsonl keeps such texts as bytes");
            return kExitFindings;
        }
    }
    if (!eachFile(true))
        return kExitError;
    WriteBytes(stdout, out);
    return kExitOk;
}

int RunImport(const Options& options) {
    const std::string* into = options.Value("--into");
    if (options.positional.size() != 1 || !into)
        return UsageError(options, "give one input file and --into FILE");
    const std::string& input = options.positional[0];
    const auto endsWith = [&input](std::string_view suffix) {
        return input.size() >= suffix.size() &&
               std::string_view(input).substr(input.size() - suffix.size()) == suffix;
    };
    std::string format = options.Value("--format") ? *options.Value("--format")
                         : endsWith(".csv")        ? "csv"
                         : endsWith(".jsonl")      ? "jsonl"
                                                   : "";
    if (format != "csv" && format != "jsonl")
        return UsageError(options, "cannot tell the input's format; give --format=csv or jsonl");
    const bool raw = options.Has("--raw");

    std::string data;
    const vorna::FileResult read = ReadInput(input, options.waitSeconds, data);
    if (!read.Ok()) {
        Report(options, input, read);
        return kExitError;
    }
    if (!raw && data.compare(0, 3, "\xEF\xBB\xBF") == 0)
        data.erase(0, 3); // the byte-order mark spreadsheets put before UTF-8
    std::vector<ImportRow> rows;
    if (format == "csv") {
        std::string fatal;
        if (!ReadCsvRows(data, rows, fatal)) {
            Report(options, input, fatal + "; nothing was imported");
            return kExitError;
        }
    } else {
        ReadJsonLines(data, rows);
    }

    vorna::CFile file;
    TextCoding coding;
    if (!OpenTarget(options, *into, file, coding))
        return kExitError;
    std::string records;
    std::vector<std::size_t> refused;
    std::size_t added = 0;
    for (ImportRow& row : rows) {
        std::string bytes[2];
        for (int k = 0; k < 2 && row.error.empty(); ++k) {
            const char* name = k == 0 ? "question" : "answer";
            const std::string& given = k == 0 ? row.question : row.answer;
            const bool isBytes = k == 0 ? row.questionIsBytes : row.answerIsBytes;
            std::string why;
            if (!ToEntryBytes(given, raw || isBytes, false, bytes[k], why, coding.Text()))
                row.error = std::string("the ") + name + " cannot be written in " +
                            coding.TextName() + ": " + why;
        }
        if (row.error.empty()) {
            const vorna::EntryCheck check = vorna::CheckNewEntry(bytes[0], bytes[1]);
            if (check != vorna::EntryCheck::ok)
                row.error = std::string("the ") + RefusedText(check) +
                            " is refused: " + vorna::EntryCheckMessage(check);
            else
                row.error = ControlCharacterProblem(bytes);
            if (row.error.empty())
                row.error = BlankTextProblem(bytes);
        }
        vorna::Converted<std::string> record;
        if (row.error.empty() && !(record = RecordIn(coding, bytes)).ok)
            row.error =
                "the texts are not valid UTF-8, so they cannot be written in " + coding.Name();
        if (!row.error.empty()) {
            Report(options, input, "row " + std::to_string(row.number) + ": " + row.error);
            refused.push_back(row.number);
            continue;
        }
        records += record.text;
        ++added;
    }
    if (!refused.empty() && !options.Has("--skip-bad")) {
        Report(options, input,
               std::to_string(refused.size()) + " of " + std::to_string(rows.size()) +
                   " rows refused; nothing was imported (--skip-bad imports the others)");
        return kExitFindings;
    }
    int status = kExitOk;
    if (added > 0)
        status = Append(options, file, *into, records,
                        std::to_string(added) + (added == 1 ? " entry" : " entries"));
    else
        Say(stdout, "nothing to import");
    if (!refused.empty()) {
        std::string list;
        for (std::size_t number : refused)
            list += (list.empty() ? "" : ", ") + std::to_string(number);
        Report(options, input, "skipped rows: " + list);
        if (status == kExitOk)
            status = kExitFindings;
    }
    return status;
}

} // namespace vendu
