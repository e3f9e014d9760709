#pragma once
// Owners of GDI objects and device contexts. Handles a caller only borrows stay plain handles.
#include "platform/Handle.h"

#include <windows.h>

namespace vorna {

using CBrush = CGdiObject<HBRUSH>;
using CFont = CGdiObject<HFONT>;

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
