// The program's entry point: it starts the one application object.
#include "platform/App.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    vorna::CApp* app = vorna::CApp::Get();
    return app ? app->Start(instance) : 1;
}
