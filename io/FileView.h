#pragma once
// Part of an open file seen as memory, read-only, where the system maps files: no copy of the
// bytes is made. Where it does not, or when the address space has no room, Map fails and the
// caller reads instead. Windows gets no views: while a file is mapped there, the system
// refuses other programs the shortening of it, which a reader must not cause.
#include "io/File.h"

#include <cstddef>
#include <cstdint>

namespace vorna {

class CFileView {
public:
    CFileView() = default;
    ~CFileView() { Unmap(); }
    CFileView(const CFileView&) = delete;
    CFileView& operator=(const CFileView&) = delete;

    // The bytes [offset, offset + size) of the open file (size > 0, within the file). Replaces
    // any view held before. One view at a time in a process.
    bool Map(const CFile& file, std::uint64_t offset, std::size_t size);
    void Unmap();

    const char* Data() const { return m_data; }
    std::size_t Size() const { return m_size; }
    // Whether another program shortened the file under the view since it was made: the bytes
    // it lost read as zeros, so what was read from the view is not the file's.
    bool Spoiled() const;

private:
    void* m_base = nullptr; // where the mapping begins, at a page boundary
    std::size_t m_span = 0; // its length
    const char* m_data = nullptr;
    std::size_t m_size = 0;
};

} // namespace vorna
