#pragma once
// A program file's resources, and uncopyable owners of an open clipboard and a locked global
// memory block.
#include "platform/Handle.h"

#include <windows.h>

namespace vorna {

// A program file opened for its resources only, for a CModule to own: mapped as data, never
// run, and nothing it imports is loaded. nullptr when it cannot be opened.
inline HMODULE LoadResourcesOnly(const wchar_t* path) {
    return ::LoadLibraryExW(path, nullptr,
                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

class CClipboard {
public:
    explicit CClipboard(HWND owner) : m_open(::OpenClipboard(owner) != FALSE) {}
    ~CClipboard() {
        if (m_open)
            ::CloseClipboard();
    }
    CClipboard(const CClipboard&) = delete;
    CClipboard& operator=(const CClipboard&) = delete;

    bool IsOpen() const { return m_open; }

private:
    bool m_open;
};

class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL block)
        : m_block(block), m_p(block ? ::GlobalLock(block) : nullptr) {}
    ~CGlobalLock() {
        if (m_p)
            ::GlobalUnlock(m_block);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;

    const void* Get() const { return m_p; }

private:
    HGLOBAL m_block;
    void* m_p;
};

} // namespace vorna
