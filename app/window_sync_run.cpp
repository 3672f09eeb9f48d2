#include "app/window_sync_run.h"

#include "model/errors.h"
#include "platform/module_loader.h"

namespace {

constexpr const char* kModule = "pellmark-window-sync";

}  // namespace

void RunWindowSync(const TWindowSyncRun& run) {
    TRunWindowSync sync = nullptr;
    try {
        sync =
            reinterpret_cast<TRunWindowSync>(ResolveModuleSymbol(kModule, "PellmarkRunWindowSync"));
    } catch (const EPellmarkError& error) {
        run.Failed(error.Message());
        return;
    }
    sync(run);
}

bool KeepKeyringPassword(const QString& host, const QString& user, const QString& password,
                         QString* error) {
    const auto keep = reinterpret_cast<TKeepKeyringPassword>(
        ResolveModuleSymbol(kModule, "PellmarkKeepKeyringPassword"));
    return keep(host, user, password, error);
}
