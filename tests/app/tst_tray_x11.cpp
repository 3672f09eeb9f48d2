// The notification-area icon in a real X session, with Debian's trayer as the host. Runs
// inside its own Xvfb (tests/support/with-xvfb); the mouse is moved and clicked with
// xdotool, so the clicks reach the icon the way a user's would.

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenu>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QStandardPaths>
#include <QStyleHints>
#include <QTest>

#include "app/tray_icon.h"
#include "probe_process.h"

namespace {

// The stand-in main window: records when its close path runs.
class StandIn : public QMainWindow {
public:
    int closes = 0;

protected:
    void closeEvent(QCloseEvent* event) override {
        ++closes;
        event->accept();
    }
};

bool Xdotool(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// Clicks at a screen point. Two clicks at one place closer together than the double-click
// time make a double click for Qt, whichever widget they hit, so separate clicks are kept
// that far apart, as a user's separate clicks would be.
bool ClickAt(QPoint at, int button, int repeat = 1) {
    static QElapsedTimer sinceLast;
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval() + 100;
    if (sinceLast.isValid() && sinceLast.elapsed() < interval) {
        QTest::qWait(static_cast<int>(interval - sinceLast.elapsed()));
    }
    const auto restart = qScopeGuard([] { sinceLast.start(); });
    return Xdotool(
               {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())}) &&
           Xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(repeat),
                    QStringLiteral("--delay"), QStringLiteral("60"), QString::number(button)});
}

// Inside trayer's panel at the top right of the screen.
bool InPanel(QPoint point) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return QRect(screen.right() - 300, 0, 301, 40).contains(point);
}

QPoint ProbeIconCentre(ProbeProcess& probe) {
    const QStringList parts = probe.Query(QStringLiteral("geometry")).split(QLatin1Char(' '));
    if (parts.size() != 5) {
        return {};
    }
    return QRect(parts[1].toInt(), parts[2].toInt(), parts[3].toInt(), parts[4].toInt()).center();
}

}  // namespace

class TestTrayX11 : public QObject {
    Q_OBJECT

    std::unique_ptr<QProcess> host;
    std::unique_ptr<StandIn> window;
    TTrayIcon* tray = nullptr;
    QMenu* trayPopup = nullptr;
    QString trayState;
    QStringList events;

    void StartHost() {
        if (QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty()) {
            QSKIP("trayer is not installed (tools/packages.txt)");
        }
        if (!host) {
            host = std::make_unique<QProcess>();
            host->start(
                QStringLiteral("trayer"),
                {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                 QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                 QStringLiteral("--width"), QStringLiteral("300"), QStringLiteral("--heighttype"),
                 QStringLiteral("pixel"), QStringLiteral("--height"), QStringLiteral("32")});
            QVERIFY(host->waitForStarted());
        }
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 15000);
    }

    // A stand-in window with the main window's icon configuration.
    void MakeWindow() {
        window = std::make_unique<StandIn>();
        window->resize(300, 200);
        window->move(100, 300);
        trayPopup = new QMenu(window.get());
        QAction* restore = trayPopup->addAction(QStringLiteral("&Restore window"));
        QAction* hide = trayPopup->addAction(QStringLiteral("&Hide window"));
        trayPopup->addSeparator();
        QAction* exit = trayPopup->addAction(QStringLiteral("E&xit"));
        tray = new TTrayIcon(window.get());
        tray->SetHint(QStringLiteral("Pellmark"));
        tray->SetPopupMenu(trayPopup);
        tray->SetRestoreOn(ticNone);
        tray->OnMinimizeApp = [this](TTrayIcon*) {
            trayState = QStringLiteral("min");
            events << QStringLiteral("minimize-app");
        };
        tray->OnRestoreApp = [this](TTrayIcon*) {
            trayState.clear();
            events << QStringLiteral("restore-app");
        };
        tray->OnLButtonDown = [this](TTrayIcon*) {
            if (trayState == QLatin1String("min")) {
                tray->RestoreApp();
            } else {
                tray->MinimizeApp();
            }
        };
        connect(restore, &QAction::triggered, tray, &TTrayIcon::RestoreApp);
        connect(hide, &QAction::triggered, tray, &TTrayIcon::MinimizeApp);
        connect(exit, &QAction::triggered, window.get(), &QWidget::close);
        tray->Loaded();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        // The host embeds the icon; until then its place is unknown.
        QTRY_VERIFY_WITH_TIMEOUT(IconInHost(), 10000);
    }

    bool IconInHost() const {
        const QRect icon = tray->IconGeometry();
        return tray->IconShown() && InPanel(icon.topLeft()) && InPanel(icon.bottomRight());
    }

private Q_SLOTS:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            QSKIP("needs an X session: run through tests/support/with-xvfb");
        }
        QApplication::setQuitOnLastWindowClosed(false);
        QPixmap pixmap(22, 22);
        pixmap.fill(QColor(0x22, 0x66, 0xCC));
        QApplication::setWindowIcon(QIcon(pixmap));
    }
    void cleanupTestCase() {
        if (host) {
            host->kill();
            host->waitForFinished();
        }
    }
    void cleanup() {
        window.reset();
        trayState.clear();
        events.clear();
    }

    // Runs first, before any host is there: the program starts without the icon and a
    // minimise stays an ordinary one.
    void withoutHost() {
        QVERIFY(!host);
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        ProbeProcess probe;
        probe.Start();
        QVERIFY(!probe.WaitForLine(QStringLiteral("ready")).isEmpty());
        QVERIFY(probe.HasLine(QStringLiteral("tray none")));
        QVERIFY(!probe.HasLine(QStringLiteral("tray-error")));
        probe.Send(QStringLiteral("minimize"));
        QTRY_COMPARE(probe.Query(QStringLiteral("state")),
                     QStringLiteral("state visible=1 minimized=1 active=0 tray=- icon=0"));
        probe.Send(QStringLiteral("exit"));
        QVERIFY(probe.WaitForFinished());
        QCOMPARE(probe.ExitCode(), 0);
    }

    void iconAppears() {
        StartHost();
        MakeWindow();
        QVERIFY(tray->IconShown());
        QCOMPARE(tray->Tip(), QStringLiteral("Pellmark"));
    }

    void leftPressHidesAndRestores() {
        StartHost();
        MakeWindow();
        const QPoint icon = tray->IconGeometry().center();
        QVERIFY(ClickAt(icon, 1));
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(trayState, QStringLiteral("min"));
        QVERIFY(ClickAt(tray->IconGeometry().center(), 1));
        QTRY_VERIFY(window->isVisible());
        QVERIFY(!window->isMinimized());
        QTRY_VERIFY(window->isActiveWindow());
        QCOMPARE(trayState, QString());
        QCOMPARE(events,
                 (QStringList{QStringLiteral("minimize-app"), QStringLiteral("restore-app")}));
    }

    void doubleClickTogglesOnce() {
        StartHost();
        MakeWindow();
        QVERIFY(ClickAt(tray->IconGeometry().center(), 1, 2));
        QTRY_VERIFY(!window->isVisible());
        // The X server delivers in order: once the menu of a later right click is open,
        // every part of the double click has been handled.
        QVERIFY(ClickAt(tray->IconGeometry().center(), 3));
        QTRY_VERIFY(trayPopup->isVisible());
        trayPopup->hide();
        QCOMPARE(events, QStringList{QStringLiteral("minimize-app")});
        QVERIFY(!window->isVisible());
    }

    void minimiseButtonSendsToTray() {
        StartHost();
        MakeWindow();
        window->showMinimized();
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(trayState, QStringLiteral("min"));
    }

    void rightButtonMenuAndExit() {
        StartHost();
        MakeWindow();
        const QPoint icon = tray->IconGeometry().center();
        QVERIFY(ClickAt(icon, 3));
        QTRY_VERIFY(trayPopup->isVisible());
        // Opened at the pointer (moved aside only as far as the screen edge demands).
        QVERIFY(trayPopup->geometry().adjusted(-2, -2, 2, 2).contains(QCursor::pos()));
        QStringList texts;
        for (QAction* action : trayPopup->actions()) {
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        QCOMPARE(texts,
                 (QStringList{QStringLiteral("&Restore window"), QStringLiteral("&Hide window"),
                              QStringLiteral("-"), QStringLiteral("E&xit")}));
        QAction* exit = trayPopup->actions().last();
        const QPoint item = trayPopup->mapToGlobal(trayPopup->actionGeometry(exit).center());
        QVERIFY(ClickAt(item, 1));
        QTRY_COMPARE(window->closes, 1);
        QVERIFY(!window->isVisible());
    }

    void menuHidesAndRestores() {
        StartHost();
        MakeWindow();
        QVERIFY(ClickAt(tray->IconGeometry().center(), 3));
        QTRY_VERIFY(trayPopup->isVisible());
        QAction* hide = trayPopup->actions().at(1);
        QVERIFY(ClickAt(trayPopup->mapToGlobal(trayPopup->actionGeometry(hide).center()), 1));
        QTRY_VERIFY(!window->isVisible());
        QVERIFY(ClickAt(tray->IconGeometry().center(), 3));
        QTRY_VERIFY(trayPopup->isVisible());
        QAction* restore = trayPopup->actions().at(0);
        QVERIFY(ClickAt(trayPopup->mapToGlobal(trayPopup->actionGeometry(restore).center()), 1));
        QTRY_VERIFY(window->isVisible());
        QCOMPARE(events,
                 (QStringList{QStringLiteral("minimize-app"), QStringLiteral("restore-app")}));
    }

    // The program itself, in the tray, started a second time: it stays in the tray.
    void copyInTrayStaysThere() {
        StartHost();
        ProbeProcess first;
        first.Start();
        QVERIFY(!first.WaitForLine(QStringLiteral("ready")).isEmpty());
        QVERIFY(first.HasLine(QStringLiteral("tray icon")));
        QTRY_VERIFY_WITH_TIMEOUT(InPanel(ProbeIconCentre(first)), 10000);
        // A left press on its icon sends it to the tray.
        QVERIFY(ClickAt(ProbeIconCentre(first), 1));
        QTRY_COMPARE(first.Query(QStringLiteral("state")),
                     QStringLiteral("state visible=0 minimized=1 active=0 tray=min icon=1"));

        ProbeProcess second;
        second.Start({QStringLiteral("list.2do")});
        QVERIFY(second.WaitForFinished());
        QCOMPARE(second.ExitCode(), 3);
        QVERIFY(first.WaitForLine(QStringLiteral("other ")).endsWith(QStringLiteral(" list.2do")));
        QCOMPARE(first.Query(QStringLiteral("state")),
                 QStringLiteral("state visible=0 minimized=1 active=0 tray=min icon=1"));

        // And it still comes back from its icon.
        QVERIFY(ClickAt(ProbeIconCentre(first), 1));
        QTRY_COMPARE(first.Query(QStringLiteral("state")),
                     QStringLiteral("state visible=1 minimized=0 active=1 tray=- icon=1"));
    }

    // The second start's startup id reaches the running copy's window for the window
    // manager's focus rules.
    void activationTokenPassedOn() {
        ProbeProcess first;
        first.Start();
        QVERIFY(!first.WaitForLine(QStringLiteral("ready")).isEmpty());
        const QString winid = first.Query(QStringLiteral("winid")).section(QLatin1Char(' '), 1);
        QVERIFY(!winid.isEmpty());

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESKTOP_STARTUP_ID"),
                           QStringLiteral("pellmark-test_TIME4242"));
        ProbeProcess second;
        second.Start({}, environment);
        QVERIFY(second.WaitForFinished());
        QCOMPARE(second.ExitCode(), 3);
        QVERIFY(!first.WaitForLine(QStringLiteral("other ")).isEmpty());
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-id"), winid, QStringLiteral("_NET_STARTUP_ID")});
        QVERIFY(xprop.waitForFinished());
        QVERIFY2(xprop.readAllStandardOutput().contains("\"pellmark-test_TIME4242\""),
                 "no startup id");
    }
};

QTEST_MAIN(TestTrayX11)
#include "tst_tray_x11.moc"
