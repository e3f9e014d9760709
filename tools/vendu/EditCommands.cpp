// vendu rm, edit and merge: entries removed, changed or brought in from other files, each
// through one rewrite of the file.
#include "tools/vendu/Commands.h"

#include "tools/vendu/Console.h"
#include "tools/vendu/EditSupport.h"
#include "tools/vendu/EntryEdits.h"
#include "tools/vendu/EntryNumbers.h"
#include "tools/vendu/Formats.h"
#include "tools/vendu/ShowText.h"

#include "knowledge/EntryFile.h"
#include "knowledge/Search.h"

#include <nlohmann/json.hpp>

#include <optional>

namespace vendu {

namespace {

std::string NoSuchEntry(std::size_t number, std::size_t count) {
    return "no entry " + std::to_string(number) + " (the file has " +
           Count(count, "entry", "entries") + ")";
}

} // namespace

int RunRemove(const Options& options) {
    if (options.positional.size() < 2)
        return UsageError(options, "give an entry file and the numbers of the entries to remove");
    const std::string& path = options.positional[0];
    std::vector<NumberRange> ranges;
    std::string why;
    if (!ParseEntryNumbers({options.positional.begin() + 1, options.positional.end()}, ranges, why))
        return UsageError(options, why);
    const bool json = options.Has("--json");
    std::string report, refusal;
    nlohmann::ordered_json removedEntries = nlohmann::ordered_json::array();
    std::size_t removed = 0;
    const bool written =
        RewriteEntryText(options, path, [&](const FileText& old, std::string& updated) {
            const EntryLayout layout = LayOut(old.text);
            const std::size_t count = layout.entries.size();
            if (LastNumber(ranges) > count) {
                refusal = InputName(path) + ": " + NoSuchEntry(LastNumber(ranges), count) +
                          "; nothing was removed";
                return false;
            }
            std::vector<std::size_t> numbers;
            for (std::size_t i = 0; i < count; ++i) {
                if (!InRanges(ranges, i + 1))
                    continue;
                numbers.push_back(i + 1);
                const std::string_view texts[2] = {
                    WrittenText(layout.Question(i), true),
                    WrittenText(layout.Answer(i), layout.FollowedByRecord(i))};
                if (json) {
                    nlohmann::ordered_json entry = {{"entry", i + 1}};
                    std::size_t badByte[2];
                    AddEntryTexts(entry, texts, false, badByte, old.coding.Text());
                    removedEntries.push_back(std::move(entry));
                    continue;
                }
                // As search lists an entry: line breaks as spaces, on one line.
                report += "removed entry " + std::to_string(i + 1) + ": " +
                          OneLine(std::string(texts[0]) + "/" + std::string(texts[1]), {}, {},
                                  false, nullptr, old.coding.Text()) +
                          "\n";
            }
            removed = numbers.size();
            updated = RemoveEntries(layout, numbers);
            return true;
        });
    if (!written)
        return kExitError;
    if (!refusal.empty()) {
        Report(options, refusal);
        return kExitFindings;
    }
    if (json) {
        nlohmann::ordered_json document = {{"file", InputName(path)}, {"removed", removedEntries}};
        if (!BackupNote(path, options).empty())
            document["backup"] = BackupPath(path);
        WriteBytes(ResultStream(path), JsonText(document) + "\n");
        return kExitOk;
    }
    WriteText(ResultStream(path), report + InputName(path) + ": " +
                                      Count(removed, "entry", "entries") + " removed" +
                                      BackupNote(path, options) + "\n" + AppendedNote(path));
    return kExitOk;
}

int RunEdit(const Options& options) {
    std::size_t number = 0;
    if (options.positional.size() != 2)
        return UsageError(options, "give an entry file and the number of the entry to change");
    std::vector<NumberRange> ranges;
    std::string why;
    if (!ParseEntryNumbers({options.positional[1]}, ranges, why))
        return UsageError(options, why);
    if (ranges[0].first != ranges[0].last)
        return UsageError(options, "edit changes one entry, not a range");
    number = ranges[0].first;
    GivenTexts texts;
    int status = kExitOk;
    if (!ReadEntryTexts(options, false, texts, status))
        return status;
    if (!texts.text[0] && !texts.text[1])
        return UsageError(options, "give the new question, the new answer or both");
    const std::string& path = options.positional[0];
    std::string refusal;
    bool unwritable = false;
    const bool written =
        RewriteEntryText(options, path, [&](const FileText& old, std::string& updated) {
            std::optional<std::string> given[2];
            if (!EntryTextsIn(options, texts, old.coding.Text(), given)) {
                unwritable = true;
                return false;
            }
            const EntryLayout layout = LayOut(old.text);
            if (number > layout.entries.size()) {
                refusal = InputName(path) + ": " + NoSuchEntry(number, layout.entries.size());
                return false;
            }
            // The entry as it will be, as its writer would give it: the checks of add.
            const std::size_t i = number - 1;
            const std::string texts[2] = {
                given[0] ? *given[0] : std::string(WrittenText(layout.Question(i), true)),
                given[1] ? *given[1]
                         : std::string(WrittenText(layout.Answer(i), layout.FollowedByRecord(i)))};
            const vorna::EntryCheck check = vorna::CheckNewEntry(texts[0], texts[1]);
            if (check != vorna::EntryCheck::ok) {
                refusal = std::string(vorna::EntryCheckMessage(check)) + " (the " +
                          RefusedText(check) + "; nothing was changed)";
                return false;
            }
            const std::string newTexts[2] = {given[0].value_or(""), given[1].value_or("")};
            const std::string control = ControlCharacterProblem(newTexts);
            if (!control.empty()) {
                refusal = control + "; nothing was changed";
                return false;
            }
            const std::string blank = BlankTextProblem(newTexts);
            if (!blank.empty()) {
                refusal = blank + "; nothing was changed";
                return false;
            }
            updated = ReplaceEntry(layout, number, given[0], given[1]);
            return true;
        });
    if (!written || unwritable)
        return kExitError;
    if (!refusal.empty()) {
        Report(options, refusal);
        return kExitFindings;
    }
    WriteText(ResultStream(path), InputName(path) + ": entry " + std::to_string(number) +
                                      " changed" + BackupNote(path, options) + "\n" +
                                      AppendedNote(path));
    return kExitOk;
}

int RunMerge(const Options& options) {
    const std::string* into = options.Value("--into");
    if (options.positional.empty() || !into)
        return UsageError(options, "give the entry files to merge and --into FILE");
    // The sources are read first, each shared, so that the target may be one of them; each
    // in its own encoding.
    std::vector<std::string> contents(options.positional.size());
    std::vector<TextCoding> codings(contents.size());
    for (std::size_t k = 0; k < contents.size(); ++k) {
        const std::string& source = options.positional[k];
        const vorna::FileResult read = ReadInput(source, options.waitSeconds, contents[k]);
        if (!read.Ok()) {
            Report(options, source, read);
            return kExitError;
        }
        codings[k].file = vorna::DetectFileEncoding(contents[k]);
        const vorna::Converted<std::string> text = FileToText(contents[k], codings[k].file);
        if (!text.ok) {
            Report(options, source, "not valid " + codings[k].Name() + "; nothing was added");
            return kExitError;
        }
        if (codings[k].Transcoded())
            contents[k] = text.text;
    }
    std::size_t offered = 0;
    for (const std::string& content : contents)
        offered += LayOut(content).entries.size();
    std::size_t added = 0;
    std::string refusal;
    const bool written =
        RewriteEntryText(options, *into, [&](const FileText& old, std::string& updated) {
            // The sources' entries in the target's text encoding.
            std::vector<std::string> converted(contents.size());
            std::vector<EntryLayout> sources;
            for (std::size_t k = 0; k < contents.size(); ++k) {
                const EntryLayout layout = LayOut(contents[k]);
                if (codings[k].Text() == old.coding.Text()) {
                    sources.push_back(layout);
                    continue;
                }
                const EntryFailure failure =
                    ConvertEntries(layout, codings[k].Text(), old.coding.Text(), converted[k]);
                if (failure.entry) {
                    refusal = options.positional[k] + ": entry " + std::to_string(failure.entry) +
                              ": " + failure.why + "; nothing was added";
                    return false;
                }
                sources.push_back(LayOut(converted[k]));
            }
            updated = AppendEntries(LayOut(old.text), sources, options.Has("--dedupe"), added);
            return added > 0;
        });
    if (!refusal.empty()) {
        Report(options, refusal);
        return kExitError;
    }
    if (!written)
        return kExitError;
    const std::string skipped =
        offered > added ? ", " + std::to_string(offered - added) + " already there skipped" : "";
    if (added == 0)
        WriteText(ResultStream(*into), InputName(*into) + ": nothing to add" + skipped + "\n");
    else
        WriteText(ResultStream(*into), InputName(*into) + ": " + Count(added, "entry", "entries") +
                                           " added from " +
                                           Count(contents.size(), "file", "files") + skipped +
                                           BackupNote(*into, options) + "\n" + AppendedNote(*into));
    return kExitOk;
}

} // namespace vendu
