# The thin Win32 dialog framework: application object and entry point, window objects with
# subclassing and reflection, modal dialogs with data exchange, common-control wrappers,
# the file-open dialog, the command line, the notification-area icon, the clipboard viewer
# chain, message boxes and handle owners.
add_library(vorna_framework STATIC
    App.h App.cpp
    Win.h Win.cpp
    Dialog.h Dialog.cpp
    Controls.h Controls.cpp
    FileDialog.h FileDialog.cpp
    CommandLine.h CommandLine.cpp
    NotifyIcon.h NotifyIcon.cpp
    ClipboardViewer.h ClipboardViewer.cpp
    Gdi.h Handle.h Library.h)
target_include_directories(vorna_framework PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vorna_framework PUBLIC vorna_text comctl32 comdlg32 gdi32 shell32 user32)

# The entry point, linked into the executable as an object: the C runtime asks for wWinMain
# only after the libraries have been searched.
add_library(vorna_winmain OBJECT AppMain.cpp)
target_link_libraries(vorna_winmain PUBLIC vorna_framework)
