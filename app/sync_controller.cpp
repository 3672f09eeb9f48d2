#include "app/sync_controller.h"

#include "app/window_sync_run.h"

namespace {

constexpr int kMostRuns = 3;

}  // namespace

TSyncController::TSyncController(TSyncWindowSide window, QObject* parent)
    : QObject(parent), window_(std::move(window)), worker_(std::make_unique<QObject>()) {
    thread_.setObjectName(QStringLiteral("Sync"));
    worker_->moveToThread(&thread_);
    thread_.start();
}

TSyncController::~TSyncController() {
    if (store_) {
        store_->Cancel();
    }
    thread_.quit();
    thread_.wait();
}

void TSyncController::Start(const TSyncOptions& options, const QString& user,
                            const QString& listFile) {
    if (running_) {
        return;
    }
    options_ = options;
    user_ = user;
    listFile_ = listFile;
    running_ = true;
    runs_ = 0;
    RunOnce();
}

void TSyncController::RunOnce() {
    ++runs_;
    store_ = std::make_unique<TWindowSyncStore>(window_, listFile_);
    TWindowSyncStore* store = store_.get();
    TSyncOptions options = options_;
    std::function<void()> beforePush = runs_ == 1 ? BeforePushForTesting : nullptr;
    // `this` outlives the run: the destructor waits for the worker.
    QMetaObject::invokeMethod(
        worker_.get(),
        [this, store, options, beforePush, user = user_] {
            // The outcome comes back to the GUI thread.
            TWindowSyncRun run;
            run.Store = store;
            run.Options = options;
            run.User = user;
            run.BeforePush = beforePush;
            run.Progress = [this](const QString& step, int done, int total) {
                QMetaObject::invokeMethod(
                    this, [this, step, done, total] { Q_EMIT progress(step, done, total); },
                    Qt::QueuedConnection);
            };
            run.Finished = [this](const TSyncReport& report) {
                QMetaObject::invokeMethod(
                    this, [this, report] { RunFinished(report); }, Qt::QueuedConnection);
            };
            run.Failed = [this](const QString& message) {
                QMetaObject::invokeMethod(
                    this, [this, message] { RunFailed(message); }, Qt::QueuedConnection);
            };
            RunWindowSync(run);
        },
        Qt::QueuedConnection);
}

void TSyncController::RunFinished(const TSyncReport& report) {
    // The engine has made its last call of the store.
    store_.reset();
    running_ = false;
    Q_EMIT finished(report);
}

void TSyncController::RunFailed(const QString& message) {
    const bool again = store_ && store_->ListChanged() && runs_ < kMostRuns;
    store_.reset();
    if (again) {
        RunOnce();
        return;
    }
    running_ = false;
    Q_EMIT failed(message);
}
