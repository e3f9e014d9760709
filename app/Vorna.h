#pragma once
// The application: runs the main dialog and ends when it ends.
#include "platform/App.h"

namespace vorna {

class CVornaApp : public CApp {
public:
    CVornaApp();
    ~CVornaApp() override;

    bool Init() override;
};

} // namespace vorna
