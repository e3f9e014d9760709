#pragma once
// The in-memory knowledge base. Every text is held once, one after the other in one buffer
// (question 0, answer 0, question 1, answer 1, ...), with the place where each begins:
// a few bytes an entry beside the file's own size, and one run of bytes to search.
#include "io/FileResult.h"
#include "text/FileEncoding.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorna {

// Where the texts of a store begin: text t runs from bound t to bound t + 1. Four bytes a
// bound while the texts stay below 4 GiB, eight beyond.
class TextBounds {
public:
    // There is always the bound 0, where the first text begins; it takes no memory alone.
    std::size_t Size() const {
        return !m_wide.empty() ? m_wide.size() : std::max<std::size_t>(m_narrow.size(), 1);
    }
    std::uint64_t operator[](std::size_t i) const {
        return !m_wide.empty() ? m_wide[i] : m_narrow.empty() ? 0 : m_narrow[i];
    }
    void Push(std::uint64_t bound) {
        if (m_wide.empty() && !m_narrow.empty() && bound <= 0xFFFFFFFFu)
            m_narrow.push_back(static_cast<std::uint32_t>(bound));
        else
            PushFirstOrWide(bound);
    }
    void Reserve(std::size_t count);
    // Room for count more without moving, growing by at least half when it must.
    void MakeRoom(std::size_t count);
    // Back to the one bound 0, with no memory held.
    void Clear() noexcept;
    // Calls visit with the bounds as one array of their width (Size() of them; null when
    // there is only the bound 0).
    template <class Visit> decltype(auto) With(Visit&& visit) const {
        return m_wide.empty() ? visit(m_narrow.data()) : visit(m_wide.data());
    }

private:
    void PushFirstOrWide(std::uint64_t bound);

    std::vector<std::uint32_t> m_narrow;
    std::vector<std::uint64_t> m_wide;
};

class CEntryStore;

// One of the store's two ordered lists: the questions (side 0) or the answers (side 1), as
// views into the store's buffer, valid until the store changes.
class CTextList {
public:
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = const std::string_view*;
        using reference = std::string_view;

        Iterator(const CTextList* list, std::size_t i) : m_list(list), m_i(i) {}
        std::string_view operator*() const { return (*m_list)[m_i]; }
        Iterator& operator++() {
            ++m_i;
            return *this;
        }
        bool operator==(const Iterator& o) const { return m_i == o.m_i; }
        bool operator!=(const Iterator& o) const { return m_i != o.m_i; }

    private:
        const CTextList* m_list;
        std::size_t m_i;
    };

    std::size_t size() const;
    bool empty() const { return size() == 0; }
    std::string_view operator[](std::size_t i) const;
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, size()); }

private:
    friend class CEntryStore;
    CTextList(const CEntryStore* store, unsigned side) : m_store(store), m_side(side) {}

    const CEntryStore* m_store;
    unsigned m_side;
};

class CEntryStore {
public:
    CEntryStore() : m_arrQuestions(this, 0), m_arrAnswers(this, 1) {}
    CEntryStore(CEntryStore&& other) noexcept;
    CEntryStore& operator=(CEntryStore&& other) noexcept;
    CEntryStore(const CEntryStore&) = delete;
    CEntryStore& operator=(const CEntryStore&) = delete;

    // Appends the question to the questions, then the answer to the answers. Texts that
    // lie in the store's own buffer beyond its texts (where the reader puts a file's bytes)
    // are moved down into place rather than copied from elsewhere.
    void AddEntry(std::string_view question, std::string_view answer);
    // Empties the questions, then the answers, and lets the memory go; the encoding is code
    // page 936 again.
    void RemoveAll();
    std::size_t GetCount() const { return (m_bounds.Size() - 1) / 2; }

    // Text t: the question of entry t / 2 when t is even, its answer when t is odd.
    std::string_view Text(std::size_t t) const {
        const std::uint64_t begin = m_bounds[t];
        return std::string_view(m_buffer.get() + begin,
                                static_cast<std::size_t>(m_bounds[t + 1] - begin));
    }
    // Every text, one after the other, and where each begins.
    std::string_view AllTexts() const { return std::string_view(m_buffer.get(), m_used); }
    const TextBounds& Bounds() const { return m_bounds; }
    // The encoding of the file the entries were read from (code page 936 for a store filled
    // otherwise); the texts are in its TextEncoding, UTF-8 for a UTF-16 file.
    const FileEncoding& GetFileEncoding() const { return m_fileEncoding; }

    CTextList m_arrQuestions;
    CTextList m_arrAnswers;

private:
    friend class CEntryReader;
    // Room for at least bytes more beyond offset keep, the bytes before it kept; the old
    // buffer when a new one took its place.
    std::unique_ptr<char[]> Grow(std::size_t keep, std::size_t bytes);

    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity = 0;
    std::size_t m_used = 0; // bytes of texts
    TextBounds m_bounds;
    FileEncoding m_fileEncoding;
};

inline std::size_t CTextList::size() const {
    return m_store->GetCount();
}

inline std::string_view CTextList::operator[](std::size_t i) const {
    return m_store->Text(2 * i + m_side);
}

// Does the path name an existing file that opens for reading with no sharing? missing when
// nothing of that name exists, else what the trial open gave. The caller decides whether and
// how to tell the user.
FileResult CheckEntryFile(const std::string& path);

// Replaces the store with the entries of the file and its encoding; the same result as
// emptying the store and reading the file into it. When the file cannot be opened or read
// (it vanished or was locked after the check) or its entries do not fit in memory (tooBig),
// the store keeps what it held and the result says why; offset is the bytes of the file read.
FileResult LoadEntryFile(const std::string& path, CEntryStore& store);

} // namespace vorna
