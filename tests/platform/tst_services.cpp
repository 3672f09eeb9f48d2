#include <QDateTime>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include "platform/platform_services.h"
#include "platform/testing/fake_platform.h"

#ifdef Q_OS_UNIX
#include <sys/utsname.h>
#endif

// Receives what the desktop would have opened.
class TUrlRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> Urls;

public Q_SLOTS:
    void Open(const QUrl& url) { Urls << url; }
};

class TestServices : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void clockNow() {
        TQtClock clock;
        const TDateTime before = QDateTimeToDateTime(QDateTime::currentDateTime());
        const TDateTime now = clock.Now();
        const TDateTime after = QDateTimeToDateTime(QDateTime::currentDateTime());
        QVERIFY(before <= now && now <= after);
    }

    void sleepBlocks() {
        TQtClock clock;
        QElapsedTimer elapsed;
        elapsed.start();
        clock.Sleep(40);
        QVERIFY(elapsed.elapsed() >= 40);
        clock.Sleep(-5);  // nothing to wait for, and no hang
    }

    void shellUrl_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QUrl>("url");
        QTest::newRow("web address") << "https://example.org/pellmark"
                                     << QUrl(QStringLiteral("https://example.org/pellmark"));
        QTest::newRow("without scheme")
            << "  www.example.org " << QUrl(QStringLiteral("http://www.example.org"));
        QTest::newRow("mailto with a blank")
            << "mailto: me@example.org" << QUrl(QStringLiteral("mailto:me@example.org"));
        QTest::newRow("upper-case mailto")
            << "MAILTO:me@example.org" << QUrl(QStringLiteral("mailto:me@example.org"));
    }
    void shellUrl() {
        QFETCH(QString, address);
        QFETCH(QUrl, url);
        QCOMPARE(ShellUrl(address), url);
    }

    void shellOpensThroughTheDesktop() {
        TUrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "Open");
        TQtShellService shell;
        QVERIFY(shell.OpenAddress(QStringLiteral("mailto: me@example.org")));
        QVERIFY(shell.OpenAddress(QStringLiteral("https://example.org/")));
        QVERIFY(!shell.OpenAddress(QString()));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(recorder.Urls, (QList<QUrl>{QUrl(QStringLiteral("mailto:me@example.org")),
                                             QUrl(QStringLiteral("https://example.org/"))}));
    }

    void prettyName_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("name");
        QTest::newRow("double quotes")
            << QByteArray(
                   "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 "
                   "(bookworm)\"\nID=debian\n")
            << "Debian GNU/Linux 12 (bookworm)";
        QTest::newRow("single quotes") << QByteArray("PRETTY_NAME='Arch Linux'") << "Arch Linux";
        QTest::newRow("unquoted") << QByteArray("ID=x\nPRETTY_NAME=Plain\n") << "Plain";
        QTest::newRow("escapes") << QByteArray("PRETTY_NAME=\"A \\\"B\\\" \\\\ C\"")
                                 << "A \"B\" \\ C";
        QTest::newRow("commented out") << QByteArray("#PRETTY_NAME=\"No\"\nNAME=x") << "";
        QTest::newRow("similar key") << QByteArray("XPRETTY_NAME=\"No\"") << "";
        QTest::newRow("empty") << QByteArray() << "";
    }
    void prettyName() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, name);
        QCOMPARE(OsReleasePrettyName(contents), name);
    }

    void osDescription() {
        QTemporaryDir dir;
        const QString empty = dir.filePath(QStringLiteral("empty"));
        const QString named = dir.filePath(QStringLiteral("os-release"));
        QFile(empty).open(QIODevice::WriteOnly);
        QFile file(named);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("PRETTY_NAME=\"Testix 1.0\"\n");
        file.close();

        // The first file that names the distribution counts.
        const TOSDescription d =
            TQtOSInfo({dir.filePath(QStringLiteral("missing")), empty, named}).Describe();
        QCOMPARE(d.ProductName, QStringLiteral("Testix 1.0"));
        QCOMPARE(d.VersionText, QSysInfo::kernelVersion());
#ifdef Q_OS_UNIX
        utsname names{};
        QCOMPARE(::uname(&names), 0);
        QCOMPARE(d.PlatformName, QString::fromLocal8Bit(names.sysname));
#endif
#ifdef Q_OS_LINUX
        QCOMPARE(d.PlatformName, QStringLiteral("Linux"));
#endif
        // Without a file Qt's own description stands in.
        QCOMPARE(TQtOSInfo({empty}).Describe().ProductName, QSysInfo::prettyProductName());
    }

    void qtPlatformServices() {
        TQtPlatform platform;
        const TPlatformServices services = platform.Services();
        QVERIFY(dynamic_cast<TQtMessageService*>(&services.Messages));
        QVERIFY(dynamic_cast<TQtDialogService*>(&services.Dialogs));
        QVERIFY(dynamic_cast<TQtClock*>(&services.Clock));
        QVERIFY(dynamic_cast<TQtShellService*>(&services.Shell));
        QVERIFY(dynamic_cast<TQtOSInfo*>(&services.OSInfo));
    }

    void fakeMessages() {
        TFakePlatform fake;
        TPlatformServices services = fake.Services();
        QCOMPARE(&services.Messages, &fake.Messages);
        fake.Messages.ConfirmAnswers = {true, false};
        QStringList seen;
        fake.Messages.OnShow = [&](const TMessageCall& call) { seen << call.Text; };
        QVERIFY(services.Messages.Confirm(QStringLiteral("first")));
        QVERIFY(!services.Messages.Confirm(QStringLiteral("second")));
        QVERIFY(!services.Messages.Confirm(QStringLiteral("unscripted")));  // DefaultAnswer
        fake.Messages.DefaultAnswer = true;
        QVERIFY(services.Messages.Confirm(QStringLiteral("default yes")));
        services.Messages.ShowError(QStringLiteral("bad."));
        services.Messages.ShowMessage(QStringLiteral("note"));
        QCOMPARE(fake.Messages.Texts(mkConfirm).size(), 4);
        QCOMPARE(fake.Messages.Texts(mkError), QStringList{QStringLiteral("bad.")});
        QCOMPARE(fake.Messages.Texts(mkMessage), QStringList{QStringLiteral("note")});
        QCOMPARE(seen.size(), 6);
        QCOMPARE(fake.Messages.Calls.back().Kind, mkMessage);
    }

    void fakeDialogs() {
        TFakePlatform fake;
        IDialogService& dialogs = fake.Services().Dialogs;
        fake.Dialogs.OpenAnswers = {QStringLiteral("/tmp/a.2do"), std::nullopt};
        TFileDialogOptions options;
        options.Title = QStringLiteral("Open Todolist");
        options.FileName = QStringLiteral("old.2do");
        QVERIFY(dialogs.OpenFile(options));
        QCOMPARE(options.FileName, QStringLiteral("/tmp/a.2do"));
        QVERIFY(!dialogs.OpenFile(options));  // cancelled
        QCOMPARE(options.FileName, QStringLiteral("/tmp/a.2do"));
        QVERIFY(!dialogs.SaveFile(options));  // nothing scripted: cancelled
        QCOMPARE(fake.Dialogs.OpenCalls.size(), std::size_t(2));
        QCOMPARE(fake.Dialogs.OpenCalls[0].FileName, QStringLiteral("old.2do"));
        QCOMPARE(fake.Dialogs.OpenCalls[0].Title, QStringLiteral("Open Todolist"));
        QCOMPARE(fake.Dialogs.SaveCalls.size(), std::size_t(1));

        TFont chosen;
        chosen.Name = QStringLiteral("DejaVu Serif");
        chosen.Color = clBlack;
        fake.Dialogs.FontAnswers = {chosen};
        TFont font;
        font.Color = clBlue;
        QVERIFY(dialogs.SelectFont(font));
        QCOMPARE(font.Name, QStringLiteral("DejaVu Serif"));
        QCOMPARE(font.Color, clBlue);
        QCOMPARE(fake.Dialogs.FontCalls.size(), std::size_t(1));
        QVERIFY(!dialogs.SelectFont(font));
    }

    void fakeClockShellAndSystem() {
        TFakePlatform fake;
        TPlatformServices services = fake.Services();
        fake.Clock.Current = 45000.0;
        services.Clock.Beep();
        services.Clock.Sleep(4000);
        QCOMPARE(fake.Clock.Beeps, 1);
        QCOMPARE(fake.Clock.Sleeps, std::vector<int>{4000});
        QCOMPARE(services.Clock.Now(), 45000.0 + 4000 / 86400000.0);

        fake.Shell.Result = false;
        QVERIFY(!services.Shell.OpenAddress(QStringLiteral("mailto: me@example.org")));
        QCOMPARE(fake.Shell.Opened, std::vector<QString>{QStringLiteral("mailto: me@example.org")});

        fake.OSInfo.Description.ProductName = QStringLiteral("(unavailable)");
        QCOMPARE(services.OSInfo.Describe().ProductName, QStringLiteral("(unavailable)"));
        QCOMPARE(services.FormatSettings.DateSeparator, QLatin1Char('/'));
        QCOMPARE(&services.FormatSettings, &fake.FormatSettings);
    }
};

QTEST_MAIN(TestServices)
#include "tst_services.moc"
