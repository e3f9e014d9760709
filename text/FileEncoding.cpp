#include "text/FileEncoding.h"

#include <cstring>

namespace vorna {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// Whether more bytes could still make head a byte-order mark.
bool MayBecomeMark(std::string_view head) {
    for (std::string_view mark : {kUtf8Mark, kUtf16LeMark, kUtf16BeMark})
        if (head.size() < mark.size() && mark.substr(0, head.size()) == head)
            return true;
    return false;
}

// What a byte says as the first of a UTF-8 character: its length (0: it begins none) and the
// range its second byte must lie in.
struct LeadInfo {
    unsigned char length, low, high;
};
struct LeadTable {
    LeadInfo info[256];
    constexpr LeadTable() : info() {
        for (unsigned b = 0; b < 256; ++b) {
            LeadInfo& i = info[b];
            i = {0, 0x80, 0xBF};
            if (b >= 0xC2 && b <= 0xDF)
                i.length = 2;
            else if (b >= 0xE0 && b <= 0xEF)
                i = {3, static_cast<unsigned char>(b == 0xE0 ? 0xA0 : 0x80),
                     static_cast<unsigned char>(b == 0xED ? 0x9F : 0xBF)};
            else if (b >= 0xF0 && b <= 0xF4)
                i = {4, static_cast<unsigned char>(b == 0xF0 ? 0x90 : 0x80),
                     static_cast<unsigned char>(b == 0xF4 ? 0x8F : 0xBF)};
        }
    }
};
constexpr LeadTable kLeads;

// UTF-8 validation as a table walk: one state a byte, the state a bit offset into the byte's
// row of next states (6 bits each), so each byte costs a load, a shift and a mask.
enum : unsigned {
    kAccept = 0,
    kError = 6,
    kNeed1 = 12, // one byte 80..BF
    kNeed2 = 18,
    kNeed3 = 24,
    kAfterE0 = 30, // A0..BF, then one more
    kAfterED = 36, // 80..9F, then one more
    kAfterF0 = 42, // 90..BF, then two more
    kAfterF4 = 48, // 80..8F, then two more
};
struct StateTable {
    std::uint64_t row[256];
    constexpr StateTable() : row() {
        for (unsigned b = 0; b < 256; ++b) {
            std::uint64_t r = 0;
            const auto to = [&r](unsigned from, unsigned next) {
                r |= static_cast<std::uint64_t>(next) << from;
            };
            to(kError, kError);
            const bool tail = b >= 0x80 && b <= 0xBF;
            to(kAccept, b < 0x80                 ? kAccept
                        : b >= 0xC2 && b <= 0xDF ? kNeed1
                        : b == 0xE0              ? kAfterE0
                        : b == 0xED              ? kAfterED
                        : b >= 0xE1 && b <= 0xEF ? kNeed2
                        : b == 0xF0              ? kAfterF0
                        : b == 0xF4              ? kAfterF4
                        : b >= 0xF1 && b <= 0xF3 ? kNeed3
                                                 : kError);
            to(kNeed1, tail ? kAccept : kError);
            to(kNeed2, tail ? kNeed1 : kError);
            to(kNeed3, tail ? kNeed2 : kError);
            to(kAfterE0, b >= 0xA0 && b <= 0xBF ? kNeed1 : kError);
            to(kAfterED, b >= 0x80 && b <= 0x9F ? kNeed1 : kError);
            to(kAfterF0, b >= 0x90 && b <= 0xBF ? kNeed2 : kError);
            to(kAfterF4, b >= 0x80 && b <= 0x8F ? kNeed2 : kError);
            row[b] = r;
        }
    }
};
constexpr StateTable kStates;

unsigned Step(unsigned state, unsigned char byte) {
    return static_cast<unsigned>(kStates.row[byte] >> state) & 63;
}

// Where a character begins at or just before at (at most three bytes back), or at itself
// when the bytes there are not UTF-8 anyway.
std::size_t CharacterStart(const unsigned char* bytes, std::size_t at) {
    for (std::size_t back = 0; back < 3 && (bytes[at - back] & 0xC0) == 0x80; ++back) {
        if ((bytes[at - back - 1] & 0xC0) != 0x80)
            return at - back - 1;
    }
    return at;
}

// From a character start i, passes over valid UTF-8 in blocks that end where characters
// begin, each walked as two halves at once (two independent chains of table steps): the
// start of the first block that is not valid UTF-8, or of the last few bytes; the walk below
// looks at the rest character by character.
std::size_t SkipValid(const unsigned char* bytes, std::size_t i, std::size_t size) {
    constexpr std::size_t kBlock = 4096;
    while (size - i > 64) {
        const std::size_t end = CharacterStart(bytes, std::min(i + kBlock, size - 4));
        const std::size_t mid = CharacterStart(bytes, i + (end - i) / 2);
        if (mid <= i || end <= mid)
            return i;
        const std::size_t n = std::min(mid - i, end - mid);
        unsigned a = kAccept, b = kAccept;
        for (std::size_t k = 0; k < n; ++k) {
            a = Step(a, bytes[i + k]);
            b = Step(b, bytes[mid + k]);
        }
        for (std::size_t k = i + n; k < mid; ++k)
            a = Step(a, bytes[k]);
        for (std::size_t k = mid + n; k < end; ++k)
            b = Step(b, bytes[k]);
        if (a != kAccept || b != kAccept)
            return i;
        i = end;
    }
    return i;
}

// Whole characters of bytes from i on, while each is valid and lies before size: where it
// stopped (size, or a character that is not valid or runs past size, which the byte by byte
// walk then takes). firstWide gets base plus the offset of the first of 3 or 4 bytes.
std::size_t ValidateWhole(const unsigned char* bytes, std::size_t i, std::size_t size,
                          std::uint64_t base, std::uint64_t& firstWide) {
    // Once the first wide character is known, only validity matters.
    if (firstWide != kNoUtf8Position)
        i = SkipValid(bytes, i, size);
    for (;;) {
        std::uint64_t eight;
        while (i + 8 <= size && (std::memcpy(&eight, bytes + i, 8), (eight & kHighBits) == 0))
            i += 8;
        if (i >= size)
            return size;
        const unsigned char b = bytes[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        const LeadInfo lead = kLeads.info[b];
        if (lead.length == 0 || i + lead.length > size || bytes[i + 1] < lead.low ||
            bytes[i + 1] > lead.high)
            return i;
        if (lead.length >= 3) {
            if ((bytes[i + 2] & 0xC0) != 0x80 ||
                (lead.length == 4 && (bytes[i + 3] & 0xC0) != 0x80))
                return i;
            if (firstWide == kNoUtf8Position) {
                firstWide = base + i;
                i = SkipValid(bytes, i + lead.length, size);
                continue;
            }
        }
        i += lead.length;
    }
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

void FileEncodingDetector::Validate(const unsigned char* bytes, std::size_t size) {
    if (!m_survey.valid || m_mark.encoding == Encoding::utf16le ||
        m_mark.encoding == Encoding::utf16be) {
        m_offset += size;
        return;
    }
    std::size_t i = 0;
    while (i < size) {
        if (m_need == 0) {
            i = ValidateWhole(bytes, i, size, m_offset, m_survey.firstWide);
            if (i == size)
                break;
            const unsigned char b = bytes[i];
            if (b < 0x80) {
                ++i;
                continue;
            }
            m_charStart = m_offset + i;
            m_low = 0x80;
            m_high = 0xBF;
            if (b >= 0xC2 && b <= 0xDF) {
                m_charLength = 2;
            } else if (b >= 0xE0 && b <= 0xEF) {
                m_charLength = 3;
                m_low = b == 0xE0 ? 0xA0 : 0x80;
                m_high = b == 0xED ? 0x9F : 0xBF;
            } else if (b >= 0xF0 && b <= 0xF4) {
                m_charLength = 4;
                m_low = b == 0xF0 ? 0x90 : 0x80;
                m_high = b == 0xF4 ? 0x8F : 0xBF;
            } else {
                m_charLength = 0;
            }
            if (m_charLength == 0)
                break;
            m_need = m_charLength - 1;
            ++i;
            continue;
        }
        const unsigned char b = bytes[i];
        if (b < m_low || b > m_high)
            break;
        m_low = 0x80;
        m_high = 0xBF;
        ++i;
        if (--m_need == 0 && m_charLength >= 3 && m_survey.firstWide == kNoUtf8Position)
            m_survey.firstWide = m_charStart;
    }
    if (i < size) {
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
