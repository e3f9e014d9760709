#pragma once
// The common start of an end-to-end test: an empty clipboard, a fresh folder and one copy of
// the program at a time.
#include "Driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace vorna::e2e {

class VornaFixture : public testing::Test {
protected:
    // The program reads the clipboard when it joins the viewer chain: start from nothing.
    void SetUp() override { EmptyClipboardNow(); }
    // The program ends before anything a derived test set up around it (a viewer, a window).
    void TearDown() override { app.reset(); }

    // Starts the program in the test's folder; super.vendu holds the bytes when given.
    VornaProcess& Start(std::optional<std::string> defaultFile = std::nullopt) {
        if (defaultFile)
            folder.Write(L"super.vendu", *defaultFile);
        // One copy at a time: a second one would find the global hotkeys taken.
        app.reset();
        app = std::make_unique<VornaProcess>(folder.Path());
        app->WaitForMainWindow();
        return *app;
    }

    TempFolder folder;
    std::unique_ptr<VornaProcess> app;
};

} // namespace vorna::e2e
