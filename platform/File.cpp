// The parts of the file object that do not depend on the platform: the read-ahead of
// read-only files and the bookkeeping around open and close.
#include "platform/File.h"

#include <cstring>

namespace vorna {

CFile::~CFile() {
    Close();
}

bool CFile::Open(const std::string& path, unsigned flags, FileError* error) {
    Close();
    m_error = FileError();
    if (path.empty()) {
        m_error.kind = FileErrorKind::missing;
    } else if (flags != modeRead && flags != modeReadWrite &&
               flags != (modeRead | shareDenyWrite)) {
        m_error.kind = FileErrorKind::failed;
    } else if (OpenDirect(path, flags)) {
        m_path = path;
        m_bReadOnly = flags != modeReadWrite;
        return true;
    }
    if (error)
        *error = m_error;
    return false;
}

bool CFile::IsOpen() const {
    return m_handle != -1;
}

std::size_t CFile::Read(void* buffer, std::size_t count, bool* failed) {
    if (failed)
        *failed = false;
    if (!IsOpen()) {
        if (failed)
            *failed = true;
        return 0;
    }
    if (!m_bReadOnly)
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

bool CFile::SeekToEnd(std::uint64_t* length) {
    if (!IsOpen())
        return false;
    m_readPos = m_readEnd = 0;
    return SeekToEndDirect(length);
}

void CFile::Close() {
    if (IsOpen())
        CloseDirect();
    m_handle = -1;
    m_path.clear();
    m_bReadOnly = false;
    m_readPos = m_readEnd = 0;
}

} // namespace vorna
