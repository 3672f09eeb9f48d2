#pragma once

// Runs the window's syncs (sync/sync_engine.h) one at a time in a worker thread of its
// own, so that the list stays usable meanwhile; the list's side is a TWindowSyncStore.
// The credentials are looked up in the worker too (the keyring may take a while).
//
// A sync whose merged list could not be applied because the list was edited meanwhile is
// run again on the edited list, up to three runs in all; what the user sees is the last
// run's outcome. The signals come on the GUI thread.

#include <QObject>
#include <QString>
#include <QThread>
#include <functional>
#include <memory>

#include "app/window_sync_store.h"
#include "sync/sync_engine.h"

class TSyncController : public QObject {
    Q_OBJECT

public:
    explicit TSyncController(TSyncWindowSide window, QObject* parent = nullptr);
    // A sync still running is stopped at its next step that needs the list (its outcome is
    // then as if it had been cut off there), and waited for.
    ~TSyncController() override;

    bool Running() const { return running_; }
    // Starts a sync of `listFile`, the window's current file, with the collection of
    // `options` (their credentials are looked up for `user`). Only when none is running.
    void Start(const TSyncOptions& options, const QString& user, const QString& listFile);

    // Tests: handed to the first run's engine (TSyncEngine::BeforePushForTesting); it runs
    // in the worker thread.
    std::function<void()> BeforePushForTesting;
    // How many runs the last sync took.
    int Runs() const { return runs_; }

Q_SIGNALS:
    void progress(const QString& step, int done, int total);
    void finished(const TSyncReport& report);
    void failed(const QString& message);

private:
    void RunOnce();
    void RunFinished(const TSyncReport& report);
    void RunFailed(const QString& message);

    TSyncWindowSide window_;
    QThread thread_;
    std::unique_ptr<QObject> worker_;  // lives in thread_: the runs are delivered to it
    std::unique_ptr<TWindowSyncStore> store_;
    TSyncOptions options_;
    QString user_;
    QString listFile_;
    bool running_ = false;
    int runs_ = 0;
};
