#pragma once

// The program entry's steps, in a library so that tests can build the same windows with
// test doubles of the platform services.

#include <memory>

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/tray_service.h"
#include "platform/platform_services.h"
#include "settings/options_dialog.h"

// The windows of a run. They go in reverse order: the about box and the options dialog
// before the main window they act on.
struct TProgramWindows {
    TProgramWindows() = default;
    TProgramWindows(TProgramWindows&&) = default;
    TProgramWindows& operator=(TProgramWindows&& other) {
        Reset();
        Main = std::move(other.Main);
        Options = std::move(other.Options);
        About = std::move(other.About);
        return *this;
    }
    ~TProgramWindows() { Reset(); }

    void Reset() {
        About.reset();
        Options.reset();
        Main.reset();
    }

    std::unique_ptr<TForm1> Main;
    std::unique_ptr<TfrmOptions> Options;
    std::unique_ptr<TfrmAbout> About;
};

// The main window, then the options dialog and the about box, both hidden; the main
// window is not shown yet. A null tray service means the desktop's notification area.
TProgramWindows CreateProgramWindows(TPlatformServices platform,
                                     std::unique_ptr<ITrayService> tray = nullptr);

// The whole program: the application titled "Pellmark", the real platform services, the
// windows, the single-copy check (a second copy hands over and quits without the exit
// flow), then the message loop, which shows the main window. Returns the exit code.
int RunPellmark(int& argc, char** argv);
