#include "tools/vendu/EntryInput.h"

#include "tools/vendu/Commands.h"
#include "tools/vendu/Console.h"

#include "knowledge/EntryFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace vendu {

namespace {

constexpr std::size_t kPiece = 1 << 17;

vorna::Converted<std::string> Same(std::string_view text) {
    vorna::Converted<std::string> same;
    same.text = text;
    return same;
}

} // namespace

vorna::Converted<std::string> CheckedUtf8(std::string_view utf8) {
    vorna::Converted<std::string> checked;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t length = vorna::Utf8CharLength(utf8, i);
        if (length == 0) {
            checked.ok = false;
            checked.error = {i, 1, 0};
            return checked;
        }
        i += length;
    }
    checked.text = utf8;
    return checked;
}

std::string NamedCharacter(std::string_view utf8, const vorna::ConversionError& error) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(error.character));
    return "\"" + std::string(utf8.substr(error.offset, error.length)) + "\" (" + code + ")";
}

vorna::Converted<std::string> TextCoding::FromUtf8(std::string_view utf8) const {
    return Text() == vorna::Encoding::utf8 ? CheckedUtf8(utf8)
                                           : vorna::Convert(utf8, vorna::Encoding::utf8, Text());
}

vorna::Converted<std::string> TextCoding::ToUtf8(std::string_view text) const {
    return vorna::Convert(text, Text(), vorna::Encoding::utf8);
}

vorna::Converted<std::string> FileToText(std::string_view bytes, const vorna::FileEncoding& file) {
    if (vorna::TextEncoding(file.encoding) == file.encoding)
        return Same(bytes);
    return vorna::Convert(bytes.substr(std::min(file.markLength, bytes.size())), file.encoding,
                          vorna::Encoding::utf8);
}

vorna::Converted<std::string> TextToFile(std::string_view text, const vorna::FileEncoding& file) {
    if (vorna::TextEncoding(file.encoding) == file.encoding)
        return Same(text);
    vorna::Converted<std::string> bytes =
        vorna::Convert(text, vorna::Encoding::utf8, file.encoding);
    bytes.text.insert(0, vorna::ByteOrderMark(file.encoding));
    return bytes;
}

vorna::FileResult EntryInput::Open(const Options& options, const std::string& path,
                                   bool severalPasses, bool noticeChanges) {
    vorna::FileEncodingDetector detector;
    vorna::FileResult result;
    std::string bytes; // what was read to decide
    try {
        if (path == "-") {
            const vorna::ReadPiece read = StandardInputPieces();
            bool ended = false;
            for (;;) {
                const std::size_t had = bytes.size();
                bytes.resize(had + kPiece);
                const std::size_t got = read(&bytes[had], kPiece, result);
                bytes.resize(had + got);
                if (!result.Ok())
                    break;
                if (got == 0) {
                    ended = true;
                    break;
                }
                if (!detector.Decided())
                    detector.Feed(std::string_view(bytes).substr(had));
                const vorna::Encoding decided = detector.Result().encoding;
                if (detector.Decided() && !severalPasses && vorna::TextEncoding(decided) == decided)
                    break;
            }
            m_held = true;
            m_complete = ended;
        } else {
            result = m_file.Open(path, noticeChanges ? CheckedReading(options.waitSeconds)
                                                     : SharedReading(options.waitSeconds));
            vorna::FileStamp before, after;
            const bool stamped = noticeChanges && result.Ok() && m_file.File().GetStamp(&before);
            if (result.Ok())
                result = vorna::ReadFileEncoding(m_file.File(), m_coding.file);
            // Cut short under the look at its encoding: it changed, as a later pass would say.
            if (stamped && result.status == vorna::FileStatus::readFailed &&
                (!m_file.File().GetStamp(&after) || after != before)) {
                result.status = vorna::FileStatus::changedWhileRead;
                result.systemCode = 0;
            }
        }
        if (path == "-")
            m_coding.file = detector.Result();
        if (result.Ok() && m_coding.Transcoded()) {
            // Read whole and held as UTF-8.
            if (path != "-")
                result = ReadShared(path, options.waitSeconds, bytes);
            m_held = m_complete = true;
        }
    } catch (const std::bad_alloc&) {
        result.status = vorna::FileStatus::tooBig;
        result.offset = bytes.size();
    }
    if (!result.Ok() || !m_held)
        return result;
    m_heldBytes = bytes.size();
    if (m_coding.Transcoded()) {
        vorna::Converted<std::string> text = FileToText(bytes, m_coding.file);
        if (!text.ok)
            Report(options, path,
                   "note: not valid " + m_coding.Name() + " at byte " +
                       std::to_string(text.error.offset + m_coding.file.markLength + 1) +
                       "; read with a replacement there");
        m_text = std::move(text.text);
    } else {
        m_text = std::move(bytes);
    }
    return result;
}

vorna::FileResult EntryInput::Pass(const vorna::WindowReading& how,
                                   const std::function<void(const vorna::Window&)>& visit) {
    vorna::FileResult result;
    if (!m_held) {
        result = m_file.Pass(vorna::kQuestionMarker, how, visit);
    } else {
        std::size_t at = 0;
        const vorna::ReadPiece rest = StandardInputPieces();
        try {
            result = vorna::ForEachWindow(
                [&](char* buffer, std::size_t count, vorna::FileResult& failure) -> std::size_t {
                    if (at == m_text.size())
                        return m_complete ? 0 : rest(buffer, count, failure);
                    const std::size_t n = std::min(count, m_text.size() - at);
                    std::memcpy(buffer, m_text.data() + at, n);
                    at += n;
                    return n;
                },
                vorna::kQuestionMarker, how, visit);
        } catch (const std::bad_alloc&) {
            result.status = vorna::FileStatus::tooBig;
        }
    }
    return result;
}

vorna::FileResult EntryInput::ForEachEntry(const vorna::EntryVisit& visit) {
    return vorna::ForEachEntry(
        [this](const std::function<void(const vorna::Window&)>& window) {
            vorna::WindowReading reading;
            reading.viewSize = 4 << 20;
            return Pass(reading, window);
        },
        visit);
}

// How commands open the files they read, and standard input read whole or in pieces.

vorna::FileResult ReadInput(const std::string& path, double waitSeconds, std::string& content) {
    if (path != "-")
        return ReadShared(path, waitSeconds, content);
    vorna::FileResult result;
    if (!ReadStandardInput(content)) {
        result.status = vorna::FileStatus::readFailed;
        result.systemCode = errno;
    }
    result.offset = content.size();
    return result;
}

vorna::ReadPiece StandardInputPieces() {
    return [](char* buffer, std::size_t count, vorna::FileResult& failure) {
        errno = 0;
        const std::size_t got = std::fread(buffer, 1, count, stdin);
        if (got == 0 && std::ferror(stdin)) {
            failure.status = vorna::FileStatus::readFailed;
            failure.systemCode = errno;
        }
        return got;
    };
}

vorna::Opening SharedReading(double waitSeconds) {
    return vorna::Opening{vorna::CFile::modeRead | vorna::CFile::shareDenyWrite, waitSeconds};
}

vorna::Opening CheckedReading(double waitSeconds) {
    vorna::Opening opening = SharedReading(waitSeconds);
    opening.noticeChanges = true;
    return opening;
}

vorna::FileResult ReadShared(const std::string& path, double waitSeconds, std::string& content) {
    return vorna::ReadWholeFile(path, CheckedReading(waitSeconds), content, 256 * 1024);
}

} // namespace vendu
