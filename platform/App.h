#pragma once
// The application object. Exactly one global object of a class derived from CApp exists;
// the program's entry point (in this library) registers the common controls, then calls
// its Init. A false result ends the process.
#include <windows.h>

#include <string>
#include <string_view>

namespace vorna {

class CApp {
public:
    CApp();
    virtual ~CApp();
    CApp(const CApp&) = delete;
    CApp& operator=(const CApp&) = delete;

    static CApp* Get();

    // Called once; true runs a message loop until WM_QUIT, false ends the program.
    virtual bool Init() = 0;

    // Used by the entry point.
    int Start(HINSTANCE instance);
};

// The program's instance: the one the entry point was given, else the executable's module (in
// a process without an application object, such as a test's).
HINSTANCE AppInstance();
// The executable's file name without its extension: the caption of message boxes.
std::wstring AppName();
HICON LoadAppIcon(UINT id);

// "C:\dir\Vorna.exe" -> "Vorna".
std::wstring AppNameFromPath(std::wstring_view modulePath);

// A modal message box captioned with the application's name; text in UTF-8.
// owner nullptr: the dialog running modally (the application-level box).
int ShowMessageBox(HWND owner, std::string_view utf8Text, UINT type = MB_OK);

} // namespace vorna
