#include "tools/vendu/FileIo.h"

#include "knowledge/EntryFile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/sysinfo.h>
#endif

namespace vendu {

namespace {

// Whether bytes could be held in memory at all: no more than the machine's memory and swap
// (its commit limit on Windows). A file beyond that is refused before anything is allocated;
// within it, an allocation that still fails is caught where it happens.
bool MayFitInMemory(std::uint64_t bytes) {
#ifdef _WIN32
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return true;
    return bytes <= status.ullTotalPageFile && bytes <= status.ullTotalVirtual;
#else
    struct sysinfo info;
    if (sysinfo(&info) != 0)
        return true;
    const std::uint64_t unit = info.mem_unit ? info.mem_unit : 1;
    return bytes / unit <= std::uint64_t{info.totalram} + info.totalswap;
#endif
}

} // namespace

FileOutcome OpenEntryFile(const std::string& path, Access access, double waitSeconds,
                          vorna::CFile& file) {
    const unsigned flags = access == Access::append
                               ? vorna::CFile::modeReadWrite
                               : vorna::CFile::modeRead | vorna::CFile::shareDenyWrite;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const auto limit = std::chrono::duration<double>(std::max(0.0, waitSeconds));
    // Short pauses at first (the usual holder is another vendu that is done in milliseconds),
    // longer ones later, so waiting costs next to nothing.
    auto pause = std::chrono::milliseconds(2);
    FileOutcome outcome;
    for (;;) {
        if (file.Open(path, flags, &outcome.error))
            return FileOutcome();
        const auto waited = Clock::now() - start;
        outcome.waited = std::chrono::duration<double>(waited).count();
        if (outcome.error.kind != vorna::FileErrorKind::inUse || waited >= limit) {
            outcome.status = FileStatus::cannotOpen;
            return outcome;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(
            pause, std::chrono::duration_cast<Clock::duration>(limit - waited)));
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

FileOutcome ReadWholeFile(const std::string& path, std::string& content, double waitSeconds) {
    content.clear();
    vorna::CFile file;
    FileOutcome outcome = OpenEntryFile(path, Access::read, waitSeconds, file);
    if (!outcome.Ok())
        return outcome;
    std::uint64_t length = 0;
    const bool known = file.GetLength(&length);
    const std::size_t room = vorna::kEndSentinel.size();
    if (known && (length > content.max_size() - room || !MayFitInMemory(length))) {
        outcome.status = FileStatus::tooBig;
        outcome.size = length;
        return outcome;
    }
    try {
        // Room for the whole file and the reader's end sentinel at once; the length is only a
        // hint, the reads decide where the file ends. Reserving touches no memory yet.
        if (known)
            content.reserve(static_cast<std::size_t>(length) + room);
        constexpr std::size_t kChunk = 256 * 1024;
        std::unique_ptr<char[]> chunk(new char[kChunk]);
        for (;;) {
            bool failed = false;
            const std::size_t got = file.Read(chunk.get(), kChunk, &failed);
            if (failed) {
                content.clear();
                outcome.status = FileStatus::readFailed;
                outcome.error = file.GetLastError();
                return outcome;
            }
            if (got == 0)
                break;
            content.append(chunk.get(), got);
        }
    } catch (const std::bad_alloc&) {
        outcome.status = FileStatus::tooBig;
        outcome.size = std::max<std::uint64_t>(length, content.size());
        std::string().swap(content);
    }
    return outcome;
}

FileOutcome ForEachEntryWindow(const std::string& path, std::size_t readSize,
                               const std::function<void(std::string_view window)>& visit,
                               double waitSeconds) {
    vorna::CFile file;
    FileOutcome outcome = OpenEntryFile(path, Access::read, waitSeconds, file);
    if (!outcome.Ok())
        return outcome;
    const std::string_view marker = vorna::kQuestionMarker;
    // The bytes not handed over yet, then one more read. A plain array rather than a string:
    // growing a string fills the new room with zeros first, a second pass over every byte.
    // It grows only with bytes actually read; an entry bigger than memory ends in bad_alloc,
    // which the command reports.
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
        if (failed) {
            outcome.status = FileStatus::readFailed;
            outcome.error = file.GetLastError();
            return outcome;
        }
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
    return outcome;
}

std::string Describe(const FileOutcome& outcome, Access access) {
    const vorna::FileError& error = outcome.error;
    switch (outcome.status) {
    case FileStatus::ok:
        return "";
    case FileStatus::tooBig:
        return "does not fit in memory (" + std::to_string(outcome.size) + " bytes)";
    case FileStatus::readFailed:
        return "reading failed part way: " + vorna::SystemErrorText(error.systemCode);
    case FileStatus::cannotOpen:
        break;
    }
    switch (error.kind) {
    case vorna::FileErrorKind::missing:
        return "no such file";
    case vorna::FileErrorKind::notPlainFile:
        return "not a plain file";
    case vorna::FileErrorKind::noPermission:
        return access == Access::append ? "no permission to write to it"
                                        : "no permission to read it";
    case vorna::FileErrorKind::inUse: {
        const long waited = std::lround(outcome.waited);
        return "in use by another program" +
               (waited > 0
                    ? " (waited " + std::to_string(waited) + " s; --wait SECONDS sets how long)"
                    : std::string(" (--wait SECONDS waits for it)"));
    }
    case vorna::FileErrorKind::none:
    case vorna::FileErrorKind::failed:
        break;
    }
    return "cannot be opened: " + vorna::SystemErrorText(error.systemCode);
}

} // namespace vendu
