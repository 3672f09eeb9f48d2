#include <QGuiApplication>
#include <QImage>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include "app/about_box.h"
#include "platform/testing/fake_platform.h"

namespace {

// Pixels of the image inside the rectangle that are near the colour.
int CountColor(const QImage& image, const QRect& rect, QColor color) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - color.red()) < 40 &&
                std::abs(pixel.green() - color.green()) < 40 &&
                std::abs(pixel.blue() - color.blue()) < 40) {
                ++count;
            }
        }
    }
    return count;
}

}  // namespace

class TestAboutBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void description_data() {
        QTest::addColumn<QString>("platformName");
        QTest::addColumn<QString>("productName");
        QTest::addColumn<QString>("versionText");
        QTest::addColumn<QString>("description");
        QTest::newRow("all three") << "Windows NT"
                                   << "Microsoft Windows XP"
                                   << "Service Pack 3"
                                   << "Your OS: Windows NT/Microsoft Windows XP\rOS Version: "
                                      "Service Pack 3";
        QTest::newRow("product of 3 characters shown") << "Linux"
                                                       << "Arc"
                                                       << "6.1"
                                                       << "Your OS: Linux/Arc\rOS Version: 6.1";
        QTest::newRow("product of 2 characters left out")
            << "Windows NT"
            << "XP"
            << "Service Pack 3"
            << "Your OS: Windows NT\rOS Version: Service Pack 3";
        QTest::newRow("product of 1 character left out")
            << "Windows NT"
            << "X"
            << "Service Pack 3"
            << "Your OS: Windows NT\rOS Version: Service Pack 3";
        QTest::newRow("no product name") << "Windows NT"
                                         << ""
                                         << "Service Pack 3"
                                         << "Your OS: Windows NT\rOS Version: Service Pack 3";
        QTest::newRow("key not readable") << "Windows NT"
                                          << "(unavailable)"
                                          << ""
                                          << "Your OS: Windows NT/(unavailable)\rOS Version: ";
        QTest::newRow("empty version text")
            << "Linux"
            << "Debian GNU/Linux 12 (bookworm)"
            << ""
            << "Your OS: Linux/Debian GNU/Linux 12 (bookworm)\rOS Version: ";
    }
    void description() {
        QFETCH(QString, platformName);
        QFETCH(QString, productName);
        QFETCH(QString, versionText);
        QFETCH(QString, description);
        QCOMPARE(AboutSystemDescription({platformName, productName, versionText}), description);

        // The box shows it on two lines, built from the platform's description.
        TFakePlatform platform;
        platform.OSInfo.Description = {platformName, productName, versionText};
        TfrmAbout about(platform.Services());
        QCOMPARE(about.SystemDescription(), description);
        const auto* label1 = about.findChild<QLabel*>(QStringLiteral("Label1"));
        QVERIFY(label1);
        QCOMPARE(label1->text().split(QLatin1Char('\n')), description.split(QLatin1Char('\r')));
    }

    void thisMachine() {
        TQtPlatform qt;
        const TOSDescription os = qt.Services().OSInfo.Describe();
        QVERIFY(!os.PlatformName.isEmpty());
        TfrmAbout about(qt.Services());
        const QString text = about.findChild<QLabel*>(QStringLiteral("Label1"))->text();
        QVERIFY2(text.startsWith(QStringLiteral("Your OS: ") + os.PlatformName), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("\nOS Version: ") + os.VersionText),
                 qPrintable(text));
    }

    void window() {
        TFakePlatform platform;
        TfrmAbout about(platform.Services());
        QCOMPARE(about.windowTitle(), QStringLiteral("About Pellmark"));
        QCOMPARE(about.size(), QSize(329, 287));
        QCOMPARE(about.minimumSize(), about.maximumSize());
        const Qt::WindowFlags flags = about.windowFlags();
        QVERIFY(about.isWindow());
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
        QVERIFY(!about.isVisible());  // made hidden
    }

    void labels_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPoint>("place");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<bool>("antialiased");
        QTest::addColumn<bool>("underlined");
        QTest::newRow("title") << "lblTitle" << QPoint(24, 8) << 21 << QColor(Qt::white) << true
                               << false;
        QTest::newRow("version") << "lblCurrVs" << QPoint(224, 8) << 21 << QColor(Qt::white) << true
                                 << false;
        QTest::newRow("web link") << "lblWeb" << QPoint(40, 136) << 21 << QColor(0, 255, 255)
                                  << true << true;
        QTest::newRow("author") << "lblAuthor" << QPoint(8, 184) << 13 << QColor(Qt::white) << false
                                << false;
        QTest::newRow("e-mail link")
            << "lblMail" << QPoint(136, 184) << 13 << QColor(Qt::yellow) << false << true;
        QTest::newRow("notice") << "lblNotice" << QPoint(8, 208) << 13 << QColor(Qt::white) << false
                                << false;
    }
    void labels() {
        QFETCH(QString, name);
        QFETCH(QPoint, place);
        QFETCH(int, pixelSize);
        QFETCH(QColor, color);
        QFETCH(bool, antialiased);
        QFETCH(bool, underlined);
        TFakePlatform platform;
        TfrmAbout about(platform.Services());
        const auto* label = about.findChild<QLabel*>(name);
        QVERIFY(label);
        QCOMPARE(label->pos(), place);
        QVERIFY(!label->text().isEmpty());
        QCOMPARE(label->font().pixelSize(), pixelSize);
        QCOMPARE(label->font().underline(), underlined);
        QCOMPARE(label->font().styleStrategy() == QFont::PreferAntialias, antialiased);
        QCOMPARE(label->palette().color(QPalette::WindowText), color);
        // The whole text lies inside the box, above the system lines.
        QVERIFY(QRect(0, 0, 329, 287 - 33).contains(label->geometry()));
        QVERIFY(label->sizeHint().width() <= label->width());

        // And it is drawn in its colour on the navy ground.
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const QImage image = about.grab().toImage();
        QVERIFY(CountColor(image, label->geometry(), color) > 10);
    }

    void texts() {
        TFakePlatform platform;
        TfrmAbout about(platform.Services());
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(),
                 QStringLiteral("Pellmark Version:"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblCurrVs"))->text(),
                 QStringLiteral("1.02"));
        const auto* web = about.findChild<QLabel*>(QStringLiteral("lblWeb"));
        QCOMPARE(web->toolTip(), QStringLiteral("Visit our website!"));
        QCOMPARE(web->cursor().shape(), Qt::PointingHandCursor);
        const auto* mail = about.findChild<QLabel*>(QStringLiteral("lblMail"));
        QCOMPARE(mail->text(), QStringLiteral("pellmark@example.org"));
        QCOMPARE(mail->toolTip(), QStringLiteral("Send me an e-mail"));
        QCOMPARE(mail->cursor().shape(), Qt::PointingHandCursor);
    }

    void colours() {
        TFakePlatform platform;
        TfrmAbout about(platform.Services());
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const QImage image = about.grab().toImage();
        QCOMPARE(image.pixelColor(2, 100), QColor(0, 0, 0x80));
        QCOMPARE(image.pixelColor(320, 60), QColor(0, 0, 0x80));
        const auto* label1 = about.findChild<QLabel*>(QStringLiteral("Label1"));
        QCOMPARE(label1->geometry(), QRect(0, 287 - 33, 329, 33));
        QVERIFY(label1->wordWrap());
        QCOMPARE(label1->alignment(), Qt::AlignCenter);
        QCOMPARE(image.pixelColor(1, 287 - 2), QColor(Qt::black));
        QCOMPARE(image.pixelColor(327, 287 - 32), QColor(Qt::black));
        QVERIFY(CountColor(image, label1->geometry(), Qt::white) > 20);
    }

    void linksOpenThroughTheShell() {
        TFakePlatform platform;
        TfrmAbout about(platform.Services());
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        auto* web = about.findChild<QLabel*>(QStringLiteral("lblWeb"));
        auto* mail = about.findChild<QLabel*>(QStringLiteral("lblMail"));
        QTest::mouseClick(web, Qt::LeftButton);
        QTest::mouseClick(mail, Qt::LeftButton);
        QTest::mouseClick(mail, Qt::RightButton);  // not a click on the link
        QCOMPARE(platform.Shell.Opened,
                 (std::vector<QString>{QStringLiteral("https://pellmark.example.org"),
                                       QStringLiteral("mailto: pellmark@example.org")}));
        // The desktop gets a valid mail link all the same.
        QCOMPARE(ShellUrl(platform.Shell.Opened[1]),
                 QUrl(QStringLiteral("mailto:pellmark@example.org")));
    }

    void shellFailureShowsNothing() {
        TFakePlatform platform;
        platform.Shell.Result = false;
        TfrmAbout about(platform.Services());
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::mouseClick(about.findChild<QLabel*>(QStringLiteral("lblWeb")), Qt::LeftButton);
        QCOMPARE(platform.Shell.Opened.size(), 1u);
        QVERIFY(platform.Messages.Calls.empty());
        QVERIFY(about.isVisible());
    }

    void centredAndOnlyHiddenByClose() {
        TFakePlatform platform;
        QPointer<TfrmAbout> about = new TfrmAbout(platform.Services());
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY((about->frameGeometry().center() - screen.center()).manhattanLength() <= 2);
        QVERIFY(about->close());
        QVERIFY(!about->isVisible());
        QCoreApplication::processEvents();
        QVERIFY(about);  // still there, to be shown again
        about->show();
        QVERIFY(about->isVisible());
        delete about.data();
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_about_box.moc"
