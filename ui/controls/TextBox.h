#pragma once
// A multi-line read-only edit that shows a text of any length in time that grows with its
// length only. The edit control of Wine lays a paragraph out again for every line it wraps,
// so one long line costs the square of its length (a line of a megabyte took more than a
// quarter of an hour). A long text is therefore broken here into lines that fit the box,
// measured with the box's own font, and the edit only places them. The breaks stay the
// box's own: reading the text (WM_GETTEXT) and copying from it (WM_COPY: the keyboard and the
// context menu) give the text as it was set.
// A long text also goes into the edit a part at a time: the first part at once, each further
// part after the messages that wait (a posted message of the box's own), so the window shows
// the text's start and answers input while the edit places the rest; the rest goes in at
// once when the box is acted on.
#include "platform/Controls.h"

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vorna {

class CTextBox : public CEdit {
public:
    // Texts of at most this many UTF-16 units are wrapped by the edit itself as before: a
    // line of this length costs it a few tens of milliseconds.
    static constexpr std::size_t kOwnLayoutFrom = 4096;
    // About the UTF-16 units of each part handed to the edit (it ends at a line's end).
    static constexpr std::size_t kPartUnits = 32768;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    LRESULT SetText(const wchar_t* text);
    std::vector<std::size_t> FindBreaks(std::wstring_view text);
    LRESULT GetText(WPARAM size, wchar_t* buffer) const;
    void Copy();
    std::size_t PartEnd(std::size_t from) const;
    void PostNextPart();
    void AddParts(std::size_t to);

    // The text as it was set, while the box lays it out itself; its breaks, before which the
    // edit holds an extra "\r\n".
    bool m_bOwnLayout = false;
    std::wstring m_strText;
    std::vector<std::size_t> m_arrBreaks;
    // The text with the breaks, until the edit holds all of it: the first m_nAdded units.
    std::wstring m_strShown;
    std::size_t m_nAdded = 0;
    bool m_bPartPosted = false;
    // Advance widths in the box's font by UTF-16 unit, measured 256 at a time; -1 unknown.
    std::vector<int> m_arrWidths;
};

} // namespace vorna
