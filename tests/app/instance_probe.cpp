// A stand-in for the program, for the single-copy and notification-area tests: a plain
// main window wired to TTrayIcon and TRunOnce the way the real main window wires them.
// It reports what happens on standard output, one line each, and takes commands on
// standard input:
//   state     -> "state visible=V minimized=M active=A tray=T icon=I"
//   minimize  the window's minimise button        hide      "&Hide window"
//   restore   "&Restore window"                   lpress    a left press on the icon
//   other     activate a second window, so the main window is not active
//   geometry  -> "geometry X Y W H" of the icon   winid     -> "winid N"
//   exit      "E&xit" of the tray menu (closes the window through its close path)
// With "--connect SOCKET" it only tries to hand a message to that socket and reports
// "connect-result acked" or "connect-result refused".

#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLocalSocket>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QSocketNotifier>
#include <cstdio>
#include <memory>

#include "app/instance_message.h"
#include "app/run_once.h"
#include "app/tray_icon.h"

namespace {

void Say(const QByteArray& line) {
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class ProbeWindow : public QMainWindow, public IRunOnceOwner {
public:
    ProbeWindow() {
        setWindowTitle(QStringLiteral("Pellmark probe"));
        resize(300, 200);
        trayPopup = new QMenu(this);
        trayPopup->setObjectName(QStringLiteral("trayPopup"));
        QAction* restore = trayPopup->addAction(QStringLiteral("&Restore window"));
        restore->setObjectName(QStringLiteral("pupRestorewindow"));
        QAction* hide = trayPopup->addAction(QStringLiteral("&Hide window"));
        hide->setObjectName(QStringLiteral("pupHidewindow"));
        trayPopup->addSeparator();
        QAction* exit = trayPopup->addAction(QStringLiteral("E&xit"));
        exit->setObjectName(QStringLiteral("pupExit"));

        TrayIcon1 = new TTrayIcon(this);
        TrayIcon1->SetHint(QStringLiteral("Pellmark"));
        TrayIcon1->SetPopupMenu(trayPopup);
        TrayIcon1->SetRestoreOn(ticNone);
        TrayIcon1->OnMinimizeApp = [this](TTrayIcon*) {
            trayState = QStringLiteral("min");
            Say("minimize-app");
        };
        TrayIcon1->OnRestoreApp = [this](TTrayIcon*) {
            trayState.clear();
            Say("restore-app");
        };
        TrayIcon1->OnLButtonDown = [this](TTrayIcon*) {
            Say("lbutton-down");
            if (trayState == QLatin1String("min")) {
                TrayIcon1->RestoreApp();
            } else {
                TrayIcon1->MinimizeApp();
            }
        };
        connect(restore, &QAction::triggered, this, [this] { TrayIcon1->RestoreApp(); });
        connect(hide, &QAction::triggered, this, [this] { TrayIcon1->MinimizeApp(); });
        connect(exit, &QAction::triggered, this, [this] { close(); });

        RunOnce1 = new TRunOnce(this, this);
        RunOnce1->OnOtherInstance = [](TRunOnce*, unsigned count,
                                       const std::vector<std::string>& strings) {
            QByteArray line = "other " + QByteArray::number(count);
            for (const std::string& s : strings) {
                line += ' ' + QByteArray::fromStdString(s).toPercentEncoding();
            }
            Say(line);
        };
    }

    bool InTray() const override { return trayState == QLatin1String("min"); }

    void Command(const QByteArray& command) {
        if (command == "state") {
            Say("state visible=" + QByteArray::number(isVisible()) +
                " minimized=" + QByteArray::number(isMinimized()) +
                " active=" + QByteArray::number(isActiveWindow()) +
                " tray=" + (trayState.isEmpty() ? QByteArray("-") : trayState.toLatin1()) +
                " icon=" + QByteArray::number(TrayIcon1->IconShown()));
        } else if (command == "minimize") {
            showMinimized();
        } else if (command == "hide") {
            trayPopup->findChild<QAction*>(QStringLiteral("pupHidewindow"))->trigger();
        } else if (command == "restore") {
            trayPopup->findChild<QAction*>(QStringLiteral("pupRestorewindow"))->trigger();
        } else if (command == "exit") {
            trayPopup->findChild<QAction*>(QStringLiteral("pupExit"))->trigger();
        } else if (command == "lpress") {
            TrayIcon1->MouseAction(ticLeftClick);
        } else if (command == "other") {
            if (!otherWindow) {
                otherWindow = std::make_unique<QWidget>(nullptr, Qt::Window);
                otherWindow->resize(100, 100);
            }
            otherWindow->show();
            otherWindow->raise();
            otherWindow->activateWindow();
        } else if (command == "geometry") {
            const QRect r = TrayIcon1->IconGeometry();
            Say("geometry " + QByteArray::number(r.x()) + ' ' + QByteArray::number(r.y()) + ' ' +
                QByteArray::number(r.width()) + ' ' + QByteArray::number(r.height()));
        } else if (command == "winid") {
            Say("winid " + QByteArray::number(static_cast<qulonglong>(winId())));
        }
    }

    QMenu* trayPopup;
    TTrayIcon* TrayIcon1;
    TRunOnce* RunOnce1;
    QString trayState;
    std::unique_ptr<QWidget> otherWindow;

protected:
    void closeEvent(QCloseEvent* event) override {
        Say("close");
        if (otherWindow) {
            otherWindow->close();
        }
        event->accept();
    }
};

int ConnectOnly(const QString& socketPath) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    bool acked = false;
    if (socket.waitForConnected(2000)) {
        const std::string message = EncodeInstanceMessage({"intruder", "x"}, {});
        socket.write(message.data(), static_cast<qint64>(message.size()));
        socket.waitForBytesWritten(2000);
        char answer = 0;
        acked = socket.waitForReadyRead(3000) && socket.getChar(&answer) &&
                answer == kInstanceMessageAck;
    }
    Say(acked ? "connect-result acked" : "connect-result refused");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--connect") == 0) {
        QCoreApplication app(argc, argv);
        return ConnectOnly(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    QPixmap pixmap(22, 22);
    pixmap.fill(QColor(0xCC, 0x22, 0x22));
    QApplication::setWindowIcon(QIcon(pixmap));

    ProbeWindow window;
    if (!window.RunOnce1->Start()) {
        Say("handed-over");
        return 3;
    }
    Say("channel " + QFile::encodeName(window.RunOnce1->ServerName()) + ' ' +
        QFile::encodeName(window.RunOnce1->LockFileName()));
    try {
        window.TrayIcon1->Loaded();
    } catch (const ETrayIconError& error) {
        Say("tray-error " + QByteArray(error.what()));
    }
    Say(window.TrayIcon1->IconShown() ? "tray icon" : "tray none");

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            return;
        }
        pending.append(buffer, got);
        for (qsizetype at; (at = pending.indexOf('\n')) >= 0;) {
            const QByteArray command = pending.left(at).trimmed();
            pending.remove(0, at + 1);
            window.Command(command);
        }
    });

    window.show();
    Say("ready " + QByteArray::number(QCoreApplication::applicationPid()));
    const int result = app.exec();
    Say("exit");
    return result;
}
