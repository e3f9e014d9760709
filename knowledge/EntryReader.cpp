#include "knowledge/EntryReader.h"

#include "io/File.h"
#include "io/Read.h"
#include "knowledge/EntryFile.h"
#include "text/ByteFinder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace vorna {

namespace {

// Bytes a read asks for: large enough that the calls cost nothing, small enough that the
// entries are cut out while the bytes are still in the processor's cache.
constexpr std::size_t kBlock = 1 << 20;

} // namespace

CEntryReader::CEntryReader(CEntryStore& store) : m_store(store), m_start(store.m_used) {}

void CEntryReader::Expect(std::uint64_t bytes) {
    m_expected = bytes;
    if (bytes > std::numeric_limits<std::size_t>::max() - m_start)
        throw std::bad_alloc();
    if (bytes > m_size)
        m_store.Grow(m_start + m_size, static_cast<std::size_t>(bytes) - m_size);
}

std::size_t CEntryReader::Free() const {
    return m_store.m_capacity - m_start - m_size;
}

char* CEntryReader::Room(std::size_t bytes) {
    if (Free() < bytes)
        m_store.Grow(m_start + m_size, bytes);
    return m_store.m_buffer.get() + m_start + m_size;
}

void CEntryReader::Commit(std::size_t count) {
    char* const bytes = m_store.m_buffer.get() + m_start;
    m_fileBytes += count;
    if (m_detecting) {
        m_detector.Feed(std::string_view(bytes + m_size, count));
        m_detecting = !m_detector.Decided();
        // A mark is settled by the third byte, before a marker could be told (five): no
        // UTF-16 byte has been cut as text.
        const Encoding file = m_detecting ? Encoding::cp936 : m_detector.Result().encoding;
        m_wide = TextEncoding(file) != file;
    }
    if (m_wide)
        m_size += count;
    else
        Scan(count);
}

// The two markers share their first and last bytes and cannot overlap one another (none
// has a '(' after its first byte), so one pass over the places where both ends agree sees
// every marker in order: a question marker ends the open entry and opens the next; the
// first answer marker after it is its answer marker; later ones are answer text, and those
// before any question marker belong to the ignored preamble. The end of the file ends the
// last entry. No marker can be told before its five bytes have arrived, so the scan stops
// four bytes short of the bytes committed and resumes there.
void CEntryReader::Scan(std::size_t count) {
    m_size += count;
    if (m_size < kMarkerLength)
        return;
    const detail::ByteFinder ends(kQuestionMarker);
    ends.FindEnds(m_store.m_buffer.get() + m_start, m_size, m_scanFrom, [this](std::size_t p) {
        OnMarker(p);
        return false;
    });
    m_scanFrom = std::max(m_scanFrom, m_size - (kMarkerLength - 1));
    if (!m_estimated && m_expected > 0 && (m_size >= kBlock || m_size + 1 >= m_expected)) {
        // Room for the bounds of as many entries as the first block suggests, and an eighth
        // more: the list grows once, not by doubling, and what stays unused is never touched.
        m_estimated = true;
        const double perByte = static_cast<double>(m_store.GetCount() + 1) / m_size;
        const double expected = perByte * static_cast<double>(m_expected) * 1.125 + 16;
        if (expected < 1e12)
            m_store.m_bounds.Reserve(m_store.m_bounds.Size() +
                                     2 * static_cast<std::size_t>(expected));
    }
}

void CEntryReader::OnMarker(std::size_t p) {
    const char* at = m_store.m_buffer.get() + m_start + p;
    if (at[1] != '%' || at[3] != '%')
        return;
    if (at[2] == 'Q') {
        if (m_question != kNone)
            CloseEntry(p);
        m_question = p;
        m_answer = kNone;
    } else if (at[2] == 'A' && m_question != kNone && m_answer == kNone) {
        m_answer = p;
    }
}

void CEntryReader::CloseEntry(std::size_t next) {
    if (m_answer == kNone)
        return; // no answer marker before the next question: no entry
    const char* file = m_store.m_buffer.get() + m_start;
    const std::size_t questionBegin = m_question + kMarkerLength;
    const std::size_t answerBegin = m_answer + kMarkerLength;
    m_store.AddEntry(std::string_view(file + questionBegin, m_answer - questionBegin),
                     std::string_view(file + answerBegin, next - answerBegin));
}

void CEntryReader::ScanWide() {
    const FileEncoding file = m_detector.Result();
    // Whole, for a file that is read whole anyway; what does not convert (a lone surrogate,
    // an odd last byte) shows as the replacement character.
    const std::string_view raw(m_store.m_buffer.get() + m_start, m_size);
    const std::string text =
        Convert(raw.substr(file.markLength), file.encoding, Encoding::utf8).text;
    m_size = 0;
    m_wide = false;
    m_expected = 0; // cut in one go: nothing to estimate from
    if (text.empty())
        return;
    std::memcpy(Room(text.size()), text.data(), text.size());
    Scan(text.size());
}

void CEntryReader::Finish() {
    if (m_wide)
        ScanWide();
    if (m_question != kNone)
        CloseEntry(m_size);
    m_question = m_answer = kNone;
    m_store.m_fileEncoding = m_detector.Result();
}

FileResult ReadEntryFile(const std::string& path, CEntryStore& store) {
    CFile file;
    FileResult result = OpenFile(file, path, Opening{CFile::modeRead, 0});
    if (!result.Ok())
        return result;
    std::uint64_t length = 0;
    const bool known = file.GetLength(&length);
    if (known && !MayFitInMemory(length)) {
        result.status = FileStatus::tooBig;
        result.offset = length;
        return result;
    }
    CEntryReader reader(store);
    if (known && length < std::numeric_limits<std::uint64_t>::max())
        reader.Expect(length + 1); // and one more byte for the read that meets the end
    for (;;) {
        const std::size_t free = reader.Free();
        const std::size_t want = free > 0 ? std::min(free, kBlock) : kBlock;
        bool failed = false;
        const std::size_t got = file.Read(reader.Room(want), want, &failed);
        if (failed) {
            result = file.GetLastError();
            result.offset = reader.Size();
            return result;
        }
        if (got == 0)
            break;
        reader.Commit(got);
    }
    reader.Finish();
    result.offset = reader.Size();
    return result;
}

} // namespace vorna
