#pragma once
// Uncopyable owners of GDI handles and device contexts. Handles a caller only borrows stay
// plain handles.
#include <windows.h>

namespace vorna {

class CBrush {
public:
    CBrush() = default;
    ~CBrush() { Delete(); }
    CBrush(const CBrush&) = delete;
    CBrush& operator=(const CBrush&) = delete;

    bool CreateSolid(COLORREF colour) {
        Delete();
        m_h = ::CreateSolidBrush(colour);
        return m_h != nullptr;
    }
    void Delete() {
        if (m_h)
            ::DeleteObject(m_h);
        m_h = nullptr;
    }
    operator HBRUSH() const { return m_h; }

private:
    HBRUSH m_h = nullptr;
};

class CFont {
public:
    CFont() = default;
    ~CFont() { Delete(); }
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    bool CreateIndirect(const LOGFONTW& description) {
        Delete();
        m_h = ::CreateFontIndirectW(&description);
        return m_h != nullptr;
    }
    void Delete() {
        if (m_h)
            ::DeleteObject(m_h);
        m_h = nullptr;
    }
    operator HFONT() const { return m_h; }

private:
    HFONT m_h = nullptr;
};

// The description of any font handle, owned or borrowed.
inline bool GetFontDescription(HFONT font, LOGFONTW& description) {
    return font && ::GetObjectW(font, sizeof description, &description) == sizeof description;
}

// BeginPaint / EndPaint.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd) { m_hDC = ::BeginPaint(hwnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hwnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    operator HDC() const { return m_hDC; }

    HDC m_hDC;
    PAINTSTRUCT m_ps;

private:
    HWND m_hwnd;
};

// GetDC / ReleaseDC of a window's client area.
class CClientDC {
public:
    explicit CClientDC(HWND hwnd) : m_hwnd(hwnd), m_hDC(::GetDC(hwnd)) {}
    ~CClientDC() {
        if (m_hDC)
            ::ReleaseDC(m_hwnd, m_hDC);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    operator HDC() const { return m_hDC; }

private:
    HWND m_hwnd;
    HDC m_hDC;
};

// Selects an object into a device context and selects the previous one back.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(::SelectObject(dc, object)) {}
    ~CSelectObject() {
        if (m_old)
            ::SelectObject(m_dc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

} // namespace vorna
