#include "tools/vendu/FileIo.h"

#include "knowledge/EntryFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace vendu {

ReadFileStatus ReadWholeFile(const std::string& path, std::string& content) {
    content.clear();
    if (!vorna::CFile::GetStatus(path))
        return ReadFileStatus::missing;
    vorna::CFile file;
    if (!file.Open(path, vorna::CFile::modeRead))
        return ReadFileStatus::cannotOpen;
    // Read straight into the string, sized from the file's length when it is known (with room
    // for the reader's end sentinel): the content is the same as the program's 80-byte reads
    // give, without copying it around.
    std::error_code ignored;
    const std::uintmax_t expected =
        std::filesystem::file_size(std::filesystem::u8path(path), ignored);
    content.resize(expected != static_cast<std::uintmax_t>(-1) &&
                           expected < (std::uintmax_t{1} << 40)
                       ? static_cast<std::size_t>(expected) + 64
                       : std::size_t{1} << 20);
    std::size_t size = 0;
    for (;;) {
        if (size == content.size())
            content.resize(content.size() * 2);
        bool failed = false;
        const std::size_t got = file.Read(&content[size], content.size() - size, &failed);
        if (failed) {
            content.clear();
            return ReadFileStatus::readFailed;
        }
        if (got == 0)
            break;
        size += got;
    }
    content.resize(size);
    return ReadFileStatus::ok;
}

ReadFileStatus ForEachEntryWindow(const std::string& path, std::size_t readSize,
                                  const std::function<void(std::string_view window)>& visit) {
    if (!vorna::CFile::GetStatus(path))
        return ReadFileStatus::missing;
    vorna::CFile file;
    if (!file.Open(path, vorna::CFile::modeRead))
        return ReadFileStatus::cannotOpen;
    const std::string_view marker = vorna::kQuestionMarker;
    // The bytes not handed over yet, then one more read. A plain array rather than a string:
    // growing a string fills the new room with zeros first, a second pass over every byte.
    std::unique_ptr<char[]> data;
    std::size_t capacity = 0, size = 0;
    bool started = false; // data begins with a question marker
    for (;;) {
        const std::size_t old = size;
        if (capacity - size < readSize) {
            const std::size_t grown = std::max(capacity * 2, size + readSize);
            std::unique_ptr<char[]> bigger(new char[grown]);
            if (size > 0)
                std::memcpy(bigger.get(), data.get(), size);
            data = std::move(bigger);
            capacity = grown;
        }
        bool failed = false;
        const std::size_t got = file.Read(data.get() + old, readSize, &failed);
        if (failed)
            return ReadFileStatus::readFailed;
        if (got == 0)
            break;
        size = old + got;
        std::string_view buffer(data.get(), size);
        // The last question marker that ends in the new bytes; an earlier one was seen before.
        std::size_t from = old >= marker.size() ? old - (marker.size() - 1) : 0;
        std::size_t keepFrom;
        if (!started) {
            const std::size_t first = buffer.find(marker);
            if (first == std::string_view::npos) {
                // Keep what may be the beginning of a marker that the next read completes.
                keepFrom = size - std::min(size, marker.size() - 1);
            } else {
                keepFrom = first;
                started = true;
                from = first;
            }
        } else {
            keepFrom = 0;
        }
        if (started) {
            const std::size_t last = buffer.substr(from).rfind(marker);
            if (last != std::string_view::npos && from + last > keepFrom) {
                visit(buffer.substr(keepFrom, from + last - keepFrom));
                keepFrom = from + last;
            }
        }
        std::memmove(data.get(), data.get() + keepFrom, size - keepFrom);
        size -= keepFrom;
    }
    if (started)
        visit(std::string_view(data.get(), size));
    return ReadFileStatus::ok;
}

const char* Describe(ReadFileStatus status) {
    switch (status) {
    case ReadFileStatus::ok:
        return "";
    case ReadFileStatus::missing:
        return "no such file";
    case ReadFileStatus::cannotOpen:
        return "cannot be opened for reading (not a plain file, no permission, or held open by "
               "another program)";
    case ReadFileStatus::readFailed:
        return "reading failed part way";
    }
    return "";
}

} // namespace vendu
