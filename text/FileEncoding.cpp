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
            std::uint64_t eight;
            while (i + 8 <= size && (std::memcpy(&eight, bytes + i, 8), (eight & kHighBits) == 0))
                i += 8;
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
