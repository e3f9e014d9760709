// The parts of the file object that do not depend on the platform: the read-ahead of
// read-only files, the appending loop and the bookkeeping around open and close.
#include "io/File.h"

#include <cstring>

namespace vorna {

CFile::~CFile() {
    Close();
}

bool CFile::Open(const std::string& path, unsigned flags, FileResult* result) {
    Close();
    m_error = FileResult();
    if (path.empty()) {
        Fail(FileStatus::missing, 0);
    } else if (flags != modeRead && flags != modeReadWrite &&
               flags != (modeRead | shareDenyWrite) && flags != (modeRead | shareDenyNone)) {
        Fail(FileStatus::openFailed, 0);
    } else if (OpenDirect(path, flags)) {
        m_path = path;
        m_flags = flags;
        return true;
    }
    if (result)
        *result = m_error;
    return false;
}

bool CFile::IsOpen() const {
    return m_handle != -1;
}

std::size_t CFile::Read(void* buffer, std::size_t count, bool* failed) {
    if (failed)
        *failed = false;
    if (!IsOpen()) {
        Fail(FileStatus::readFailed, kNotOpenCode);
        if (failed)
            *failed = true;
        return 0;
    }
    if (m_flags == modeReadWrite)
        return ReadDirect(buffer, count, failed);
    if (m_readPos == m_readEnd) {
        if (count >= kReadAhead)
            return ReadDirect(buffer, count, failed);
        if (!m_readAhead)
            m_readAhead.reset(new char[kReadAhead]);
        m_readPos = 0;
        m_readEnd = ReadDirect(m_readAhead.get(), kReadAhead, failed);
        if (m_readEnd == 0)
            return 0;
    }
    std::size_t n = m_readEnd - m_readPos < count ? m_readEnd - m_readPos : count;
    std::memcpy(buffer, m_readAhead.get() + m_readPos, n);
    m_readPos += n;
    return n;
}

std::size_t CFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count, bool* failed) {
    if (failed)
        *failed = false;
    if (!IsOpen()) {
        Fail(FileStatus::readFailed, kNotOpenCode);
        if (failed)
            *failed = true;
        return 0;
    }
    return ReadAtDirect(offset, buffer, count, failed);
}

bool CFile::SeekToEnd(std::uint64_t* length) {
    if (!IsOpen())
        return false;
    m_readPos = m_readEnd = 0;
    return SeekToEndDirect(length);
}

std::size_t CFile::Append(const void* buffer, std::size_t count) {
    if (!IsOpen() || m_flags != modeReadWrite) {
        Fail(FileStatus::writeFailed, kNotOpenCode);
        return 0;
    }
    const char* p = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        std::size_t put = 0;
        const bool ok = WriteAtEndDirect(p + done, count - done, put);
        done += put;
        if (!ok)
            break;
        if (put == 0) {
            Fail(FileStatus::writeFailed, kDiskFullCode);
            break;
        }
    }
    return done;
}

bool CFile::Flush() {
    if (!IsOpen()) {
        Fail(FileStatus::writeFailed, kNotOpenCode);
        return false;
    }
    return FlushDirect();
}

bool CFile::SetLength(std::uint64_t length) {
    return IsOpen() && length <= static_cast<std::uint64_t>(INT64_MAX) && SetLengthDirect(length);
}

void CFile::Close() {
    if (IsOpen())
        CloseDirect();
    m_handle = -1;
    m_path.clear();
    m_flags = modeRead;
    m_readPos = m_readEnd = 0;
}

} // namespace vorna
