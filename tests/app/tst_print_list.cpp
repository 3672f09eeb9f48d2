#include <QTest>

#include "app/print_list.h"
#include "model/todo_collections.h"
#include "platform/testing/fake_platform.h"

namespace {

const QString kNoon = QStringLiteral("3/15/2023 12:00:00 PM");  // the fake clock's time

void AddItem(TTodoItemCollection& items, const char* subject, const char* resource,
             const char* notes) {
    TTodoItem* item = items.Add();
    item->SetSubject(subject);
    item->SetResource(resource);
    item->Notes().SetText(notes);
}

}  // namespace

class TestPrintList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void titleLine_data() {
        QTest::addColumn<QString>("currentFile");
        QTest::addColumn<double>("now");
        QTest::addColumn<QString>("title");
        QTest::newRow("current file")
            << "/home/ann/lists/work.2do" << 45000.5
            << QStringLiteral("Pellmark - work.2do - Printed at ") + kNoon;
        // Two blanks between the dashes.
        QTest::newRow("no current file")
            << "" << 45000.5 << QStringLiteral("Pellmark -  - Printed at ") + kNoon;
        QTest::newRow("file in the working folder")
            << "home.2do" << 45000.5 << QStringLiteral("Pellmark - home.2do - Printed at ") + kNoon;
        // The time is printed at midnight too.
        QTest::newRow("midnight") << "a.2do" << 45001.0
                                  << "Pellmark - a.2do - Printed at 3/16/2023 12:00:00 AM";
    }
    void titleLine() {
        QFETCH(QString, currentFile);
        QFETCH(double, now);
        QFETCH(QString, title);
        QCOMPARE(PrintTitleLine(currentFile, now, TFormatSettings::Neutral()), title);
    }

    void titleLineFollowsTheSystemFormats() {
        TFormatSettings settings = TFormatSettings::Neutral();
        settings.DateSeparator = QLatin1Char('.');
        settings.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
        settings.LongTimeFormat = QStringLiteral("hh:nn:ss");
        QCOMPARE(PrintTitleLine(QStringLiteral("/x/y.2do"), 45000.75, settings),
                 QStringLiteral("Pellmark - y.2do - Printed at 15.03.2023 18:00:00"));
    }

    void printsThreeLinesPerItem() {
        TFakePlatform platform;
        TTodoItemCollection items;
        AddItem(items, "Call the plumber", "Ann", "first line\nsecond line\nthird");
        AddItem(items, "", "", "");
        AddItem(items, "Caf\xc3\xa9 order", "Bob", "\nafter an empty first line");
        items.At(0)->SetPriority(tpHighest);
        items.At(0)->SetStatus(tsInProgress);
        items.At(0)->SetCompletion(50);

        bool endedBeforeMessage = false;
        platform.Messages.OnShow = [&](const TMessageCall&) {
            endedBeforeMessage = !platform.Printer.JobOpen() && platform.Printer.Jobs.at(0).Ended;
        };
        PrintTodoList(items, QStringLiteral("/lists/home.2do"), platform.Services());

        QCOMPARE(platform.Printer.Jobs.size(), 1u);
        const QStringList expected{
            QStringLiteral("Pellmark - home.2do - Printed at ") + kNoon,
            QString(),
            QStringLiteral("Subject: Call the plumber"),
            QStringLiteral("Resource: Ann"),
            QStringLiteral("Notes: first line"),
            QStringLiteral("Subject: "),
            QStringLiteral("Resource: "),
            QStringLiteral("Notes: "),
            QStringLiteral("Subject: Caf\u00e9 order"),
            QStringLiteral("Resource: Bob"),
            QStringLiteral("Notes: "),
        };
        QCOMPARE(platform.Printer.Jobs[0].Lines, expected);
        QVERIFY(platform.Printer.Jobs[0].Ended);
        QCOMPARE(platform.Messages.Texts(mkMessage),
                 QStringList{QStringLiteral("This feature isn't fully implemented yet...")});
        QVERIFY(endedBeforeMessage);
        QVERIFY(platform.Messages.Texts(mkError).isEmpty());
    }

    void emptyList() {
        TFakePlatform platform;
        TTodoItemCollection items;
        PrintTodoList(items, QString(), platform.Services());
        QCOMPARE(platform.Printer.Jobs.size(), 1u);
        QCOMPARE(platform.Printer.Jobs[0].Lines,
                 (QStringList{QStringLiteral("Pellmark -  - Printed at ") + kNoon, QString()}));
        QVERIFY(platform.Printer.Jobs[0].Ended);
        QCOMPARE(platform.Messages.Texts(mkMessage),
                 QStringList{QStringLiteral("This feature isn't fully implemented yet...")});
    }

    void noDefaultPrinter() {
        TFakePlatform platform;
        platform.Printer.HasPrinter = false;
        TTodoItemCollection items;
        AddItem(items, "a", "b", "c");
        try {
            PrintTodoList(items, QString(), platform.Services());
            QFAIL("printed without a printer");
        } catch (const EPrinterError& e) {
            QCOMPARE(e.Message(), QStringLiteral("There is no default printer currently selected"));
        }
        QVERIFY(platform.Printer.Jobs.empty());
        QVERIFY(platform.Messages.Calls.empty());
    }

    void jobThatCannotStart() {
        TFakePlatform platform;
        platform.Printer.BeginError = QStringLiteral("The printer is offline");
        TTodoItemCollection items;
        QVERIFY_THROWS_EXCEPTION(EPrinterError,
                                 PrintTodoList(items, QString(), platform.Services()));
        QVERIFY(!platform.Printer.JobOpen());
        QVERIFY(platform.Messages.Calls.empty());
    }

    void failedWriteClosesTheJob_data() {
        QTest::addColumn<int>("failAt");
        QTest::newRow("title line") << 0;
        QTest::newRow("empty line") << 1;
        QTest::newRow("first subject") << 2;
        QTest::newRow("last notes") << 7;
    }
    void failedWriteClosesTheJob() {
        QFETCH(int, failAt);
        TFakePlatform platform;
        platform.Printer.FailAtWrite = failAt;
        TTodoItemCollection items;
        AddItem(items, "one", "", "");
        AddItem(items, "two", "", "");
        try {
            PrintTodoList(items, QString(), platform.Services());
            QFAIL("the failed write was not reported");
        } catch (const EPrinterError& e) {
            QCOMPARE(e.Message(), platform.Printer.WriteError);
        }
        QCOMPARE(platform.Printer.Jobs.size(), 1u);
        QCOMPARE(platform.Printer.Jobs[0].Lines.size(), failAt);
        QVERIFY(platform.Printer.Jobs[0].Ended);
        QVERIFY(!platform.Printer.JobOpen());
        QVERIFY(platform.Messages.Calls.empty());

        // The next print starts a new job as usual.
        platform.Printer.FailAtWrite = -1;
        PrintTodoList(items, QString(), platform.Services());
        QCOMPARE(platform.Printer.Jobs.size(), 2u);
        QCOMPARE(platform.Printer.Jobs[1].Lines.size(), 8);
    }
};

QTEST_MAIN(TestPrintList)
#include "tst_print_list.moc"
