#include "text/FileEncoding.h"

#include "text/Utf8Blocks.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vorna {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// Bytes of the UTF-8 sequence a byte begins: 1 for ASCII, 2 to 4 for a lead byte, 0 for a
// byte that begins none (a continuation byte, C0, C1, F5..FF).
unsigned Utf8SequenceLength(unsigned char b) {
    return b < 0x80 ? 1 : b < 0xC2 ? 0 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF5 ? 4 : 0;
}

// The first byte at or after i that is not ASCII, or size.
std::size_t SkipAscii(const unsigned char* bytes, std::size_t i, std::size_t size) {
#if defined(__SSE2__)
    for (; i + 16 <= size; i += 16) {
        const int high =
            _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i)));
        if (high != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(high)));
    }
#endif
    std::uint64_t eight;
    while (i + 8 <= size && (std::memcpy(&eight, bytes + i, 8), (eight & kHighBits) == 0))
        i += 8;
    while (i < size && bytes[i] < 0x80)
        ++i;
    return i;
}

// Whether more bytes could still make head a byte-order mark.
bool MayBecomeMark(std::string_view head) {
    for (std::string_view mark : {kUtf8Mark, kUtf16LeMark, kUtf16BeMark})
        if (head.size() < mark.size() && mark.substr(0, head.size()) == head)
            return true;
    return false;
}

} // namespace

std::string_view ByteOrderMark(Encoding encoding) {
    switch (encoding) {
    case Encoding::utf8:
        return kUtf8Mark;
    case Encoding::utf16le:
        return kUtf16LeMark;
    case Encoding::utf16be:
        return kUtf16BeMark;
    case Encoding::cp936:
    case Encoding::system:
        break;
    }
    return {};
}

std::string_view EncodingName(Encoding encoding) {
    switch (encoding) {
    case Encoding::utf8:
        return "UTF-8";
    case Encoding::utf16le:
        return "UTF-16LE";
    case Encoding::utf16be:
        return "UTF-16BE";
    case Encoding::cp936:
    case Encoding::system:
        break;
    }
    return "GBK";
}

Encoding TextEncoding(Encoding fileEncoding) {
    return fileEncoding == Encoding::utf16le || fileEncoding == Encoding::utf16be ? Encoding::utf8
                                                                                  : fileEncoding;
}

LeadBytes MatchLeadBytes(Encoding textEncoding) {
    return textEncoding == Encoding::cp936 ? LeadBytes::Cp936() : LeadBytes();
}

std::size_t CharLength(Encoding textEncoding, std::string_view text, std::size_t i) {
    return textEncoding == Encoding::utf8 ? Utf8CharLength(text, i) : Cp936CharLength(text, i);
}

void FileEncodingDetector::Feed(std::string_view piece) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(piece.data());
    std::size_t size = piece.size();
    if (!m_markSettled) {
        const std::size_t taken = std::min(size, 3 - m_head.size());
        m_head.append(piece.substr(0, taken));
        bytes += taken;
        size -= taken;
        if (MayBecomeMark(m_head))
            return;
        SettleMark();
    }
    Validate(bytes, size);
}

// Called once the first three bytes (or all there are) have arrived.
void FileEncodingDetector::SettleMark() {
    m_markSettled = true;
    const std::string_view head = m_head;
    for (Encoding e : {Encoding::utf8, Encoding::utf16le, Encoding::utf16be}) {
        const std::string_view mark = ByteOrderMark(e);
        if (head.substr(0, mark.size()) == mark) {
            m_mark = {e, mark.size()};
            break;
        }
    }
    m_offset = m_mark.markLength;
    const std::string rest = m_head.substr(m_mark.markLength);
    m_head.clear();
    Validate(reinterpret_cast<const unsigned char*>(rest.data()), rest.size());
}

// The bytes the second byte of a character may take after its lead byte (the first of a
// sequence of length 3 or 4 excludes overlong forms, surrogates and code points past
// U+10FFFF); the bytes after it always lie in 80..BF.
void FileEncodingDetector::BeginCharacter(unsigned char lead, std::uint64_t at) {
    m_charStart = at;
    m_charLength = Utf8SequenceLength(lead);
    m_need = m_charLength - 1;
    m_low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    m_high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
}

// Takes the next byte of the character begun; false when it cannot be that byte.
bool FileEncodingDetector::ContinueCharacter(unsigned char b) {
    if (b < m_low || b > m_high)
        return false;
    m_low = 0x80;
    m_high = 0xBF;
    if (--m_need == 0 && m_charLength >= 3 && m_survey.firstWide == kNoUtf8Position)
        m_survey.firstWide = m_charStart;
    return true;
}

// Blocks of sixteen valid bytes pass at once; the rest is checked here a character at a
// time: a character that lies whole in the piece in place, with no state kept between its
// bytes, and one cut by the piece's end byte by byte through BeginCharacter and
// ContinueCharacter.
void FileEncodingDetector::Validate(const unsigned char* bytes, std::size_t size) {
    if (!m_survey.valid || m_mark.encoding == Encoding::utf16le ||
        m_mark.encoding == Encoding::utf16be) {
        m_offset += size;
        return;
    }
    std::size_t i = 0;
    bool ok = true;
    while (m_need != 0 && i < size && (ok = ContinueCharacter(bytes[i])))
        ++i;
    std::uint64_t firstWide = m_survey.firstWide;
    while (ok && i < size) {
        const detail::Utf8BlockRun run = detail::CheckUtf8Blocks(bytes, i, size);
        if (firstWide == kNoUtf8Position && run.firstWide != detail::kNoUtf8Byte)
            firstWide = m_offset + run.firstWide;
        i = run.resume;
        while (i < run.until) {
            i = SkipAscii(bytes, i, run.until);
            if (i == run.until)
                break;
            const unsigned char lead = bytes[i];
            const unsigned n = Utf8SequenceLength(lead);
            if (n == 0) {
                ok = false;
                break;
            }
            if (i + n > size) {
                m_survey.firstWide = firstWide;
                BeginCharacter(lead, m_offset + i);
                while (++i < size && (ok = ContinueCharacter(bytes[i])))
                    ;
                firstWide = m_survey.firstWide;
                break;
            }
            const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
            const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
            const unsigned char second = bytes[i + 1];
            if (second < low || second > high || (n >= 3 && (bytes[i + 2] & 0xC0) != 0x80) ||
                (n == 4 && (bytes[i + 3] & 0xC0) != 0x80)) {
                // Where the character went wrong is where it began.
                m_charStart = m_offset + i;
                m_need = 1;
                ok = false;
                break;
            }
            if (n >= 3 && firstWide == kNoUtf8Position)
                firstWide = m_offset + i;
            i += n;
        }
    }
    m_survey.firstWide = firstWide;
    if (!ok) {
        m_survey.valid = false;
        m_survey.firstInvalid = m_need != 0 ? m_charStart : m_offset + i;
        m_need = 0;
    }
    m_offset += size;
}

bool FileEncodingDetector::Decided() const {
    return (m_markSettled && m_mark.HasMark()) || !m_survey.valid;
}

Utf8Survey FileEncodingDetector::Survey() const {
    FileEncodingDetector finished = *this;
    if (!finished.m_markSettled)
        finished.SettleMark();
    Utf8Survey survey = finished.m_survey;
    if (survey.valid && finished.m_need != 0) { // the file ends inside a character
        survey.valid = false;
        survey.firstInvalid = finished.m_charStart;
    }
    return survey;
}

FileEncoding FileEncodingDetector::Result() const {
    FileEncodingDetector finished = *this;
    if (!finished.m_markSettled)
        finished.SettleMark();
    if (finished.m_mark.HasMark())
        return finished.m_mark;
    const Utf8Survey survey = Survey();
    if (survey.valid && survey.firstWide != kNoUtf8Position)
        return {Encoding::utf8, 0};
    return {Encoding::cp936, 0};
}

FileEncoding DetectFileEncoding(std::string_view bytes) {
    FileEncodingDetector detector;
    detector.Feed(bytes);
    return detector.Result();
}

} // namespace vorna
