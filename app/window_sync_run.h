#pragma once

// The window's sync, run by the module libpellmark-window-sync.so (window_sync_module.cpp), so
// that the network, the keyring and iCalendar are loaded at the first sync and not at
// every start of the program.

#include <QString>
#include <functional>

#include "sync/sync_engine.h"  // ISyncListStore, TSyncOptions and TSyncReport, types only

struct TWindowSyncRun {
    ISyncListStore* Store = nullptr;
    TSyncOptions Options;  // its credentials are looked up for User
    QString User;
    // Tests: as TSyncEngine::BeforePushForTesting.
    std::function<void()> BeforePush;
    std::function<void(const QString& step, int done, int total)> Progress;
    std::function<void(const TSyncReport& report)> Finished;
    std::function<void(const QString& message)> Failed;
};

// In the calling thread: the credentials, then the whole sync; the outcome goes to
// Finished or Failed (also when the module cannot be loaded), never as an exception.
void RunWindowSync(const TWindowSyncRun& run);

// Keeps a password in the desktop's keyring; false with the reason in `error`. Raises
// EPellmarkError when the module cannot be loaded.
bool KeepKeyringPassword(const QString& host, const QString& user, const QString& password,
                         QString* error);

// The module's entry points.
using TRunWindowSync = void (*)(const TWindowSyncRun& run);
using TKeepKeyringPassword = bool (*)(const QString& host, const QString& user,
                                      const QString& password, QString* error);
