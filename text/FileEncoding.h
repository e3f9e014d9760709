#pragma once
// Which encoding an entry file's bytes are in, decided once from the bytes themselves and kept
// with what was read: a byte-order mark says it outright; without one, a file that is valid
// UTF-8 throughout and holds a character of three or four bytes (Chinese text, an emoji) is
// UTF-8, and everything else, an empty file included, is code page 936.
#include "text/CodePage.h"
#include "text/Convert.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorna {

struct FileEncoding {
    Encoding encoding = Encoding::cp936; // cp936, utf8, utf16le or utf16be
    std::size_t markLength = 0;          // bytes of the byte-order mark at the file's start

    bool HasMark() const { return markLength != 0; }
    friend bool operator==(const FileEncoding& a, const FileEncoding& b) {
        return a.encoding == b.encoding && a.markLength == b.markLength;
    }
    friend bool operator!=(const FileEncoding& a, const FileEncoding& b) { return !(a == b); }
};

// The byte-order mark of an encoding (empty for code page 936, which has none).
std::string_view ByteOrderMark(Encoding encoding);
// How the encoding is named to the user: "UTF-8", "GBK", "UTF-16LE", "UTF-16BE".
std::string_view EncodingName(Encoding encoding);
// The encoding the texts of a file in this encoding are held in once read: a UTF-16 file's
// texts are handled as UTF-8, the others as they are in the file.
Encoding TextEncoding(Encoding fileEncoding);
// The lead bytes a match must respect in texts held in that encoding. Code page 936 needs its
// own; UTF-8 needs none, as a valid keyword can only begin where a character does.
LeadBytes MatchLeadBytes(Encoding textEncoding);
// Length of the character at offset i of text held in a text encoding (code page 936 or
// UTF-8), 0 where the bytes there begin none.
std::size_t CharLength(Encoding textEncoding, std::string_view text, std::size_t i);

constexpr std::uint64_t kNoUtf8Position = static_cast<std::uint64_t>(-1);

// What UTF-8 validation found in a file's bytes after its mark (offsets from the file's start).
struct Utf8Survey {
    bool valid = true;
    std::uint64_t firstInvalid = kNoUtf8Position; // where the first byte that is not UTF-8 is
    std::uint64_t firstWide = kNoUtf8Position;    // where the first 3- or 4-byte character is
};

// Decides a file's encoding from its bytes given piece after piece, in order, however they are
// split. Each byte is looked at once; ASCII runs eight bytes at a time.
class FileEncodingDetector {
public:
    void Feed(std::string_view piece);
    // Whether more bytes can change the answer no longer: a mark was seen, or a byte that is
    // not UTF-8.
    bool Decided() const;
    // The answer for the bytes fed so far, taken as the whole file.
    FileEncoding Result() const;
    // The UTF-8 validation of the bytes fed so far, taken as the whole file (not meaningful
    // for a UTF-16 file).
    Utf8Survey Survey() const;

private:
    void SettleMark();
    void Validate(const unsigned char* bytes, std::size_t size);
    void BeginCharacter(unsigned char lead, std::uint64_t at);
    bool ContinueCharacter(unsigned char b);

    std::string m_head; // the first bytes, until it is known whether they are a mark
    bool m_markSettled = false;
    FileEncoding m_mark;
    std::uint64_t m_offset = 0; // of the next byte to validate
    Utf8Survey m_survey;
    // The character being read: its start, its length, the bytes it still needs and the
    // range the next of them must lie in.
    std::uint64_t m_charStart = 0;
    unsigned m_charLength = 0;
    unsigned m_need = 0;
    unsigned char m_low = 0x80, m_high = 0xBF;
};

// The encoding of a whole file's bytes.
FileEncoding DetectFileEncoding(std::string_view bytes);

} // namespace vorna
