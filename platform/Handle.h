#pragma once
// One uncopyable owner for every kind of handle the program makes: the kind's traits say what
// an empty handle is and how one is freed. A handle the program only borrows (a stock object,
// a shared cursor, a window) stays a plain handle.
#include <windows.h>

namespace vorna {

template <class Traits> class CHandleOwner {
public:
    using Handle = typename Traits::Handle;

    CHandleOwner() = default;
    explicit CHandleOwner(Handle h) : m_h(h) {}
    ~CHandleOwner() { Reset(); }
    CHandleOwner(const CHandleOwner&) = delete;
    CHandleOwner& operator=(const CHandleOwner&) = delete;

    // Frees the handle held, then holds h (by default nothing).
    void Reset(Handle h = Handle()) {
        if (Traits::IsValid(m_h))
            Traits::Free(m_h);
        m_h = h;
    }
    Handle Get() const { return m_h; }
    operator Handle() const { return m_h; }
    explicit operator bool() const { return Traits::IsValid(m_h); }

private:
    Handle m_h = Handle();
};

// A kind whose empty handle is nullptr and which one function frees.
template <class H, auto FreeFunction> struct FreedBy {
    using Handle = H;
    static bool IsValid(H h) { return h != nullptr; }
    static void Free(H h) { FreeFunction(h); }
};

// A kernel object: a process, a thread, an event... CreateFile's "none" counts as empty too.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static bool IsValid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
    static void Free(HANDLE h) { ::CloseHandle(h); }
};
using CHandle = CHandleOwner<KernelHandleTraits>;

using CRegKey = CHandleOwner<FreedBy<HKEY, &::RegCloseKey>>;
// A library or program file this program loaded itself.
using CModule = CHandleOwner<FreedBy<HMODULE, &::FreeLibrary>>;
// An icon or cursor the program made (CopyIcon, CreateIconIndirect), never a shared one that
// LoadIcon or LoadCursor handed out.
using CIconCopy = CHandleOwner<FreedBy<HICON, &::DestroyIcon>>;
// A pen, brush, font, bitmap or region (not a stock object).
template <class H> using CGdiObject = CHandleOwner<FreedBy<H, &::DeleteObject>>;

} // namespace vorna
