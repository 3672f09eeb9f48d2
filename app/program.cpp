#include "app/program.h"

#include "app/about_box.h"
#include "app/first_paint.h"
#include "app/run_once.h"
#include "platform/application.h"

TProgramWindows CreateProgramWindows(TPlatformServices platform,
                                     std::unique_ptr<ITrayService> tray) {
    TProgramWindows windows;
    windows.Main = std::make_unique<TForm1>(platform, std::move(tray));
    windows.Options = std::make_unique<TfrmOptions>(*windows.Main, platform);
    windows.Main->SetOptionsDialog(windows.Options.get());
    windows.About = std::make_unique<TfrmAbout>(platform);
    windows.Main->SetAboutBox(windows.About.get());
    return windows;
}

int RunPellmark(int& argc, char** argv) {
    TPellmarkApplication application(argc, argv);
    application.setApplicationName(kApplicationTitle);
    application.setWindowIcon(PellmarkIcon());
    // The program ends when the main window closes through its exit flow, not when the
    // last visible window goes (the main window may sit in the notification area).
    application.setQuitOnLastWindowClosed(false);

    TQtPlatform qt;
    const TPlatformServices platform = qt.Services();
    application.SetMessageService(&platform.Messages);

    TProgramWindows windows = CreateProgramWindows(platform);
    TRunOnce* runOnce = windows.Main->RunOnce1();
    runOnce->DeferListening();
    if (!runOnce->Start()) {
        return 0;  // the running copy took over
    }
    QObject::connect(windows.Main.get(), &TForm1::Closed, &application, &QCoreApplication::quit);
    // Other starts wait for the socket until the window is on the screen.
    AfterFirstPaint(windows.Main.get(), [runOnce] { runOnce->Listen(); });
    windows.Main->show();
    return application.exec();
}
