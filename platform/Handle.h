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

// A kernel object: a process, a thread, an event... CreateFile's "none" counts as empty too.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static bool IsValid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
    static void Free(HANDLE h) { ::CloseHandle(h); }
};
using CHandle = CHandleOwner<KernelHandleTraits>;

struct RegKeyTraits {
    using Handle = HKEY;
    static bool IsValid(HKEY h) { return h != nullptr; }
    static void Free(HKEY h) { ::RegCloseKey(h); }
};
using CRegKey = CHandleOwner<RegKeyTraits>;

// A library or program file this program loaded itself.
struct ModuleTraits {
    using Handle = HMODULE;
    static bool IsValid(HMODULE h) { return h != nullptr; }
    static void Free(HMODULE h) { ::FreeLibrary(h); }
};
using CModule = CHandleOwner<ModuleTraits>;

// An icon or cursor the program made (CopyIcon, CreateIconIndirect), never a shared one that
// LoadIcon or LoadCursor handed out.
struct IconCopyTraits {
    using Handle = HICON;
    static bool IsValid(HICON h) { return h != nullptr; }
    static void Free(HICON h) { ::DestroyIcon(h); }
};
using CIconCopy = CHandleOwner<IconCopyTraits>;

// A pen, brush, font, bitmap or region (not a stock object).
template <class H> struct GdiObjectTraits {
    using Handle = H;
    static bool IsValid(H h) { return h != nullptr; }
    static void Free(H h) { ::DeleteObject(h); }
};
template <class H> using CGdiObject = CHandleOwner<GdiObjectTraits<H>>;

} // namespace vorna
