#include "knowledge/EntryStore.h"

#include "io/File.h"
#include "knowledge/EntryReader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vorna {

namespace {

// Copies n bytes from src down to dst (dst before src; the two may overlap), front to back.
// Entry texts are short, and under Wine the C runtime's memmove costs more per call than
// the bytes of a text; the last piece is loaded before anything is stored, so an overlap
// cannot spoil it.
void MoveDown(char* dst, const char* src, std::size_t n) {
#if defined(__SSE2__)
    if (n >= 16) {
        const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + n - 16));
        for (std::size_t i = 0; i + 16 <= n; i += 16)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n - 16), last);
        return;
    }
#endif
    if (n >= 8) {
        std::uint64_t first, last;
        std::memcpy(&first, src, 8);
        std::memcpy(&last, src + n - 8, 8);
        std::memcpy(dst, &first, 8);
        std::memcpy(dst + n - 8, &last, 8);
        return;
    }
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = src[i];
}

} // namespace

void TextBounds::PushFirstOrWide(std::uint64_t bound) {
    if (!m_wide.empty()) {
        m_wide.push_back(bound);
        return;
    }
    if (m_narrow.empty()) {
        m_narrow.reserve(2);
        m_narrow.push_back(0);
    }
    if (bound <= std::numeric_limits<std::uint32_t>::max()) {
        m_narrow.push_back(static_cast<std::uint32_t>(bound));
        return;
    }
    // Past 4 GiB of texts: every bound takes eight bytes from here on.
    std::vector<std::uint64_t> wide;
    wide.reserve(std::max(m_narrow.capacity(), m_narrow.size() + 2));
    wide.assign(m_narrow.begin(), m_narrow.end());
    wide.push_back(bound);
    m_wide = std::move(wide);
    std::vector<std::uint32_t>().swap(m_narrow);
}

void TextBounds::Reserve(std::size_t count) {
    if (m_wide.empty())
        m_narrow.reserve(count);
    else
        m_wide.reserve(count);
}

void TextBounds::MakeRoom(std::size_t count) {
    const auto room = [count](auto& bounds) {
        // One more for the bound 0 that a first text brings.
        if (bounds.capacity() - bounds.size() < count + 1)
            bounds.reserve(std::max(bounds.capacity() * 2, bounds.size() + count + 1));
    };
    if (m_wide.empty())
        room(m_narrow);
    else
        room(m_wide);
}

void TextBounds::Clear() noexcept {
    std::vector<std::uint64_t>().swap(m_wide);
    std::vector<std::uint32_t>().swap(m_narrow);
}

CEntryStore::CEntryStore(CEntryStore&& other) noexcept : CEntryStore() {
    *this = std::move(other);
}

CEntryStore& CEntryStore::operator=(CEntryStore&& other) noexcept {
    if (this != &other) {
        m_buffer = std::move(other.m_buffer);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_used = std::exchange(other.m_used, 0);
        m_bounds = std::move(other.m_bounds);
        other.m_bounds.Clear();
        m_fileEncoding = std::exchange(other.m_fileEncoding, FileEncoding{});
    }
    return *this;
}

std::unique_ptr<char[]> CEntryStore::Grow(std::size_t keep, std::size_t bytes) {
    if (bytes > std::numeric_limits<std::size_t>::max() - keep)
        throw std::bad_alloc();
    const std::size_t needed = keep + bytes;
    if (needed <= m_capacity)
        return nullptr;
    const std::size_t grown =
        std::max(needed, m_capacity <= std::numeric_limits<std::size_t>::max() / 2
                             ? m_capacity * 2
                             : std::numeric_limits<std::size_t>::max());
    std::unique_ptr<char[]> bigger(new char[grown]);
    if (keep > 0)
        std::memcpy(bigger.get(), m_buffer.get(), keep);
    std::swap(m_buffer, bigger);
    m_capacity = grown;
    return bigger;
}

void CEntryStore::AddEntry(std::string_view question, std::string_view answer) {
    m_bounds.MakeRoom(2);
    const char* buffer = m_buffer.get();
    const bool inPlace =
        buffer && question.data() >= buffer + m_used && question.data() < buffer + m_capacity;
    // Texts taken from this store's own entries stay readable until they are copied.
    std::unique_ptr<char[]> old;
    if (!inPlace)
        old = Grow(m_used, question.size() + answer.size());
    // Both texts lie at or beyond where they go: moving each down, in order, never
    // overwrites bytes not moved yet.
    for (const std::string_view text : {question, answer}) {
        char* to = m_buffer.get() + m_used;
        if (inPlace && text.data() != to)
            MoveDown(to, text.data(), text.size());
        else if (!inPlace && !text.empty())
            std::memcpy(to, text.data(), text.size());
        m_used += text.size();
        m_bounds.Push(m_used);
    }
}

void CEntryStore::RemoveAll() {
    m_bounds.Clear();
    m_buffer.reset();
    m_capacity = 0;
    m_used = 0;
    m_fileEncoding = FileEncoding{};
}

FileResult CheckEntryFile(const std::string& path) {
    FileResult result;
    if (!CFile::GetStatus(path)) {
        result.status = FileStatus::missing;
        return result;
    }
    CFile trial;
    trial.Open(path, CFile::modeRead, &result);
    return result;
}

FileResult LoadEntryFile(const std::string& path, CEntryStore& store) {
    CEntryStore fresh;
    FileResult result;
    try {
        result = ReadEntryFile(path, fresh);
    } catch (const std::bad_alloc&) {
        // The entries do not fit in memory: keep the store as it was.
        result.status = FileStatus::tooBig;
    }
    if (result.Ok())
        store = std::move(fresh);
    return result;
}

} // namespace vorna
