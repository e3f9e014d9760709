#include "io/Read.h"

#include "io/FileView.h"

#include <algorithm>
#include <limits>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

namespace vorna {

FileResult OpenFile(CFile& file, const std::string& path, const Opening& how) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const auto limit = std::chrono::duration<double>(std::max(0.0, how.waitSeconds));
    // Short pauses at first (the usual holder is another vendu that is done in milliseconds),
    // longer ones later, so waiting costs next to nothing.
    auto pause = std::chrono::milliseconds(2);
    FileResult result;
    for (;;) {
        if (file.Open(path, how.flags, &result))
            return FileResult();
        const auto waited = Clock::now() - start;
        result.waited = std::chrono::duration<double>(waited).count();
        if (result.status != FileStatus::inUse || waited >= limit)
            return result;
        std::this_thread::sleep_for(std::min<Clock::duration>(
            pause, std::chrono::duration_cast<Clock::duration>(limit - waited)));
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

FileResult ReadWholeFile(const std::string& path, const Opening& how, std::string& content,
                         std::size_t chunk, std::size_t extra) {
    content.clear();
    CFile file;
    FileResult result = OpenFile(file, path, how);
    if (!result.Ok())
        return result;
    std::uint64_t length = 0;
    const bool known = file.GetLength(&length);
    if (known && (length > content.max_size() - extra || !MayFitInMemory(length))) {
        result.status = FileStatus::tooBig;
        result.offset = length;
        return result;
    }
    try {
        // Room for the whole file at once, so the bytes are not copied again as the string
        // grows; the length is only a hint, the reads decide where the file ends. Reserving
        // touches no memory yet.
        if (known)
            content.reserve(static_cast<std::size_t>(length) + extra);
        std::unique_ptr<char[]> buffer(new char[chunk]);
        for (;;) {
            bool failed = false;
            const std::size_t got = file.Read(buffer.get(), chunk, &failed);
            if (failed) {
                result = file.GetLastError();
                result.offset = content.size();
                content.clear();
                return result;
            }
            if (got == 0)
                break;
            content.append(buffer.get(), got);
        }
    } catch (const std::bad_alloc&) {
        result.status = FileStatus::tooBig;
        result.offset = std::max<std::uint64_t>(length, content.size());
        std::string().swap(content);
        return result;
    }
    result.offset = content.size();
    return result;
}

namespace {

// The windows of ForEachWindow cut from views of the file. False when not even the first view
// could be made (nothing was handed over then); any later failure is in result.
bool WindowsFromViews(const CFile& file, std::string_view separator, std::size_t viewSize,
                      const std::function<void(std::string_view window)>& visit,
                      FileResult& result) {
    std::uint64_t length = 0;
    if (!file.GetLength(&length) || length == 0)
        return false;
    constexpr std::uint64_t kNone = static_cast<std::uint64_t>(-1);
    std::uint64_t at = 0;        // where the next view begins
    std::uint64_t start = kNone; // where the window being gathered begins (at or after at)
    std::size_t size = std::max(viewSize, separator.size());
    bool mapped = false;
    CFileView view;
    while (at < length) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, length - at));
        if (!view.Map(file, at, want)) {
            if (!mapped)
                return false;
            throw std::bad_alloc(); // a window that no view can hold
        }
        mapped = true;
        const std::string_view bytes(view.Data(), view.Size());
        const bool last = at + want == length;
        if (start == kNone) {
            const std::size_t first = bytes.find(separator);
            if (first == std::string_view::npos) {
                if (last)
                    break;
                // What may be the beginning of a separator goes into the next view.
                at += want - (separator.size() - 1);
                continue;
            }
            start = at + first;
        }
        const std::size_t begin = static_cast<std::size_t>(start - at);
        std::size_t end = want;
        if (!last) {
            end = bytes.rfind(separator);
            if (end == std::string_view::npos || end <= begin) {
                // The window runs on past the view: a view twice as big, from its start.
                at = start;
                size = size <= std::numeric_limits<std::size_t>::max() / 2
                           ? size * 2
                           : std::numeric_limits<std::size_t>::max();
                continue;
            }
        }
        visit(bytes.substr(begin, end - begin));
        if (view.Spoiled()) {
            // The file was cut short meanwhile: what was handed over is not the file's.
            result.status = FileStatus::readFailed;
            result.systemCode = EIO;
            result.offset = at + end;
            return true;
        }
        at = start = at + end;
        size = std::max(viewSize, separator.size());
    }
    result.offset = length;
    return true;
}

} // namespace

FileResult ForEachWindow(const std::string& path, const Opening& how, std::string_view separator,
                         std::size_t readSize,
                         const std::function<void(std::string_view window)>& visit,
                         std::size_t viewSize) {
    CFile file;
    FileResult result = OpenFile(file, path, how);
    if (!result.Ok())
        return result;
    if (viewSize > 0 && WindowsFromViews(file, separator, viewSize, visit, result))
        return result;
    // The bytes not handed over yet, then one more read. A plain array rather than a string:
    // growing a string fills the new room with zeros first, a second pass over every byte.
    // It grows only with bytes actually read.
    std::unique_ptr<char[]> data;
    std::size_t capacity = 0, size = 0;
    bool started = false; // data begins with a separator
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
        if (failed) {
            const std::uint64_t read = result.offset;
            result = file.GetLastError();
            result.offset = read;
            return result;
        }
        if (got == 0)
            break;
        result.offset += got;
        size = old + got;
        std::string_view buffer(data.get(), size);
        // The last separator that ends in the new bytes; an earlier one was seen before.
        std::size_t from = old >= separator.size() ? old - (separator.size() - 1) : 0;
        std::size_t keepFrom;
        if (!started) {
            const std::size_t first = buffer.find(separator);
            if (first == std::string_view::npos) {
                // Keep what may be the beginning of a separator that the next read completes.
                keepFrom = size - std::min(size, separator.size() - 1);
            } else {
                keepFrom = first;
                started = true;
                from = first;
            }
        } else {
            keepFrom = 0;
        }
        if (started) {
            const std::size_t last = buffer.substr(from).rfind(separator);
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
    return result;
}

} // namespace vorna
