#pragma once

// All platform services in one value, so the main window and its dialogs can be built
// with the Qt implementations or with the test doubles (platform/testing/).

#include "model/date_time.h"
#include "platform/clock.h"
#include "platform/dialog_service.h"
#include "platform/loaded_printer.h"
#include "platform/message_service.h"
#include "platform/os_info.h"
#include "platform/shell_service.h"
#include "platform/text_printer.h"

// References only: whoever creates the services (TQtPlatform, TFakePlatform) owns them
// and must outlive every user of this value.
struct TPlatformServices {
    IMessageService& Messages;
    IDialogService& Dialogs;
    IClock& Clock;
    IShellService& Shell;
    IOSInfo& OSInfo;
    // Separators, names and formats of the system's date and time conventions.
    const TFormatSettings& FormatSettings;
    // The default printer as a text device.
    ITextPrinter& Printer;
};

// The real services of the desktop.
class TQtPlatform {
public:
    TQtPlatform();
    TPlatformServices Services();

private:
    TQtMessageService messages_;
    TQtDialogService dialogs_;
    TQtClock clock_;
    TQtShellService shell_;
    TQtOSInfo osInfo_;
    TLoadedTextPrinter printer_;
};
