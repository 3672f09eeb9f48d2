// A library the start-up benchmark preloads (LD_PRELOAD) into the program it times, so that
// the program itself needs no switch for it: when the application object is made, it
// watches every event, and right after the first paint of a top-level window has been
// completed it writes that window's class name to the file named by
// PELLMARK_FIRST_PAINT_REPORT and ends the process at once, without any clean-up.

#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QMetaObject>
#include <QWidget>

namespace {

class TFirstPaintExit : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!fired_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            fired_ = true;
            const QByteArray name = watched->metaObject()->className();
            // Queued: the children are painted and the window is flushed in the same pass.
            QMetaObject::invokeMethod(
                this, [name] { Exit(name); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static void Exit(const QByteArray& name) {
        QFile report(qEnvironmentVariable("PELLMARK_FIRST_PAINT_REPORT"));
        if (!report.fileName().isEmpty() && report.open(QIODevice::WriteOnly)) {
            report.write(name + '\n');
            report.close();
        }
        ::_exit(0);
    }

    bool fired_ = false;
};

void InstallFirstPaintExit() {
    QCoreApplication* app = QCoreApplication::instance();
    app->installEventFilter(new TFirstPaintExit(app));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallFirstPaintExit)
