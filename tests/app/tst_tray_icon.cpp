#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include "app/tray_icon.h"
#include "fake_tray_service.h"

Q_DECLARE_METATYPE(QSystemTrayIcon::ActivationReason)
Q_DECLARE_METATYPE(TTrayIconClicks)

namespace {

QIcon Solid(QColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

QString Characters(int count) {
    return QString(count, QLatin1Char('h'));
}

}  // namespace

class TestTrayIcon : public QObject {
    Q_OBJECT

    std::unique_ptr<QMainWindow> window;
    std::shared_ptr<FakeTrayArea> area;
    FakeTrayService* service = nullptr;  // owned by tray
    TTrayIcon* tray = nullptr;           // owned by window
    QStringList log;
    QIcon appIcon;

    // The main window's way of using the icon: a left press toggles through the tray state.
    QString trayState;
    void WireLikeMainWindow() {
        tray->SetRestoreOn(ticNone);
        tray->OnLButtonDown = [this](TTrayIcon*) {
            if (trayState == QLatin1String("min")) {
                tray->RestoreApp();
            } else {
                tray->MinimizeApp();
            }
        };
    }

    void ShowWindow() {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void SendToTray() {
        ShowWindow();
        window->showMinimized();
        QTRY_VERIFY(tray->InTray());
        log.clear();
    }

private Q_SLOTS:
    void initTestCase() {
        appIcon = Solid(Qt::darkGreen);
        QApplication::setWindowIcon(appIcon);
    }

    void init() {
        window = std::make_unique<QMainWindow>();
        window->resize(200, 120);
        area = std::make_shared<FakeTrayArea>();
        auto owned = std::make_unique<FakeTrayService>(area);
        service = owned.get();
        tray = new TTrayIcon(window.get(), std::move(owned));
        log.clear();
        trayState.clear();
        tray->OnMinimizeApp = [this](TTrayIcon* sender) {
            QCOMPARE(sender, tray);
            trayState = QStringLiteral("min");
            log << QStringLiteral("minimize-app");
        };
        tray->OnRestoreApp = [this](TTrayIcon*) {
            trayState.clear();
            log << QStringLiteral("restore-app");
        };
    }
    void cleanup() { window.reset(); }

    void defaults() {
        QCOMPARE(tray->Enabled(), true);
        QCOMPARE(tray->Hint(), QString());
        QCOMPARE(tray->PopupMenu(), nullptr);
        QCOMPARE(tray->RestoreOn(), ticLeftDblClick);
        QCOMPARE(tray->PopupMenuOn(), ticRightClickUp);
        QVERIFY(tray->Icons().isEmpty());
        QCOMPARE(tray->IconIndex(), 0);
        QCOMPARE(tray->Animate(), false);
        QCOMPARE(tray->Interval(), 1000);
        // Nothing reaches the notification area before the properties are in place.
        QVERIFY(area->calls.isEmpty());
    }

    void loadedAddsTheApplicationIcon() {
        tray->SetHint(QStringLiteral("Pellmark"));
        QVERIFY(area->calls.isEmpty());
        tray->Loaded();
        QCOMPARE(area->calls, QStringList{QStringLiteral("Add Pellmark")});
        QCOMPARE(area->icon.cacheKey(), appIcon.cacheKey());
        QVERIFY(tray->IconShown());
    }

    void hint_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<bool>("updated");
        QTest::addRow("63 characters shown") << Characters(63) << Characters(63) << true;
        QTest::addRow("64 characters ignored")
            << Characters(64) << QStringLiteral("Pellmark") << false;
        QTest::addRow("200 characters ignored")
            << Characters(200) << QStringLiteral("Pellmark") << false;
        QTest::addRow("same value")
            << QStringLiteral("Pellmark") << QStringLiteral("Pellmark") << false;
        QTest::addRow("cleared") << QString() << QString() << true;
        QTest::addRow("accented") << QStringLiteral("T\u00e2ches") << QStringLiteral("T\u00e2ches")
                                  << true;
    }
    void hint() {
        QFETCH(QString, value);
        QFETCH(QString, hint);
        QFETCH(bool, updated);
        tray->SetHint(QStringLiteral("Pellmark"));
        tray->Loaded();
        area->calls.clear();
        tray->SetHint(value);
        QCOMPARE(tray->Hint(), hint);
        QCOMPARE(area->tip, hint);
        QCOMPARE(area->calls.size(), updated ? 1 : 0);
    }

    void iconsAndIndex() {
        const QList<QIcon> icons{Solid(Qt::red), Solid(Qt::green), Solid(Qt::blue)};
        tray->Loaded();
        tray->SetIcons(icons);
        QCOMPARE(area->icon.cacheKey(), icons[0].cacheKey());
        tray->SetIconIndex(2);
        QCOMPARE(area->icon.cacheKey(), icons[2].cacheKey());
        // An index without an image shows the application's icon.
        for (int index : {3, -1}) {
            tray->SetIconIndex(index);
            QCOMPARE(area->icon.cacheKey(), appIcon.cacheKey());
        }
        tray->SetIcons({});
        tray->SetIconIndex(0);
        QCOMPARE(area->icon.cacheKey(), appIcon.cacheKey());
    }

    void animateCyclesAndWraps() {
        const QList<QIcon> icons{Solid(Qt::red), Solid(Qt::green), Solid(Qt::blue)};
        tray->Loaded();
        tray->SetIcons(icons);
        tray->SetIconIndex(1);
        area->iconKeys.clear();
        tray->SetInterval(20);
        tray->SetAnimate(true);
        QTRY_VERIFY(area->iconKeys.size() >= 5);
        tray->SetAnimate(false);
        const QList<qint64> expected{icons[2].cacheKey(), icons[0].cacheKey(), icons[1].cacheKey(),
                                     icons[2].cacheKey(), icons[0].cacheKey()};
        QCOMPARE(area->iconKeys.mid(0, 5), expected);
        // Switched off, the image stays.
        const qsizetype ticks = area->iconKeys.size();
        QTest::qWait(120);
        QCOMPARE(area->iconKeys.size(), ticks);
    }

    void animateNeedsAPeriod() {
        tray->Loaded();
        tray->SetIcons({Solid(Qt::red), Solid(Qt::green)});
        area->iconKeys.clear();
        tray->SetInterval(0);
        tray->SetAnimate(true);
        QTest::qWait(120);
        QVERIFY(area->iconKeys.isEmpty());
        tray->SetInterval(20);
        QTRY_VERIFY(area->iconKeys.size() >= 2);
        QCOMPARE(tray->Interval(), 20);
    }

    // QSystemTrayIcon gives one notification per click; each becomes press and release.
    void mouseNotifications_data() {
        QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
        QTest::addColumn<QStringList>("events");
        QTest::addRow("left click") << QSystemTrayIcon::Trigger
                                    << QStringList{QStringLiteral("LDown"), QStringLiteral("LUp")};
        QTest::addRow("double click") << QSystemTrayIcon::DoubleClick
                                      << QStringList{QStringLiteral("LDbl"), QStringLiteral("LUp")};
        QTest::addRow("right click") << QSystemTrayIcon::Context
                                     << QStringList{QStringLiteral("RDown"), QStringLiteral("RUp")};
        QTest::addRow("middle click") << QSystemTrayIcon::MiddleClick << QStringList{};
        QTest::addRow("unknown") << QSystemTrayIcon::Unknown << QStringList{};
    }
    void mouseNotifications() {
        QFETCH(QSystemTrayIcon::ActivationReason, reason);
        QFETCH(QStringList, events);
        QStringList seen;
        auto record = [&seen, this](const char* name) {
            return [&seen, name, this](TTrayIcon* sender) {
                QCOMPARE(sender, tray);
                seen << QString::fromLatin1(name);
            };
        };
        tray->OnLButtonDown = record("LDown");
        tray->OnLButtonUp = record("LUp");
        tray->OnLButtonDblClick = record("LDbl");
        tray->OnRButtonDown = record("RDown");
        tray->OnRButtonUp = record("RUp");
        tray->OnRButtonDblClick = record("RDbl");
        tray->Loaded();
        service->Report(reason);
        QCOMPARE(seen, events);
    }

    // For the action that RestoreOn and PopupMenuOn name, the window is back and the menu
    // open by the time the action's own event is raised; other actions do neither.
    void restoreAndMenuBeforeTheEvent_data() {
        QTest::addColumn<TTrayIconClicks>("named");
        QTest::addColumn<TTrayIconClicks>("action");
        QTest::addColumn<bool>("acts");
        for (int n = ticLeftClick; n <= ticRightClickUp; ++n) {
            QTest::addRow("%d on %d", n, n) << TTrayIconClicks(n) << TTrayIconClicks(n) << true;
        }
        QTest::addRow("left press, right release named")
            << ticRightClickUp << ticLeftClick << false;
        QTest::addRow("none named") << ticNone << ticRightClickUp << false;
    }
    void restoreAndMenuBeforeTheEvent() {
        QFETCH(TTrayIconClicks, named);
        QFETCH(TTrayIconClicks, action);
        QFETCH(bool, acts);
        QMenu menu;
        menu.addAction(QStringLiteral("&Restore window"));
        tray->SetPopupMenu(&menu);
        tray->SetRestoreOn(named);
        tray->SetPopupMenuOn(named);
        tray->Loaded();
        SendToTray();
        bool visibleAtEvent = false;
        bool menuAtEvent = false;
        int raised = 0;
        const TTrayIcon::TNotifyEvent probe = [&](TTrayIcon*) {
            ++raised;
            visibleAtEvent = window->isVisible();
            menuAtEvent = menu.isVisible();
        };
        tray->OnLButtonDown = tray->OnLButtonUp = tray->OnLButtonDblClick = probe;
        tray->OnRButtonDown = tray->OnRButtonUp = tray->OnRButtonDblClick = probe;
        tray->MouseAction(action);
        QCOMPARE(raised, 1);
        QCOMPARE(visibleAtEvent, acts);
        QCOMPARE(menuAtEvent, acts);
        QCOMPARE(log, acts ? QStringList{QStringLiteral("restore-app")} : QStringList{});
        menu.hide();
    }

    void popupMenuOnRightButton() {
        QMenu menu;
        menu.addAction(QStringLiteral("&Restore window"));
        tray->Loaded();
        service->Report(QSystemTrayIcon::Context);  // without a menu nothing opens
        tray->SetPopupMenu(&menu);
        service->Report(QSystemTrayIcon::Trigger);
        QVERIFY(!menu.isVisible());
        service->Report(QSystemTrayIcon::Context);
        QTRY_VERIFY(menu.isVisible());
        menu.hide();
        // A menu destroyed elsewhere is simply gone.
        {
            QMenu shortLived;
            tray->SetPopupMenu(&shortLived);
        }
        QCOMPARE(tray->PopupMenu(), nullptr);
        service->Report(QSystemTrayIcon::Context);
    }

    // A double click arrives as a press and a double click: the left press toggles once.
    void doubleClickTogglesOnce() {
        tray->Loaded();
        WireLikeMainWindow();
        ShowWindow();
        service->Report(QSystemTrayIcon::Trigger);
        service->Report(QSystemTrayIcon::DoubleClick);
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(trayState, QStringLiteral("min"));
        service->Report(QSystemTrayIcon::Trigger);
        service->Report(QSystemTrayIcon::DoubleClick);
        QTRY_VERIFY(window->isVisible());
        QCOMPARE(trayState, QString());
        QCOMPARE(log, (QStringList{QStringLiteral("minimize-app"), QStringLiteral("restore-app")}));
    }

    void doubleClickRestoresByDefault() {
        tray->Loaded();
        SendToTray();
        service->Report(QSystemTrayIcon::Trigger);
        QVERIFY(!window->isVisible());
        service->Report(QSystemTrayIcon::DoubleClick);
        QVERIFY(window->isVisible());
        QVERIFY(!window->isMinimized());
        QCOMPARE(log, QStringList{QStringLiteral("restore-app")});
    }

    void minimiseByAnyRoute_data() {
        QTest::addColumn<int>("route");
        QTest::addRow("minimise button") << 0;
        QTest::addRow("window state") << 1;
        QTest::addRow("MinimizeApp") << 2;
    }
    void minimiseByAnyRoute() {
        QFETCH(int, route);
        tray->Loaded();
        ShowWindow();
        switch (route) {
            case 0:
                window->showMinimized();
                break;
            case 1:
                window->setWindowState(window->windowState() | Qt::WindowMinimized);
                break;
            default:
                tray->MinimizeApp();
                break;
        }
        QTRY_VERIFY(!window->isVisible());
        QVERIFY(tray->InTray());
        QCOMPARE(log, QStringList{QStringLiteral("minimize-app")});
        tray->MinimizeApp();  // already there: nothing more happens
        QCoreApplication::processEvents();
        QCOMPARE(log.size(), 1);
        QVERIFY(!window->isVisible());

        // (Activation is checked in the X session; the offscreen platform does not
        // activate a window again that it still counts as focused.)
        tray->RestoreApp();
        QVERIFY(window->isVisible());
        QVERIFY(!window->isMinimized());
        QVERIFY(!tray->InTray());
        QCOMPARE(log, (QStringList{QStringLiteral("minimize-app"), QStringLiteral("restore-app")}));
    }

    void maximisedComesBackMaximised() {
        tray->Loaded();
        window->showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        tray->MinimizeApp();
        QTRY_VERIFY(tray->InTray());
        tray->RestoreApp();
        QVERIFY(window->isMaximized());
        QVERIFY(!window->isMinimized());
    }

    // Brought back by someone else (the desktop, other code): still reported.
    void restoredFromOutside() {
        tray->Loaded();
        SendToTray();
        window->showNormal();
        QVERIFY(window->isVisible());
        QVERIFY(!tray->InTray());
        QCOMPARE(log, QStringList{QStringLiteral("restore-app")});
    }

    // Restored before the queued hide ran: the window stays.
    void restoredAtOnce() {
        tray->Loaded();
        ShowWindow();
        window->showMinimized();
        window->showNormal();
        QCoreApplication::processEvents();
        QVERIFY(window->isVisible());
        QVERIFY(!tray->InTray());
    }

    void withoutNotificationArea() {
        area->available = false;
        tray->Loaded();
        QVERIFY(area->calls.isEmpty());
        QVERIFY(!tray->IconShown());
        ShowWindow();
        window->showMinimized();
        QCoreApplication::processEvents();
        QVERIFY(window->isVisible());
        QVERIFY(window->isMinimized());
        QVERIFY(!tray->InTray());
        tray->RestoreApp();
        QVERIFY(!window->isMinimized());
        QVERIFY(log.isEmpty());
    }

    void refusedIcon() {
        area->refuseAdd = true;
        try {
            tray->Loaded();
            QFAIL("no error");
        } catch (const ETrayIconError& error) {
            QCOMPARE(error.Message(), QStringLiteral("Cannot create Shell Notification Icon"));
        }
        QVERIFY(!tray->IconShown());
        // The program goes on as without a notification area.
        ShowWindow();
        window->showMinimized();
        QCoreApplication::processEvents();
        QVERIFY(window->isVisible());
        QVERIFY(log.isEmpty());
    }

    void enabledSwitchesTheIcon() {
        tray->Loaded();
        tray->SetEnabled(false);
        QCOMPARE(area->calls.last(), QStringLiteral("Remove"));
        QVERIFY(!area->shown);
        QVERIFY(!tray->Enabled());
        // Without the icon the window keeps its taskbar entry; the events still come.
        ShowWindow();
        window->showMinimized();
        QCoreApplication::processEvents();
        QVERIFY(window->isVisible());
        QCOMPARE(log, QStringList{QStringLiteral("minimize-app")});
        window->showNormal();
        tray->SetEnabled(true);
        QVERIFY(area->shown);
        QVERIFY(tray->IconShown());
    }

    void enabledBeforeLoaded() {
        tray->SetEnabled(false);
        tray->Loaded();
        QVERIFY(area->calls.isEmpty());
    }

    void removeRefused() {
        area->refuseRemove = true;
        tray->Loaded();
        try {
            tray->SetEnabled(false);
            QFAIL("no error");
        } catch (const ETrayIconError& error) {
            QCOMPARE(error.Message(), QStringLiteral("Cannot remove Shell Notification Icon"));
        }
        QVERIFY(tray->Enabled());
        QVERIFY(tray->IconShown());
    }

    void addRefusedWhenEnabledAgain() {
        tray->Loaded();
        tray->SetEnabled(false);
        area->refuseAdd = true;
        QVERIFY_THROWS_EXCEPTION(ETrayIconError, tray->SetEnabled(true));
        QVERIFY(!tray->Enabled());
    }

    // Taking the icon away must not strand a window hidden behind it.
    void disabledWhileInTray() {
        tray->Loaded();
        SendToTray();
        tray->SetEnabled(false);
        QVERIFY(window->isVisible());
        QCOMPARE(log, QStringList{QStringLiteral("restore-app")});
    }

    void destructionRemovesTheIcon() {
        tray->Loaded();
        delete tray;
        QCOMPARE(area->calls.last(), QStringLiteral("Remove"));
        QVERIFY(!area->shown);
        // The owner going first takes the icon with it.
        init();
        tray->Loaded();
        window.reset();
        QVERIFY(!area->shown);
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_tray_icon.moc"
