#pragma once
// A static text turned into a web link: link colours, underlined font, hand cursor, a tooltip
// with the address, and a click that opens the address through the shell, falling back to
// the program registered for ".htm" pages.
#include "platform/Controls.h"
#include "platform/Gdi.h"
#include "platform/Handle.h"

#include <windows.h>

#include <cstddef>
#include <string>

namespace vorna {

class CHyperLink : public CStatic {
public:
    CHyperLink();
    ~CHyperLink() override;

    void SetURL(std::string url);

    // hover -1 (0xFFFFFFFF) takes the system highlight colour of now.
    void SetColors(COLORREF link, COLORREF visited, COLORREF hover = static_cast<COLORREF>(-1));
    void SetVisited(BOOL visited = TRUE);

    // nullptr loads the default hand cursor. A cursor given here stays its giver's.
    void SetLinkCursor(HCURSOR cursor);
    void SetUnderline(BOOL underline = TRUE);
    void SetAutoSize(BOOL autoSize = TRUE);

    // Every message on its way to the control is shown to the tooltip first.
    bool PreTranslateMessage(MSG* msg) override;
    // The click notification and the colour request, handed back by the parent.
    bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The link opener. Opens url with the shell, else starts the ".htm" open command from the
    // registry with it (MakeOpenCommand); returns the last attempt's result code, above 32
    // meaning success, and a failed start mapped by OpenResultFromError.
    static int OpenURL(const std::string& url, int showCommand);
    // Reads the default value of root\subkey into out (outChars large; it may be subkey's own
    // buffer), a REG_EXPAND_SZ value with its environment variables expanded. ERROR_SUCCESS
    // only when a non-empty string was read whole.
    static LONG ReadRegDefault(HKEY root, const wchar_t* subkey, wchar_t* out,
                               std::size_t outChars);
    // Tells the user why an open failed, in a box with the exclamation icon.
    static void ReportOpenError(int code);

protected:
    void PreSubclassWindow() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool HasLiveWindow() const;
    HBRUSH OnCtlColor(HDC dc);
    BOOL OnSetCursor();
    void OnMouseMove(POINT point);
    void OnCaptureChanged(HWND newCapture);
    void OnLinkClicked();
    void RebuildFont();
    void FitToText();
    void LoadDefaultCursor();

    // The copy of the help program's cursor, where the default came from there; destroyed
    // with the control. The system's own hand is shared and never destroyed.
    CIconCopy m_cursorCopy;
    COLORREF m_crLink;
    COLORREF m_crVisited;
    COLORREF m_crHover;
    BOOL m_bMouseOver = FALSE;
    BOOL m_bVisited = FALSE;
    BOOL m_bUnderline = TRUE;
    BOOL m_bAutoSize = TRUE;
    std::string m_strURL;
    CFont m_fontLink;
    HCURSOR m_hLinkCursor = nullptr;
    CToolTip m_toolTip;
};

} // namespace vorna
