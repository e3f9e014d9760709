#pragma once
// An entry file read in its own encoding, the one piece every command that reads entries
// uses: the encoding is decided from the file's bytes before any entry is matched or told, the
// entries are handed over as text in that encoding (a UTF-16 file's as UTF-8), and what the
// user gives (a keyword, a text) is turned into it.
#include "io/Read.h"
#include "knowledge/EntrySpans.h"
#include "text/CodePage.h"
#include "text/Convert.h"
#include "text/FileEncoding.h"

#include <functional>
#include <string>
#include <string_view>

namespace vendu {

struct Options;

// UTF-8 checked: the conversion of UTF-8 into itself takes the bytes unchecked.
vorna::Converted<std::string> CheckedUtf8(std::string_view utf8);
// The character a conversion of UTF-8 failed on: "\"😀\" (U+1F600)".
std::string NamedCharacter(std::string_view utf8, const vorna::ConversionError& error);

// How a file's texts are held once read.
struct TextCoding {
    vorna::FileEncoding file; // as its bytes decide it

    // The texts' encoding: code page 936 or UTF-8 (a UTF-16 file's texts are UTF-8).
    vorna::Encoding Text() const { return vorna::TextEncoding(file.encoding); }
    vorna::LeadBytes Lead() const { return vorna::MatchLeadBytes(Text()); }
    // Whether the texts are not the file's bytes (UTF-16).
    bool Transcoded() const { return Text() != file.encoding; }
    std::string Name() const { return std::string(vorna::EncodingName(file.encoding)); }
    // The texts' encoding in messages: "code page 936" or "UTF-8".
    const char* TextName() const {
        return Text() == vorna::Encoding::utf8 ? "UTF-8" : "code page 936";
    }
    // UTF-8 (what the user gives, once out of the terminal's encoding) in the texts'
    // encoding: not ok where the encoding cannot hold a character.
    vorna::Converted<std::string> FromUtf8(std::string_view utf8) const;
    // The texts' bytes as UTF-8, for a person: not ok where they do not convert.
    vorna::Converted<std::string> ToUtf8(std::string_view text) const;
};

// A whole file's bytes as the text its entries are read from: the bytes themselves, except a
// UTF-16 file's, which become UTF-8 without the mark. Not ok where they are not UTF-16 (the
// text then holds a replacement there).
vorna::Converted<std::string> FileToText(std::string_view bytes, const vorna::FileEncoding& file);
// The text back in the file's encoding: a UTF-16 file's with its mark. Not ok where the text
// is not valid UTF-8 (given as bytes, say).
vorna::Converted<std::string> TextToFile(std::string_view text, const vorna::FileEncoding& file);

// An entry file, or standard input ("-"), opened for reading (shared), its encoding decided.
// A file's bytes are read from the start only until they decide it: a mark, or a byte that is
// not UTF-8 (at once for most GBK files); a file that is valid UTF-8 is read through once
// before its entries are. A UTF-16 file is held in memory as UTF-8 text, and so is standard
// input as far as it was read to decide (all of it for UTF-8 without a mark).
class EntryInput {
public:
    // Not ok when it cannot be read (nothing said yet). severalPasses: the input is passed more
    // than once (standard input is then held whole). noticeChanges: a file that changes while
    // it is read makes its reads fail (changedWhileRead). A UTF-16 file that is not valid
    // UTF-16 is read with replacements, and a note says where on standard error.
    vorna::FileResult Open(const Options& options, const std::string& path,
                           bool severalPasses = false, bool noticeChanges = false);
    const TextCoding& Coding() const { return m_coding; }

    // Windows of whole entries of the text, from its start. Standard input held in part is
    // passed once only.
    vorna::FileResult Pass(const vorna::WindowReading& how,
                           const std::function<void(const vorna::Window&)>& visit);
    // Every entry in order, as vorna::ForEachEntry hands them over.
    vorna::FileResult ForEachEntry(const vorna::EntryVisit& visit);
    // The file itself, when its text is its bytes and it is not standard input; else null.
    vorna::FileWindows* Windows() { return m_held ? nullptr : &m_file; }
    // The text whole, when it is held in memory; else null.
    const std::string* Held() const { return m_held && m_complete ? &m_text : nullptr; }
    // The bytes read to hold it (a UTF-16 file's size).
    std::uint64_t HeldBytes() const { return m_heldBytes; }

private:
    TextCoding m_coding;
    vorna::FileWindows m_file;
    bool m_held = false;     // the text is (partly) in m_text
    bool m_complete = false; // m_text is all of it
    std::string m_text;
    std::uint64_t m_heldBytes = 0;
};

} // namespace vendu
