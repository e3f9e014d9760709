#pragma once
// Modal dialogs from a dialog template. A dialog class names its template, binds and
// exchanges its controls in DoDataExchange, and handles its messages in one OnMessage
// switch (its message map); OnInitDialog, OnOK and OnCancel are its typed virtuals.
#include "text/Convert.h"
#include "platform/Win.h"

#include <windows.h>

#include <optional>
#include <string>

namespace vorna {

class CDialog;

// A text that a read of the controls could not convert whole: the control, and what in its
// text did not convert and where.
struct TextFault {
    int controlId = 0;
    ConversionError error;
};

// One pass of a dialog's data exchange: reading moves the controls into the members,
// writing moves the members into the controls. Every call does one control.
class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool reading) : m_dialog(dialog), m_reading(reading) {}

    // Binds control id to the object the first time; later calls do nothing.
    void Control(int id, CWin& control);
    // An edit's text as ANSI bytes (entry texts, keywords): the A APIs, no conversion.
    void Text(int id, std::string& ansi);
    // An edit's text as bytes in encoding: Encoding::system is the ANSI bytes of Text; any
    // other goes through the W APIs and is converted, so every character it holds shows.
    void Text(int id, std::string& text, Encoding encoding);
    // An edit's text as bytes in encoding (the ANSI code page unless said) that must hold it
    // whole: read as Unicode and converted strictly. A text with a character the encoding
    // cannot hold is still read (with "?" in its place) and the first such text of the pass is
    // kept as Fault().
    void TextStrict(int id, std::string& text, Encoding encoding = Encoding::system);
    // An edit's text as UTF-8 (paths): the W APIs, so any character survives.
    void TextUtf8(int id, std::string& utf8);
    // A track bar's position.
    void SliderPos(int id, int& position);
    // A check box: checked or not.
    void Check(int id, bool& checked);

    const std::optional<TextFault>& Fault() const { return m_fault; }

private:
    CDialog& m_dialog;
    bool m_reading;
    std::optional<TextFault> m_fault;
};

class CDialog : public CWin {
public:
    // parent nullptr: the dialog that is running modally when DoModal starts becomes the
    // owner, so a dialog opened from a dialog stays above it and disables it.
    explicit CDialog(UINT templateId, HWND parent = nullptr);
    ~CDialog() override;

    // Creates the window, runs OnInitDialog, shows it and runs the modal loop until
    // EndDialog; returns EndDialog's result (IDOK, IDCANCEL), or -1 if no window was made.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    // The data exchange in one direction, all bound members at once. Reading answers the
    // first text that did not convert whole, if any.
    std::optional<TextFault> ReadControls();
    void WriteControls();

protected:
    // Base: writes the members into the controls; true lets the dialog manager focus the
    // first tab stop.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange& dx);
    // Enter (IDOK). Base: reads the controls, ends with IDOK.
    virtual void OnOK();
    // Esc, WM_CLOSE, a button with id IDCANCEL. Base: ends with IDCANCEL.
    virtual void OnCancel();
    // Runs when the modal loop finds no message waiting; does one short piece of work and
    // answers whether more is left. Base: nothing to do.
    virtual bool OnIdle();

    // For OnInitDialog: the window stands where it is meant to, also when that is where the
    // template put it, and is not centred.
    void KeepPlace() { m_bPlaced = true; }

    // The message map. Base: IDOK and IDCANCEL commands and WM_CLOSE. Return false for
    // the dialog manager's default handling. Derived classes end with the base call.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // WM_COMMAND's wParam for a control id and notification code, for switch labels.
    static constexpr WPARAM Notify(int id, int code) {
        return static_cast<WPARAM>((static_cast<unsigned>(code) << 16) |
                                   (static_cast<unsigned>(id) & 0xFFFFu));
    }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void RunModalLoop();
    bool PreTranslateInput(MSG& msg);
    void CenterIfUnplaced(const RECT& before);

    UINT m_templateId;
    HWND m_hParent;
    bool m_bContinueModal = false;
    INT_PTR m_nModalResult = -1;
    bool m_bPlaced = false;
    CDialog* m_pOuterModal = nullptr;
};

// The owner of a dialog, file dialog or message box: owner itself, or when that is nullptr the
// window of the dialog running modally (nullptr while none runs).
HWND OwnerOrActiveModal(HWND owner);

} // namespace vorna
