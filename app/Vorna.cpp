#include "app/Vorna.h"

#include "platform/CommandLine.h"
#include "text/Convert.h"
#include "ui/RunningCopy.h"
#include "ui/VornaDlg.h"

#include <optional>
#include <string>
#include <utility>

namespace vorna {

CVornaApp::CVornaApp() = default;

CVornaApp::~CVornaApp() = default;

// The program's whole life is the main dialog's modal run. Its controls are the system's
// own, drawn in their own 3-D look, and no embedded (ActiveX) control is hosted, so there
// is nothing to switch on first. False: no message loop follows, the process ends.
// A file named on the command line goes to the copy that runs already, if one does: this
// one then ends at once. Otherwise it is loaded in place of the default entry file.
// A /startin: switch (the Run entry of a start with Windows writes one) first makes its
// folder the current directory, where the default entry file is looked for; a folder that is
// gone leaves the directory the system gave.
bool CVornaApp::Init() {
    const StartIn start = TakeStartFolder(::GetCommandLineW());
    if (start.folder)
        ::SetCurrentDirectoryW(start.folder->c_str());
    std::optional<std::string> startFile;
    if (std::optional<std::wstring> file = FileArgument(start.rest)) {
        std::wstring full = FullPath(*file);
        if (HandFileToRunningCopy(full))
            return false;
        startFile = FromWide(full, Encoding::utf8).text;
    }
    CVornaDlg dialog(std::move(startFile));
    dialog.DoModal();
    return false;
}

} // namespace vorna

// The one application object; the entry point starts it.
vorna::CVornaApp theApp;
