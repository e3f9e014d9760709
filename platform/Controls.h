#pragma once
// Wrappers of the common controls the dialogs bind. Texts given to list boxes and
// tooltips are ANSI bytes.
#include "platform/Win.h"
#include "text/Convert.h"

#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <string>

namespace vorna {

class CStatic : public CWin {};

class CEdit : public CWin {};

class CListBox : public CWin {
public:
    void ResetContent() const;
    // Reserves room before a large fill (LB_INITSTORAGE).
    void InitStorage(int items, std::size_t bytes) const;
    // Appends a line; returns its index, or LB_ERR / LB_ERRSPACE.
    int AddString(const std::string& ansi) const;
    // The same for a line in encoding: the ANSI bytes for Encoding::system, else converted.
    int AddString(const std::string& text, Encoding encoding) const;
    // LB_ERR (-1) when nothing is selected.
    int GetCurSel() const;
    void SetCurSel(int index) const;
    // Switches drawing off for a bulk change. SetRedraw(true) repaints the whole list, unless
    // repaint is false: for lines added below what the list shows, only the scroll bar changes.
    void SetRedraw(bool redraw, bool repaint = true) const;
    // How many lines the list shows at once (at least 1).
    int VisibleLines() const;
    int GetCount() const;
    // A new, empty and hidden list box for this one's place: the same class, styles,
    // rectangle, font and id, just after it in the z order (and so in the tab order).
    // nullptr when it cannot be made.
    HWND CreateEmptyTwin() const;
};

class CTrackBar : public CWin {
public:
    void SetRange(int minimum, int maximum, bool redraw) const;
    void SetPos(int position) const;
    int GetPos() const;
};

class CHotKeyCtrl : public CWin {
public:
    // Combinations in invalidCombinations (HKCOMB_*) are replaced by modifiers (HOTKEYF_*).
    void SetRules(WORD invalidCombinations, WORD modifiers) const;
    void SetHotKey(WORD virtualKey, WORD modifiers) const;
    void GetHotKey(WORD& virtualKey, WORD& modifiers) const;
};

// A tooltip window the object creates and owns.
class CToolTip : public CWin {
public:
    ~CToolTip() override;
    bool Create(const CWin& parent, DWORD style = 0);
    bool AddTool(const CWin& tool, const std::string& ansiText, const RECT& rect, UINT id) const;
    void UpdateTipText(const std::string& ansiText, const CWin& tool, UINT id) const;
    // Hands a mouse message to the tooltip, so it knows where the pointer rests.
    void RelayEvent(MSG* msg) const;
};

} // namespace vorna
