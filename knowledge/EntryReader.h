#pragma once
// Reading an entry file into a store: the file's bytes go straight into the store's buffer,
// block after block, and each entry's two texts are moved down over the markers there. The
// file's encoding is decided from the same bytes as they arrive.
#include "io/FileResult.h"
#include "knowledge/EntryStore.h"
#include "text/FileEncoding.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorna {

// Cuts the entries out of a file's bytes as they arrive and appends them to a store, in
// file order, exactly as the format defines them: an entry runs from a question marker to
// the next one or to the end of the file, its answer from the first answer marker between.
// Each byte is looked at once, however the markers lie and however the bytes are split. The
// store learns the file's encoding; a UTF-16 file's bytes are only gathered as they come and
// its entries cut from their UTF-8 at the end, so its texts are held as UTF-8.
class CEntryReader {
public:
    explicit CEntryReader(CEntryStore& store);
    CEntryReader(const CEntryReader&) = delete;
    CEntryReader& operator=(const CEntryReader&) = delete;

    // The file is expected to hold this many bytes: room for them at once.
    void Expect(std::uint64_t bytes);
    // Bytes that fit at Room() without the buffer moving.
    std::size_t Free() const;
    // Where the next bytes of the file go; room for at least bytes of them.
    char* Room(std::size_t bytes);
    // count more bytes of the file are at Room(): the entries they complete join the store.
    void Commit(std::size_t count);
    // The file ends: its last entry joins the store, with the file's encoding.
    void Finish();
    // Bytes of the file committed.
    std::uint64_t Size() const { return m_fileBytes; }

private:
    // count more bytes at Room() are entry text in the store's encoding: cuts what they
    // complete.
    void Scan(std::size_t count);
    // A UTF-16 file has ended: its bytes, as UTF-8, go through Scan.
    void ScanWide();
    void OnMarker(std::size_t p);
    void CloseEntry(std::size_t next);

    CEntryStore& m_store;
    std::size_t m_start; // where the file's byte 0 lies in the store's buffer
    std::size_t m_size = 0;
    std::size_t m_scanFrom = 0;     // first place not looked at for a marker yet
    std::size_t m_question = kNone; // the question marker whose entry is open
    std::size_t m_answer = kNone;   // the first answer marker after it
    std::uint64_t m_expected = 0;   // the file's expected size, 0 if unknown
    bool m_estimated = false;       // room made for the bounds
    std::uint64_t m_fileBytes = 0;
    // Fed until more bytes cannot change its answer; for most files in code page 936 that is
    // their first Chinese character.
    FileEncodingDetector m_detector;
    bool m_detecting = true;
    // A UTF-16 file: its bytes are kept as they come, to be converted once all are there.
    bool m_wide = false;
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
};

// Reads the whole file (opened for reading with no sharing) into store, after its entries.
// Any failure (the file does not open, a read fails part way, the bytes do not fit in
// memory: tooBig) is in the result; offset is the bytes of the file read. The store is
// then not fit for use, so callers read into a fresh one.
FileResult ReadEntryFile(const std::string& path, CEntryStore& store);

} // namespace vorna
