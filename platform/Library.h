#pragma once
// Uncopyable owners of a loaded library, an open clipboard and a locked global memory block.
#include <windows.h>

namespace vorna {

class CLibrary {
public:
    explicit CLibrary(const char* ansiName) : m_h(::LoadLibraryA(ansiName)) {}
    // A program file for its resources only: mapped as data, never run, and nothing it imports
    // is loaded. GetProc finds nothing in it.
    struct DataFile {};
    CLibrary(const wchar_t* path, DataFile)
        : m_h(::LoadLibraryExW(path, nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~CLibrary() {
        if (m_h)
            ::FreeLibrary(m_h);
    }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    explicit operator bool() const { return m_h != nullptr; }
    HMODULE Get() const { return m_h; }
    // The function's address, or nullptr; cast it to its real type at the call.
    FARPROC GetProc(const char* name) const { return m_h ? ::GetProcAddress(m_h, name) : nullptr; }

private:
    HMODULE m_h;
};

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
