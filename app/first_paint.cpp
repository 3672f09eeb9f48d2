#include "app/first_paint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

// A child of the window: watches its paint events and goes once it has run the action.
class TFirstPaintWatch : public QObject {
public:
    TFirstPaintWatch(QWidget* window, std::function<void()> action, int latestMilliseconds)
        : QObject(window), window_(window), action_(std::move(action)) {
        window_->installEventFilter(this);
        QTimer::singleShot(latestMilliseconds, this, &TFirstPaintWatch::Run);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Paint && !queued_) {
            queued_ = true;
            // Queued: the children are painted and the window is flushed in the same pass.
            QMetaObject::invokeMethod(this, &TFirstPaintWatch::Run, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void Run() {
        if (done_) {
            return;
        }
        done_ = true;
        window_->removeEventFilter(this);
        deleteLater();
        action_();
    }

    QWidget* window_;
    std::function<void()> action_;
    bool queued_ = false;
    bool done_ = false;
};

}  // namespace

void AfterFirstPaint(QWidget* window, std::function<void()> action, int latestMilliseconds) {
    new TFirstPaintWatch(window, std::move(action), latestMilliseconds);  // owned by window
}
