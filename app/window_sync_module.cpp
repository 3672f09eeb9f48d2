// The module libpellmark-window-sync.so: the window's sync with everything it needs (the sync
// engine, Qt Network, the keyring and iCalendar), loaded at the first sync.

#include <QObject>

#include "app/window_sync_run.h"
#include "sync/credentials.h"

extern "C" Q_DECL_EXPORT void PellmarkRunWindowSync(const TWindowSyncRun& run) {
    try {
        TSyncOptions options = run.Options;
        options.Credentials = FindCredentials(options.Url.host(), run.User);
        TSyncEngine engine(*run.Store, options);
        engine.BeforePushForTesting = run.BeforePush;
        QObject::connect(&engine, &TSyncEngine::progress, run.Progress);
        QObject::connect(&engine, &TSyncEngine::finished, run.Finished);
        QObject::connect(&engine, &TSyncEngine::failed, run.Failed);
        engine.Start();
    } catch (const EPellmarkError& error) {
        run.Failed(error.Message());
    }
}

extern "C" Q_DECL_EXPORT bool PellmarkKeepKeyringPassword(const QString& host, const QString& user,
                                                          const QString& password, QString* error) {
    return WriteKeyringPassword(host, user, password, error);
}
