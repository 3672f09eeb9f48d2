// The VTODO mapping: files of other calendar programs read into the nearest fields, the
// sync's VTODO written back changed only where a field changed, and every item carried
// exactly through a VTODO and back.

#include <QTest>

#include "calendar/calendar_error.h"
#include "calendar/calendar_reader.h"
#include "calendar/vtodo.h"
#include "cli/cli_support.h"
#include "model/date_time.h"
#include "model/todo_file.h"

namespace {

// Berlin's zone as calendar programs send it, under a name the system does not know.
const char* const kZone =
    "BEGIN:VTIMEZONE\r\n"
    "TZID:Custom Berlin\r\n"
    "BEGIN:DAYLIGHT\r\n"
    "TZOFFSETFROM:+0100\r\n"
    "TZOFFSETTO:+0200\r\n"
    "DTSTART:19700329T020000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
    "END:DAYLIGHT\r\n"
    "BEGIN:STANDARD\r\n"
    "TZOFFSETFROM:+0200\r\n"
    "TZOFFSETTO:+0100\r\n"
    "DTSTART:19701025T030000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"
    "END:STANDARD\r\n"
    "END:VTIMEZONE\r\n";

// The fields that differ from a new item's, as "Name=value" joined by blanks; dates as
// local date-times, notes lines joined by "|".
QString Describe(const TTodoItem& item) {
    const TTodoItem fresh(nullptr);
    const TTodoFields fields = DifferingFields(item, fresh);
    const auto date = [](double value) {
        return DateTimeToQDateTime(value).toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
    };
    QStringList parts;
    const auto add = [&](TTodoField field, const char* name, const QString& value) {
        if (fields & field) {
            parts << QLatin1String(name) + QLatin1Char('=') + value;
        }
    };
    add(tfComplete, "Complete", item.Complete() ? QStringLiteral("1") : QStringLiteral("0"));
    add(tfCompletion, "Completion", QString::number(item.Completion()));
    add(tfCompletionDate, "CompletionDate", date(item.CompletionDate()));
    add(tfCreationDate, "CreationDate", date(item.CreationDate()));
    add(tfDueDate, "DueDate", date(item.DueDate()));
    QStringList lines;
    for (const std::string& line : item.Notes().Lines()) {
        lines << QString::fromStdString(line);
    }
    add(tfNotes, "Notes", lines.join(QLatin1Char('|')));
    add(tfPriority, "Priority", QString::number(item.Priority()));
    add(tfStatus, "Status", QString::number(item.Status()));
    add(tfSubject, "Subject", QString::fromStdString(item.Subject()));
    add(tfProject, "Project", QString::fromStdString(item.Project()));
    return parts.join(QLatin1Char(' '));
}

// The items of a calendar as Describe gives them; the warnings go to `warned`.
QStringList ReadDescribed(const QByteArray& text, QStringList& warned) {
    QStringList read;
    ReadVTodos(
        ReadFromMemory(std::string_view(text.constData(), std::size_t(text.size()))),
        [&](TTodoItem& todo) { read << Describe(todo); },
        [&](const QString& warning) { warned << warning; });
    return read;
}

}  // namespace

class TestVTodo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { cli_test::SetZone("Europe/Berlin"); }
    // What a VTODO of another program becomes, in Berlin time. A new item has priority
    // Lowest; a VTODO without PRIORITY gets Normal (2).
    void foreignVTodos_data() {
        QTest::addColumn<QByteArray>("properties");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("warnings");
        const auto S = [](const char* text) { return QString::fromUtf8(text); };
        const QString none;
        QTest::newRow("nothing") << QByteArray("UID:1") << S("Priority=2") << none;
        QTest::newRow("texts") << QByteArray(
                                      "SUMMARY:Milk\\, eggs\\; bread\r\n"
                                      "DESCRIPTION:first\\nsecond\\N\r\n"
                                      "CATEGORIES:Home,Work\r\n"
                                      "CATEGORIES:Garden")
                               << S("Notes=first|second| Priority=2 Subject=Milk, eggs; bread "
                                    "Project=Home, Work, Garden")
                               << none;
        QTest::newRow("VALUE=DATE") << QByteArray("DUE;VALUE=DATE:20240501")
                                    << S("DueDate=2024-05-01T00:00:00 Priority=2") << none;
        QTest::newRow("date without VALUE")
            << QByteArray("DUE:20240501") << S("DueDate=2024-05-01T00:00:00 Priority=2") << none;
        QTest::newRow("floating") << QByteArray("DUE:20240501T093000")
                                  << S("DueDate=2024-05-01T09:30:00 Priority=2") << none;
        QTest::newRow("UTC in summer") << QByteArray("CREATED:20240501T073000Z")
                                       << S("CreationDate=2024-05-01T09:30:00 Priority=2") << none;
        QTest::newRow("UTC in winter") << QByteArray("CREATED:20240115T073000Z")
                                       << S("CreationDate=2024-01-15T08:30:00 Priority=2") << none;
        QTest::newRow("TZID of the file's VTIMEZONE")
            << QByteArray(
                   "DUE;TZID=Custom Berlin:20240115T093000\r\n"
                   "CREATED;TZID=\"Custom Berlin\":20240501T093000")
            << S("CreationDate=2024-05-01T09:30:00 DueDate=2024-01-15T09:30:00 Priority=2") << none;
        QTest::newRow("TZID of the system")
            << QByteArray("DUE;TZID=America/New_York:20240501T093000")
            << S("DueDate=2024-05-01T15:30:00 Priority=2") << none;
        QTest::newRow("TZID with a prefix")
            << QByteArray("DUE;TZID=/mozilla.org/20050126_1/Asia/Kolkata:20240501T093000")
            << S("DueDate=2024-05-01T06:00:00 Priority=2") << none;
        QTest::newRow("TZID of Windows")
            << QByteArray("DUE;TZID=Tokyo Standard Time:20240501T093000")
            << S("DueDate=2024-05-01T02:30:00 Priority=2") << none;
        QTest::newRow("unknown TZID, once")
            << QByteArray(
                   "DUE;TZID=Mars/Olympus:20240501T093000\r\n"
                   "CREATED;TZID=Mars/Olympus:20240401T093000")
            << S("CreationDate=2024-04-01T09:30:00 DueDate=2024-05-01T09:30:00 Priority=2")
            << S("line 19: unknown time zone \"Mars/Olympus\": its times are taken as local "
                 "times");
        QTest::newRow("NEEDS-ACTION")
            << QByteArray("STATUS:NEEDS-ACTION") << S("Priority=2") << none;
        QTest::newRow("IN-PROCESS")
            << QByteArray("STATUS:in-process") << S("Priority=2 Status=2") << none;
        QTest::newRow("COMPLETED") << QByteArray("STATUS:COMPLETED")
                                   << S("Complete=1 Completion=100 Priority=2 Status=1") << none;
        QTest::newRow("CANCELLED")
            << QByteArray("STATUS:CANCELLED") << S("Priority=2 Status=3") << none;
        QTest::newRow("unknown STATUS")
            << QByteArray("STATUS:DRAFT") << S("Priority=2")
            << S("line 19: item 0 has the unknown STATUS \"DRAFT\", taken as NEEDS-ACTION");
        QTest::newRow("PERCENT-COMPLETE")
            << QByteArray("PERCENT-COMPLETE:40") << S("Completion=40 Priority=2") << none;
        QTest::newRow("COMPLETED date")
            << QByteArray("COMPLETED:20240501T073000Z")
            << S("Complete=1 Completion=100 CompletionDate=2024-05-01T09:30:00 Priority=2") << none;
        QTest::newRow("COMPLETED with percent")
            << QByteArray("STATUS:COMPLETED\r\nPERCENT-COMPLETE:80")
            << S("Complete=1 Completion=80 Priority=2 Status=1") << none;
        const char* priorities[] = {"2", "4", "4", "3", "3", "2", "1", "1", "0", "0"};
        for (int p = 0; p <= 9; ++p) {
            QTest::addRow("PRIORITY %d", p)
                << "PRIORITY:" + QByteArray::number(p)
                << (p == 8 || p == 9 ? QString() : S("Priority=") + QLatin1String(priorities[p]))
                << none;
        }
        QTest::newRow("repeating")
            << QByteArray("SUMMARY:Weekly\r\nRRULE:FREQ=WEEKLY") << S("Priority=2 Subject=Weekly")
            << S("line 20: skipped the RRULE of item 0: Pellmark items do not repeat");
        QTest::newRow("X-PELLMARK over the standard properties")
            << QByteArray(
                   "SUMMARY:shown\r\nX-PELLMARK-SUBJECT;ENCODING=BASE64:Q2Fm6Q==\r\n"
                   "PRIORITY:1\r\nX-PELLMARK-PRIORITY:7\r\nX-PELLMARK-UNKNOWN:1")
            << S("Priority=7 Subject=Caf\xEF\xBF\xBD") << none;
    }
    void foreignVTodos() {
        QFETCH(QByteArray, properties);
        QFETCH(QString, item);
        QFETCH(QString, warnings);
        const QByteArray text = QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n") + kZone +
                                "BEGIN:VTODO\r\n" + properties +
                                "\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
        QStringList warned;
        const QStringList read = ReadDescribed(text, warned);
        QCOMPARE(read, QStringList{item});
        QCOMPARE(warned.join(QLatin1Char('\n')), warnings);
    }

    // A zone whose rules libical would expand for hours is not used: the import ends at
    // once, with the zone's TZID unknown.
    void runawayZoneRules_data() {
        QTest::addColumn<QByteArray>("rule");
        QTest::newRow("every second") << QByteArray("FREQ=SECONDLY");
        QTest::newRow("monthly") << QByteArray("FREQ=MONTHLY;BYDAY=1SU");
        QTest::newRow("yearly, every five minutes in March") << QByteArray(
            "FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15;"
            "BYHOUR=0,1,2,3,4,5,6,7,8,9,10,11;BYMINUTE=0,5,10,15,20,25,30,35,40,45,50,55");
    }
    void runawayZoneRules() {
        QFETCH(QByteArray, rule);
        const QByteArray text =
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTIMEZONE\r\nTZID:Busy\r\n"
            "BEGIN:STANDARD\r\nDTSTART:19700101T000000\r\nRRULE:" +
            rule +
            "\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0000\r\nEND:STANDARD\r\n"
            "END:VTIMEZONE\r\nBEGIN:VTODO\r\nDUE;TZID=Busy:20300101T000000\r\n"
            "END:VTODO\r\nEND:VCALENDAR\r\n";
        QStringList warned;
        const QStringList read = ReadDescribed(text, warned);
        QCOMPARE(read, QStringList{QStringLiteral("DueDate=2030-01-01T00:00:00 Priority=2")});
        QCOMPARE(warned, (QStringList{
                             QStringLiteral("line 3: the VTIMEZONE cannot be read; its TZID counts "
                                            "as unknown"),
                             QStringLiteral("line 13: unknown time zone \"Busy\": its times are "
                                            "taken as local times")}));
    }

    // A VTODO of another program, with its own properties and parameters, an alarm,
    // repetition, a zone and odd folding: a new subject changes the SUMMARY and nothing else.
    void foreignVTodoChangedOnlyWhereTheItemChanged() {
        const std::string original =
            "BEGIN:VCALENDAR\r\n"
            "PRODID:-//Example Corp.//Tasks 5.1//EN\r\n"
            "VERSION:2.0\r\n"
            "X-WR-CALNAME:Chores\r\n" +
            std::string(kZone) +
            "BEGIN:VTODO\r\n"
            "UID:20240501T093000-1234@example.org\r\n"
            "DTSTAMP:20240501T073000Z\r\n"
            "CREATED:20240430T180000Z\r\n"
            "SUMMARY;LANGUAGE=en:Water the plants\r\n"
            "DESCRIPTION:Ferns first\\, then the cactus.\\nOnly a little water.\r\n"
            "DUE;TZID=Custom Berlin:20240503T180000\r\n"
            "PRIORITY:3\r\n"
            "STATUS:IN-PROCESS\r\n"
            "PERCENT-COMPLETE:30\r\n"
            "CATEGORIES:Home,Garden\r\n"
            "RRULE:FREQ=WEEKLY;BYDAY=FR\r\n"
            "X-FOREIGN-COLOR:#33aa33\n"
            "X-FOREIGN-NOTE;X-FOREIGN-PARAM=\"a;b\":kept as it is\\, folding and\r\n"
            "\t line ends too\r\n"
            "BEGIN:VALARM\r\n"
            "ACTION:DISPLAY\r\n"
            "DESCRIPTION:Reminder\r\n"
            "TRIGGER:-PT15M\r\n"
            "END:VALARM\r\n"
            "END:VTODO\r\n"
            "END:VCALENDAR\r\n";
        TVTodo todo = TVTodo::Parse(original);
        QCOMPARE(todo.Text(), original);
        QCOMPARE(todo.Uid(), std::string("20240501T093000-1234@example.org"));
        TTodoItem item(nullptr);
        QStringList warned;
        todo.ReadItem(item, [&](const QString& warning) { warned << warning; });
        QCOMPARE(Describe(item),
                 QStringLiteral("Completion=30 CreationDate=2024-04-30T20:00:00 "
                                "DueDate=2024-05-03T18:00:00 Notes=Ferns first, then the "
                                "cactus.|Only a little water. Priority=3 Status=2 "
                                "Subject=Water the plants Project=Home, Garden"));
        QCOMPARE(warned.size(), 1);  // the RRULE

        item.SetSubject("Water the plants and the herbs");
        item.SetDueDate(0.0);  // not among the fields written
        todo.WriteFields(item, tfSubject);
        std::string expected = original;
        const std::string oldLine = "SUMMARY;LANGUAGE=en:Water the plants\r\n";
        expected.replace(expected.find(oldLine), oldLine.size(),
                         "SUMMARY:Water the plants and the herbs\r\n");
        QCOMPARE(QByteArray::fromStdString(todo.Text()), QByteArray::fromStdString(expected));

        // A subject the standard property cannot carry brings its X-PELLMARK property
        // before the VALARM; the next plain subject takes it away again.
        item.SetSubject("Caf\xe9");
        todo.WriteFields(item, tfSubject);
        QVERIFY(todo.Text().find("SUMMARY:Caf\xEF\xBF\xBD\r\n") != std::string::npos);
        QVERIFY(todo.Text().find("X-PELLMARK-SUBJECT;ENCODING=BASE64:Q2Fm6Q==\r\n"
                                 "BEGIN:VALARM") != std::string::npos);
        item.SetSubject("Water the plants and the herbs");
        todo.WriteFields(item, tfSubject);
        QCOMPARE(QByteArray::fromStdString(todo.Text()), QByteArray::fromStdString(expected));
    }

    // Any item through a new VTODO and back, and any fields of another item written into
    // it: reading gives exactly the fields expected.
    void itemsThroughVTodos() {
        TTodoItemCollection items;
        cli_test::FillAwkward(items);
        cli_test::FillRandom(items, 60, 5545);
        const QDateTime stamp(QDate(2024, 5, 1), QTime(8, 0), Qt::UTC);
        QRandomGenerator random(14);
        for (int i = 0; i < items.Count(); ++i) {
            const TTodoItem& item = *items.At(i);
            TVTodo todo = TVTodo::FromItem(item, "uid-" + std::to_string(i), stamp);
            TTodoItem read(nullptr);
            todo.ReadItem(read);
            QCOMPARE(DifferingFields(read, item), TTodoFields(0));

            const TTodoItem& other = *items.At(int(random.bounded(items.Count())));
            const auto fields = TTodoFields(random.bounded(AllTodoFields + 1));
            todo.WriteFields(other, fields);
            TTodoItem expected(nullptr);
            CopyFields(item, expected, AllTodoFields);
            CopyFields(other, expected, fields);
            TTodoItem written(nullptr);
            todo.ReadItem(written);
            QCOMPARE(DifferingFields(written, expected), TTodoFields(0));
        }
    }
};

QTEST_GUILESS_MAIN(TestVTodo)
#include "tst_vtodo.moc"
