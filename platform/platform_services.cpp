#include "platform/platform_services.h"

#include "platform/format_settings.h"

TQtPlatform::TQtPlatform() = default;

TPlatformServices TQtPlatform::Services() {
    return TPlatformServices{messages_, dialogs_, clock_, shell_, osInfo_, SystemFormatSettings(),
                             printer_};
}
