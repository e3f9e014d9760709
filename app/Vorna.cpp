#include "app/Vorna.h"

#include "ui/VornaDlg.h"

namespace vorna {

CVornaApp::CVornaApp() = default;

CVornaApp::~CVornaApp() = default;

// The program's whole life is the main dialog's modal run. Its controls are the system's
// own, drawn in their own 3-D look, and no embedded (ActiveX) control is hosted, so there
// is nothing to switch on first. False: no message loop follows, the process ends.
bool CVornaApp::Init() {
    CVornaDlg dialog;
    dialog.DoModal();
    return false;
}

} // namespace vorna

// The one application object; the entry point starts it.
vorna::CVornaApp theApp;
