// pellmark-cli as users run it: the real executable, its output, exit codes and messages,
// the files it writes, and its refusal to change a list that the window has open.

#include <sys/stat.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <sstream>

#include "cli/commands.h"
#include "cli/csv_io.h"
#include "cli/item_fields.h"
#include "cli/json_io.h"
#include "cli_support.h"
#include "model/date_time.h"
#include "model/list_lock.h"
#include "model/todo_sort.h"

using namespace cli_test;

namespace {

QStringList Args(const QString& line) {
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

TTodoItemCollection* Load(const QString& file, TTodoItemCollection& items) {
    LoadFromFile(items, file);
    return &items;
}

double Now() {
    return QDateTimeToDateTime(QDateTime::currentDateTime());
}

// A calendar whose second line is 100 MB long, made as it is read.
class TEndlessLine : public std::streambuf {
public:
    std::size_t given = 0;

protected:
    int_type underflow() override {
        if (given >= kTotal) {
            return traits_type::eof();
        }
        for (std::size_t i = 0; i < sizeof chunk_; ++i) {
            const std::size_t at = given + i;
            chunk_[i] = at < kHead.size() ? kHead[at] : 'x';
        }
        given += sizeof chunk_;
        setg(chunk_, chunk_, chunk_ + sizeof chunk_);
        return traits_type::to_int_type(chunk_[0]);
    }

private:
    static constexpr std::size_t kTotal = std::size_t(100) << 20;
    static constexpr std::string_view kHead = "BEGIN:VCALENDAR\r\nSUMMARY:";
    char chunk_[65536];
};

// One second as a fraction of a day, for comparing clock readings.
constexpr double kSecond = 1.0 / 86400;

}  // namespace

class TestCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QVERIFY(QDir::setCurrent(dir_->path()));
        list_ = dir_->filePath(QStringLiteral("todo.2do"));
        QVERIFY(WriteFile(list_, ExampleList()));
    }

    // Help and usage -----------------------------------------------------------------------

    void helpEverywhere_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("start");
        QTest::newRow("--help") << "--help"
                                << "Usage: pellmark-cli COMMAND";
        QTest::newRow("-h") << "-h"
                            << "Usage: pellmark-cli COMMAND";
        QTest::newRow("help") << "help"
                              << "Usage: pellmark-cli COMMAND";
        QTest::newRow("help add") << "help add"
                                  << "Usage: pellmark-cli add FILE --subject TEXT";
        for (const char* command :
             {"check", "show", "export", "import", "columns", "add", "done", "remove"}) {
            QTest::addRow("%s --help", command)
                << QStringLiteral("%1 --help").arg(QLatin1String(command))
                << QStringLiteral("Usage: pellmark-cli %1 ").arg(QLatin1String(command));
        }
        QTest::newRow("-h after arguments") << "show todo.2do --sort subject -h"
                                            << "Usage: pellmark-cli show FILE";
        QTest::newRow("--version") << "--version"
                                   << "pellmark-cli (Pellmark) 1.";
    }
    void helpEverywhere() {
        QFETCH(QString, args);
        QFETCH(QString, start);
        const Result r = RunCli(Args(args));
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.startsWith(start.toUtf8()), r.out.constData());
        QCOMPARE(r.err, QByteArray());
    }

    void usageErrorsExitTwo_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing") << ""
                                 << "missing command";
        QTest::newRow("unknown command") << "list todo.2do"
                                         << "unknown command 'list'";
        QTest::newRow("help for no command") << "help list"
                                             << "unknown command 'list'";
        QTest::newRow("missing file") << "show"
                                      << "missing FILE";
        QTest::newRow("extra argument") << "check todo.2do more"
                                        << "unexpected argument 'more'";
        QTest::newRow("unknown option") << "show todo.2do --colour"
                                        << "unknown option --colour";
        QTest::newRow("unknown short option") << "show todo.2do -x"
                                              << "unknown option -x";
        QTest::newRow("value missing") << "show todo.2do --sort"
                                       << "option --sort needs a value";
        QTest::newRow("value for a flag") << "show todo.2do --sort=subject --desc=yes"
                                          << "option --desc takes no value";
        QTest::newRow("--desc alone") << "show todo.2do --desc"
                                      << "--desc needs --sort KIND";
        QTest::newRow("twice") << "add todo.2do --subject a --subject b"
                               << "option --subject is given twice";
        QTest::newRow("no subject") << "add todo.2do"
                                    << "missing --subject TEXT";
        QTest::newRow("no index") << "done todo.2do"
                                  << "missing INDEX";
        QTest::newRow("no output") << "import in.json"
                                   << "missing -o OUT, the list to write";
        QTest::newRow("unknown input format")
            << "import in.txt -o out.2do"
            << "cannot tell the format of in.txt: give --format json, --format csv or --format ics";
        QTest::newRow("standard input without format")
            << "import - -o out.2do"
            << "cannot tell the format of -: give --format json, --format csv or --format ics";
        QTest::newRow("negative index looks like an option") << "done todo.2do -1"
                                                             << "unknown option -1";
    }
    void usageErrorsExitTwo() {
        QFETCH(QString, args);
        QFETCH(QString, message);
        const Result r = RunCli(Args(args));
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.startsWith(message.toUtf8() + '\n'), r.err.constData());
        QVERIFY(r.err.endsWith("Try 'pellmark-cli --help' for more information.\n"));
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(FileBytes(list_), ExampleList());
    }

    // Reading commands ---------------------------------------------------------------------

    void check() {
        Result r = RunCli({QStringLiteral("check"), list_});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("1 item\n"));

        QVERIFY(WriteFile(list_, ExampleList().left(60)));
        r = RunCli({QStringLiteral("check"), list_});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith("Cannot read file " + list_.toUtf8() + ": damaged at byte"),
                 r.err.constData());

        r = RunCli({QStringLiteral("check"), QStringLiteral("missing.2do")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, QByteArray("Cannot open file missing.2do\n"));
    }

    void exportFormats() {
        TTodoItemCollection items;
        Load(list_, items);
        Result r = RunCli({QStringLiteral("export"), list_});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, ItemsToJson(items));
        r = RunCli({QStringLiteral("export"), list_, QStringLiteral("--format=csv")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, ItemsToCsv(items));
        r = RunCli(
            {QStringLiteral("export"), list_, QStringLiteral("--format"), QStringLiteral("ics")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.startsWith("BEGIN:VCALENDAR\r\n"));
        QVERIFY(r.out.contains("SUMMARY:Buy milk\r\n"));
        r = RunCli({QStringLiteral("export"), list_, QStringLiteral("--format=xml")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, QByteArray("'xml' is not an export format: use json, csv or ics\n"));
    }

    void showTable() {
        TTodoItemCollection items;
        Load(list_, items);
        TTodoItem* second = items.Add();
        second->SetSubject("Call the plumber");
        second->SetComplete(true);
        second->SetDueDate(QDateToDateTime(QDate(2024, 11, 5)));
        SaveToFile(items, list_);
        const Result r = RunCli({QStringLiteral("show"), list_});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QString::fromUtf8(r.out),
                 QStringLiteral(
                     "#  Done  Subject           Resource  Status       Priority  Completion  "
                     "Due Date\n"
                     "-  ----  ----------------  --------  -----------  --------  ----------  "
                     "----------\n"
                     "0  [ ]   Buy milk          Me        In progress  Normal           50%  "
                     "03/22/2023\n"
                     "1  [x]   Call the plumber            Not started  Lowest          100%  "
                     "11/5/2024\n"));
    }

    // The order must be exactly the window's: the same comparison and partition sort.
    void showSortsAsTheWindow_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("descending");
        for (const char* kind :
             {"subject", "completion", "notes", "priority", "duedate", "status", "complete",
              "totaltime", "creationdate", "resource", "project", "handle"}) {
            QTest::addRow("%s ascending", kind) << QString::fromLatin1(kind) << false;
            QTest::addRow("%s descending", kind) << QString::fromLatin1(kind) << true;
        }
    }
    void showSortsAsTheWindow() {
        QFETCH(QString, kind);
        QFETCH(bool, descending);
        TTodoItemCollection items;
        QRandomGenerator random(7);
        const char* words[] = {"apple", "Apple", "banana", "cherry", "apple pie", ""};
        for (int i = 0; i < 40; ++i) {
            TTodoItem* item = items.Add();
            item->SetSubject(
                QStringLiteral("%1 %2").arg(QLatin1String(words[i % 6])).arg(i).toStdString());
            item->SetResource(words[random.bounded(6)]);
            item->SetProject(words[random.bounded(6)]);
            item->Notes().SetText(words[random.bounded(6)]);
            item->SetCompletion(TCompletion(random.bounded(4) * 25));
            item->SetPriority(TTodoPriority(random.bounded(5)));
            item->SetStatus(TTodoStatus(random.bounded(4)));
            item->SetComplete(random.bounded(2) == 1);
            item->SetTotalTime(std::int32_t(random.bounded(3)));
            item->SetDueDate(random.bounded(3) == 0 ? 0.0 : 45000.0 + random.bounded(5));
            item->SetCreationDate(45000.0 + random.bounded(3));
        }
        SaveToFile(items, list_);

        QStringList args{QStringLiteral("show"), list_, QStringLiteral("--columns=subject"),
                         QStringLiteral("--sort"), kind};
        if (descending) {
            args << QStringLiteral("--desc");
        }
        const Result r = RunCli(args);
        QCOMPARE(r.exitCode, 0);
        QStringList shown = QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        shown = shown.mid(2);  // header and rule
        for (QString& line : shown) {
            line = line.mid(line.indexOf(QLatin1String("  ")) + 2);
        }

        int selected = -1;
        SortTodoItems(items, *DataKindFromText(kind.toStdString()),
                      descending ? sdDescending : sdAscending, selected);
        QStringList expected;
        for (const TTodoItem* item : items) {
            expected << QString::fromStdString(item->Subject());
        }
        QCOMPARE(shown, expected);
    }

    // A long table is made in parts on several cores and prints as one.
    void longShowPrintsOneTable() {
        TTodoItemCollection items;
        for (int i = 0; i < 6000; ++i) {
            TTodoItem* item = items.Add();
            item->SetSubject(
                QStringLiteral("item %1").arg(5999 - i, 4, 10, QLatin1Char('0')).toStdString());
            item->SetResource(i == 0 ? std::string(30, 'r') : std::string("Jan"));
        }
        SaveToFile(items, list_);
        const Result r = RunCli({QStringLiteral("show"), list_,
                                 QStringLiteral("--columns=subject,resource,completion"),
                                 QStringLiteral("--sort=subject")});
        QCOMPARE(r.exitCode, 0);
        const QList<QByteArray> lines = r.out.split('\n');
        QCOMPARE(lines.size(), 6003);  // header, rule, rows, and the end of the last
        const qsizetype resource = lines[0].indexOf("Resource");
        const qsizetype completion = lines[0].indexOf("Completion");
        QVERIFY(completion > resource + 30);
        for (int row = 0; row < 6000; ++row) {
            const QByteArray& line = lines[row + 2];
            QCOMPARE(line.trimmed().split(' ').value(0), QByteArray::number(row));
            QCOMPARE(line.mid(resource, 3), QByteArray(row == 5999 ? "rrr" : "Jan"));
            QCOMPARE(line.size(), completion + 10);  // "0%" right-aligned at the end
        }
    }

    void showRefusesBadKinds() {
        Result r = RunCli({QStringLiteral("show"), list_, QStringLiteral("--sort=size")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, QByteArray("'size' is not a column data kind (see show --help)\n"));
        r = RunCli({QStringLiteral("show"), list_, QStringLiteral("--columns=subject,,due")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, QByteArray("'' is not a column data kind (see show --help)\n"));
    }

    void columns() {
        const QString layout = dir_->filePath(QStringLiteral("columninfo.txt"));
        // The example column, then one whose record has only a data kind out of range.
        QVERIFY(WriteFile(layout, QByteArray::fromHex("02000000 03000000 01040023000000"
                                                      "020400446f6e65 03010007"
                                                      "01000000 03010063")));
        Result r = RunCli({QStringLiteral("columns"), layout});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("#  Width  Caption  Data\n"
                                   "-  -----  -------  ----------\n"
                                   "0     35  Done     tdComplete\n"
                                   "1    100           99\n"));
        QVERIFY(WriteFile(layout, QByteArray::fromHex("05000000 03000000")));
        r = RunCli({QStringLiteral("columns"), layout});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("damaged at byte"), r.err.constData());
    }

    // Import ---------------------------------------------------------------------------

    void importOfExportIsByteIdentical_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("json") << "json";
        QTest::newRow("csv") << "csv";
        QTest::newRow("ics") << "ics";
    }
    void importOfExportIsByteIdentical() {
        QFETCH(QString, format);
        TTodoItemCollection items;
        FillAwkward(items);
        FillRandom(items, 50, 99);
        SaveToFile(items, list_);
        const QByteArray original = FileBytes(list_);
        const Result exported =
            RunCli({QStringLiteral("export"), list_, QStringLiteral("--format"), format});
        QCOMPARE(exported.exitCode, 0);
        const QString text = dir_->filePath(QStringLiteral("list.") + format);
        QVERIFY(WriteFile(text, exported.out));

        const QString copy = dir_->filePath(QStringLiteral("copy.2do"));
        Result r = RunCli({QStringLiteral("import"), text, QStringLiteral("-o"), copy});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, "Wrote " + QByteArray::number(items.Count()) + " items to " +
                            copy.toUtf8() + "\n");
        QCOMPARE(FileBytes(copy), original);

        // The same through standard input.
        const QString piped = dir_->filePath(QStringLiteral("piped.2do"));
        r = RunCli({QStringLiteral("import"), QStringLiteral("-"),
                    QStringLiteral("--output=") + piped, QStringLiteral("--format"), format},
                   exported.out);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(FileBytes(piped), original);
    }

    void badImportWritesNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("message");
        QTest::newRow("json syntax") << "in.json" << QByteArray("{\"items\": [}")
                                     << "in.json: not valid JSON: parse error at line 1, column "
                                        "12: syntax error while parsing value - unexpected '}'; "
                                        "expected '[', '{', or a literal";
        QTest::newRow("json type")
            << "in.json" << QByteArray("{\"items\": [{}, {}, {\"Tag\": \"7\"}]}")
            << "in.json: item 2, key \"Tag\": expected a whole number "
               "from -2147483648 to 2147483647";
        QTest::newRow("csv value") << "in.CSV" << QByteArray("Subject,Status\r\na,done\r\n")
                                   << "in.CSV: line 2 (item 0), column \"Status\": expected a "
                                      "status name or a number from 0 to 255";
        const QByteArray calendar = "BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\n";
        QTest::newRow("ics cut off")
            << "in.ics" << calendar + "SUMMARY:x\r\n"
            << "in.ics: line 4: the input ends inside the VTODO begun at line 2: END:VTODO is "
               "missing";
        QTest::newRow("ics END that does not match")
            << "in.ICS" << calendar + "END:VEVENT\r\n"
            << "in.ICS: line 3: END:VEVENT where the VTODO begun at line 2 should end";
        QTest::newRow("ics without a colon")
            << "in.ics" << calendar + "SUMMARY\r\nEND:VTODO\r\nEND:VCALENDAR\r\n"
            << "in.ics: line 3: \"SUMMARY\" has no colon: a content line is NAME:VALUE";
        QTest::newRow("ics bad date")
            << "in.ics" << calendar + "DUE:2024-05-01\r\nEND:VTODO\r\nEND:VCALENDAR\r\n"
            << "in.ics: line 3 (item 0), property DUE: \"2024-05-01\" is not a date-time such "
               "as 20240501T093000 or 20240501T073000Z";
        QTest::newRow("ics not UTF-8")
            << "in.ics" << calendar + "SUMMARY:Caf\xe9\r\nEND:VTODO\r\nEND:VCALENDAR\r\n"
            << "in.ics: line 3: byte 12 (0xe9) is not UTF-8 text; iCalendar files are UTF-8";
        QTest::newRow("text too long for the file")
            << "in.csv" << QByteArray("Subject\r\n") + QByteArray(70000, 'x') + "\r\n"
            << "The Subject of item 0 is longer than 65535 bytes and cannot be saved";
        // Input that is cut off, malformed, huge or nested without end: a clear message, read
        // no further than needed, and nothing written.
        QTest::newRow("json cut off in an item")
            << "in.json" << QByteArray("{\"items\": [{\"Subject\": \"a\", ")
            << "in.json: not valid JSON: parse error at line 1, column 29: syntax error while "
               "parsing object key - unexpected end of input; expected string literal";
        QTest::newRow("json not UTF-8")
            << "in.json" << QByteArray("{\"items\": [{\"Subject\": \"Caf\xe9\"}]}")
            << "in.json: not valid JSON: parse error at line 1, column 29: syntax error while "
               "parsing value - invalid string: ill-formed UTF-8 byte; last read: "
               "'\"Caf\xEF\xBF\xBD\"'";
        QTest::newRow("json nested without end")
            << "in.json" << QByteArray("{\"other\": ") + QByteArray(1000000, '[')
            << "in.json: not valid JSON: nested more than 64 levels deep at byte 74";
        QTest::newRow("json huge text")
            << "in.json" << QByteArray("{\"items\": [{\"Subject\": \"") + QByteArray(5 << 20, 'x')
            << "in.json: not valid JSON: a token longer than 4194304 bytes at byte 21";
        QTest::newRow("json items twice")
            << "in.json" << QByteArray("{\"items\": [], \"items\": []}")
            << "in.json: the key \"items\" occurs twice";
        QTest::newRow("csv huge field")
            << "in.csv" << QByteArray("Subject\r\n") + QByteArray(5 << 20, 'x')
            << "in.csv: line 2: a field is longer than 4194304 bytes";
        QTest::newRow("csv endless record")
            << "in.csv" << QByteArray("Subject\r\n") + QByteArray(1000000, ',')
            << "in.csv: line 2 (item 0): 1000001 fields where the header has 1";
        // A long list, read in chunks on several cores, with its fault near the end: the
        // message of the reader that reads it from the start.
        TTodoItemCollection many;
        FillRandom(many, 6000, 3);
        QByteArray json = ItemsToJson(many);
        const qsizetype tag = json.lastIndexOf("\"Tag\": ") + 7;
        json.replace(tag, json.indexOf(',', tag) - tag, "\"x\"");
        QTest::newRow("long json, an item in error at its end")
            << "in.json" << json
            << "in.json: item 5999, key \"Tag\": expected a whole number from -2147483648 to "
               "2147483647";
        // Lines end at CR LF, LF or CR alone.
        const QByteArray csv = ItemsToCsv(many);
        QTest::newRow("long csv, a stray quote at its end")
            << "in.csv" << csv + "x\"x\r\n"
            << QStringLiteral(
                   "in.csv: line %1: a quote inside a field that does not start with "
                   "one")
                   .arg(csv.count('\r') + csv.count('\n') - csv.count("\r\n") + 1);
        QTest::newRow("input missing")
            << "gone.json" << QByteArray() << "Cannot open file gone.json";
    }
    void badImportWritesNothing() {
        QFETCH(QString, name);
        QFETCH(QByteArray, input);
        QFETCH(QString, message);
        if (!input.isEmpty()) {
            QVERIFY(WriteFile(name, input));
        }
        // Over an existing list and to a new one.
        for (const QString& out : {list_, dir_->filePath(QStringLiteral("new.2do"))}) {
            const Result r = RunCli({QStringLiteral("import"), name, QStringLiteral("-o"), out});
            QCOMPARE(r.exitCode, 1);
            QCOMPARE(QString::fromUtf8(r.err), message + QLatin1Char('\n'));
        }
        QCOMPARE(FileBytes(list_), ExampleList());
        QVERIFY(!QFile::exists(dir_->filePath(QStringLiteral("new.2do"))));
        // No temporary files or locks stay behind.
        QStringList left = QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden);
        left.removeAll(name);
        QCOMPARE(left, QStringList{QStringLiteral("todo.2do")});
    }

    // A line of 100 MB, made as it is read: refused once it passes the longest line a
    // calendar holds, without reading the rest.
    void hugeCalendarLineIsRefused() {
        TEndlessLine endless;
        std::istream in(&endless);
        std::ostringstream out, err;
        const std::string list = list_.toStdString();
        QCOMPARE(RunPellmarkCli({"import", "-", "--format", "ics", "-o", list}, in, out, err),
                 int(ecFailure));
        QCOMPARE(err.str(), std::string("standard input: line 2: the line is longer than "
                                        "4194304 bytes, more than iCalendar text holds\n"));
        QVERIFY(endless.given < std::size_t(8) << 20);
        QCOMPARE(FileBytes(list_), ExampleList());
    }

    // What a list cannot hold is skipped with one line each on standard error.
    void calendarPartsSkippedWithWarnings() {
        const QString ics = dir_->filePath(QStringLiteral("mixed.ics"));
        QVERIFY(WriteFile(ics,
                          "BEGIN:VCALENDAR\r\n"
                          "BEGIN:VEVENT\r\nSUMMARY:Meeting\r\nEND:VEVENT\r\n"
                          "BEGIN:VTODO\r\nSUMMARY:Call Anna\r\nRRULE:FREQ=WEEKLY\r\n"
                          "BEGIN:VALARM\r\nTRIGGER:-PT5M\r\nEND:VALARM\r\nEND:VTODO\r\n"
                          "END:VCALENDAR\r\n"));
        const QString copy = dir_->filePath(QStringLiteral("copy.2do"));
        const Result r = RunCli({QStringLiteral("import"), ics, QStringLiteral("-o"), copy});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, "Wrote 1 item to " + copy.toUtf8() + "\n");
        const QByteArray name = ics.toUtf8();
        QCOMPARE(r.err, name + ": line 2: skipped a VEVENT: only VTODO components become items\n" +
                            name +
                            ": line 7: skipped the RRULE of item 0: Pellmark items do not "
                            "repeat\n" +
                            name +
                            ": line 8: skipped the VALARM of item 0: Pellmark has no "
                            "alarms\n");
        TTodoItemCollection items;
        Load(copy, items);
        QCOMPARE(items.At(0)->Subject(), std::string("Call Anna"));
    }

    // Changing commands ----------------------------------------------------------------

    void addMakesTheWindowsNewItem() {
        const QString fresh = dir_->filePath(QStringLiteral("fresh.2do"));
        const double before = Now();
        Result r = RunCli({QStringLiteral("add"), fresh, QStringLiteral("--subject"),
                           QStringLiteral("Water the plants")});
        const double after = Now();
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("Added item 0\n"));
        TTodoItemCollection items;
        Load(fresh, items);
        QCOMPARE(items.Count(), 1);
        const TTodoItem* item = items.At(0);
        QCOMPARE(item->Subject(), std::string("Water the plants"));
        QCOMPARE(item->Notes().Lines(), std::vector<std::string>{"None"});
        QCOMPARE(item->Completion(), TCompletion(0));
        QCOMPARE(item->Priority(), tpNormal);
        QCOMPARE(item->Resource(), std::string("Unassigned"));
        QCOMPARE(item->Status(), tsNotStarted);
        QCOMPARE(item->ImageIndex(), -1);
        QVERIFY(item->CreationDate() >= before - kSecond &&
                item->CreationDate() <= after + kSecond);
        QVERIFY(std::abs(item->DueDate() - item->CreationDate() - 60) < kSecond);

        // Every option, appended behind the example item.
        r = RunCli({QStringLiteral("add"), list_, QStringLiteral("--subject=Taxes"),
                    QStringLiteral("--resource"), QStringLiteral("Ann"), QStringLiteral("--notes"),
                    QStringLiteral("forms\nreceipts"), QStringLiteral("--priority=high"),
                    QStringLiteral("--status"), QStringLiteral("in progress"),
                    QStringLiteral("--due=2025-04-30"), QStringLiteral("--project"),
                    QStringLiteral("Home \u00e9t\u00e9")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("Added item 1\n"));
        items.Clear();
        Load(list_, items);
        QCOMPARE(items.Count(), 2);
        QCOMPARE(items.At(0)->Subject(), std::string("Buy milk"));
        const TTodoItem* added = items.At(1);
        QCOMPARE(added->Subject(), std::string("Taxes"));
        QCOMPARE(added->Resource(), std::string("Ann"));
        QCOMPARE(added->Notes().Lines(), (std::vector<std::string>{"forms", "receipts"}));
        QCOMPARE(added->Priority(), tpHigh);
        QCOMPARE(added->Status(), tsInProgress);
        QCOMPARE(added->DueDate(), QDateToDateTime(QDate(2025, 4, 30)));
        QCOMPARE(added->Project(), std::string("Home \xC3\xA9t\xC3\xA9"));
    }

    void badValuesLeaveTheListUntouched_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString list = QStringLiteral("todo.2do");
        const QString add = QStringLiteral("add");
        const QString subject = QStringLiteral("--subject=x");
        QTest::newRow("priority") << QStringList{add, list, subject,
                                                 QStringLiteral("--priority=urgent")}
                                  << "'urgent' is not a priority: use lowest, low, normal, high or "
                                     "highest";
        QTest::newRow("status") << QStringList{add, list, subject, QStringLiteral("--status=done")}
                                << "'done' is not a status: use \"not started\", completed, \"in "
                                   "progress\" or deferred";
        QTest::newRow("due") << QStringList{add, list, subject, QStringLiteral("--due=2025-02-30")}
                             << "'2025-02-30' is not a date: use YYYY-MM-DD";
        QTest::newRow("done beyond the end")
            << QStringList{QStringLiteral("done"), list, QStringLiteral("1")}
            << "todo.2do has no item 1: it holds 1 item(s), "
               "numbered from 0";
        QTest::newRow("remove by name")
            << QStringList{QStringLiteral("remove"), list, QStringLiteral("first")}
            << "'first' is not an item index (a number from 0)";
        QTest::newRow("negative after --")
            << QStringList{QStringLiteral("done"), list, QStringLiteral("--"), QStringLiteral("-1")}
            << "'-1' is not an item index (a number from 0)";
        QTest::newRow("import format")
            << QStringList{QStringLiteral("import"), QStringLiteral("in.json"),
                           QStringLiteral("-o"), list, QStringLiteral("--format=xml")}
            << "'xml' is not an import format: use json, csv or ics";
        QTest::newRow("index beyond int")
            << QStringList{QStringLiteral("remove"), list, QStringLiteral("99999999999")}
            << "'99999999999' is not an item index (a number from 0)";
    }
    void badValuesLeaveTheListUntouched() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Result r = RunCli(args);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QString::fromUtf8(r.err), message + QLatin1Char('\n'));
        QCOMPARE(FileBytes(list_), ExampleList());
    }

    void damagedListIsNotReplaced() {
        const QByteArray damaged = ExampleList().left(100);
        QVERIFY(WriteFile(list_, damaged));
        for (const QStringList& args :
             {QStringList{QStringLiteral("add"), list_, QStringLiteral("--subject=x")},
              QStringList{QStringLiteral("done"), list_, QStringLiteral("0")},
              QStringList{QStringLiteral("remove"), list_, QStringLiteral("0")}}) {
            const Result r = RunCli(args);
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.contains("damaged at byte"), r.err.constData());
            QCOMPARE(FileBytes(list_), damaged);
        }
    }

    // A FIFO or a device given as the list: refused at once instead of waiting forever.
    void onlyRegularFilesAreLists_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("file");
        QTest::newRow("check a FIFO") << "check"
                                      << "fifo";
        QTest::newRow("add to a FIFO") << "add"
                                       << "fifo";
        QTest::newRow("export /dev/zero") << "export"
                                          << "/dev/zero";
        QTest::newRow("show /dev/zero") << "show"
                                        << "/dev/zero";
    }
    void onlyRegularFilesAreLists() {
        QFETCH(QString, command);
        QFETCH(QString, file);
        QCOMPARE(::mkfifo("fifo", 0600), 0);
        QStringList args{command, file};
        if (command == QLatin1String("add")) {
            args << QStringLiteral("--subject=x");
        }
        const Result r = RunCli(args);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QString::fromUtf8(r.err),
                 QStringLiteral("Cannot open file %1: not a regular file\n").arg(file));
        QCOMPARE(r.out, QByteArray());
    }

    void doneAndRemove() {
        TTodoItemCollection items;
        Load(list_, items);
        items.Add()->SetSubject("second");
        items.Add()->SetSubject("third");
        SaveToFile(items, list_);

        const double before = Now();
        Result r = RunCli({QStringLiteral("done"), list_, QStringLiteral("1")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("Item 1 is done\n"));
        TTodoItemCollection after;
        Load(list_, after);
        const TTodoItem* done = after.At(1);
        QVERIFY(done->Complete());
        QCOMPARE(done->Completion(), TCompletion(100));
        QVERIFY(done->CompletionDate() >= before - kSecond &&
                done->CompletionDate() <= Now() + kSecond);
        QCOMPARE(done->Status(), tsNotStarted);  // fields stay independent
        QVERIFY(!after.At(0)->Complete());

        r = RunCli({QStringLiteral("remove"), list_, QStringLiteral("0")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("Removed item 0\n"));
        after.Clear();
        Load(list_, after);
        QCOMPARE(after.Count(), 2);
        QCOMPARE(after.At(0)->Subject(), std::string("second"));
        QVERIFY(after.At(0)->Complete());
        QCOMPARE(after.At(1)->Subject(), std::string("third"));
    }

    // The lock of the window -----------------------------------------------------------

    void listOpenInPellmarkIsNotChanged() {
        Holder window(list_);
        QCOMPARE(window.Answer(), QByteArray("locked"));
        const QString json = dir_->filePath(QStringLiteral("in.json"));
        QVERIFY(WriteFile(json, "{\"items\": []}"));
        // The list named through a symbolic link is the same list.
        const QString link = dir_->filePath(QStringLiteral("link.2do"));
        QVERIFY(QFile::link(list_, link));
        for (const QStringList& args :
             {QStringList{QStringLiteral("add"), list_, QStringLiteral("--subject=x")},
              QStringList{QStringLiteral("done"), list_, QStringLiteral("0")},
              QStringList{QStringLiteral("remove"), QStringLiteral("todo.2do"),
                          QStringLiteral("0")},
              QStringList{QStringLiteral("import"), json, QStringLiteral("-o"), list_},
              QStringList{QStringLiteral("remove"), link, QStringLiteral("0")}}) {
            const Result r = RunCli(args);
            QCOMPARE(r.exitCode, 1);
            QCOMPARE(QString::fromUtf8(r.err),
                     args[args[0] == QLatin1String("import") ? 3 : 1] +
                         QStringLiteral(" is open in Pellmark (process %1)\n").arg(window.Pid()));
            QCOMPARE(FileBytes(list_), ExampleList());
        }
        for (const QStringList& args : {QStringList{QStringLiteral("check"), list_},
                                        QStringList{QStringLiteral("show"), list_},
                                        QStringList{QStringLiteral("export"), list_}}) {
            QCOMPARE(RunCli(args).exitCode, 0);
        }
        window.Release();
        QCOMPARE(RunCli({QStringLiteral("remove"), list_, QStringLiteral("0")}).exitCode, 0);
    }

    // Two commands changing one list: the second waits while the first holds the lock,
    // and only a lock held for longer than that wait is refused, naming its holder.
    void changesWaitForEachOther() {
        QList<QProcess*> adds;
        for (int i = 0; i < 8; ++i) {
            auto* add = new QProcess(this);
            add->start(QStringLiteral(PELLMARK_CLI_PATH),
                       {QStringLiteral("add"), list_, QStringLiteral("--subject=x")});
            adds.append(add);
        }
        for (QProcess* add : adds) {
            QVERIFY(add->waitForFinished(30000));
            QCOMPARE(add->exitCode(), 0);
            delete add;
        }
        TTodoItemCollection items;
        QCOMPARE(Load(list_, items)->Count(), 9);

        // A lock_holder that is called pellmark-cli, holding the lock for 0.7 s, then 20 s.
        const QString tool = dir_->filePath(QStringLiteral("pellmark-cli"));
        QVERIFY(QFile::copy(QStringLiteral(LOCK_HOLDER_PATH), tool));
        Holder briefly(list_, {QStringLiteral("700")}, tool);
        QCOMPARE(briefly.Answer(), QByteArray("locked"));
        QCOMPARE(RunCli({QStringLiteral("remove"), list_, QStringLiteral("0")}).exitCode, 0);

        Holder long_(list_, {QStringLiteral("20000")}, tool);
        QCOMPARE(long_.Answer(), QByteArray("locked"));
        const Result r = RunCli({QStringLiteral("remove"), list_, QStringLiteral("0")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QString::fromUtf8(r.err),
                 list_ + QStringLiteral(" is being changed by pellmark-cli (process %1)\n")
                             .arg(long_.Pid()));
        long_.Kill();
        items.Clear();
        QCOMPARE(Load(list_, items)->Count(), 8);
    }

    void lockOfACrashedWindowIsTakenOver() {
        Holder window(list_);
        QCOMPARE(window.Answer(), QByteArray("locked"));
        window.Kill();
        const Result r = RunCli({QStringLiteral("done"), list_, QStringLiteral("0")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(!QFile::exists(ListLockFileName(list_)));
        // A command killed between making its lock file and writing it leaves it empty:
        // taken over once the wait is over.
        QVERIFY(WriteFile(ListLockFileName(list_), QByteArray()));
        QCOMPARE(RunCli({QStringLiteral("remove"), list_, QStringLiteral("0")}).exitCode, 0);
        QVERIFY(!QFile::exists(ListLockFileName(list_)));
    }

    // In-process ---------------------------------------------------------------------------

    void runsInProcessWithStreams() {
        std::istringstream in("Subject\r\nfrom a stream\r\n");
        std::ostringstream out, err;
        const int code =
            RunPellmarkCli({"import", "-", "--format=csv", "-o", "streamed.2do"}, in, out, err);
        QCOMPARE(code, int(ecSuccess));
        QCOMPARE(out.str(), std::string("Wrote 1 item to streamed.2do\n"));
        TTodoItemCollection items;
        Load(QStringLiteral("streamed.2do"), items);
        QCOMPARE(items.At(0)->Subject(), std::string("from a stream"));

        // Raw argument bytes go into the list as they are.
        QCOMPARE(RunPellmarkCli({"add", "streamed.2do", "--subject", "Caf\xe9"}, in, out, err),
                 int(ecSuccess));
        items.Clear();
        Load(QStringLiteral("streamed.2do"), items);
        QCOMPARE(items.At(1)->Subject(), std::string("Caf\xe9"));
        QCOMPARE(err.str(), std::string());
    }

    // Spellings of an option beyond --name VALUE and --name=VALUE; the value keeps its bytes.
    void optionForms_data() {
        QTest::addColumn<QByteArrayList>("args");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("subject");
        const QString out = QStringLiteral("out.2do");
        QTest::newRow("-oOUT") << QByteArrayList{"import", "in.csv", "-oout.2do"} << out
                               << QByteArray("from a file");
        QTest::newRow("-o=OUT") << QByteArrayList{"import", "in.csv", "-o=out.2do"} << out
                                << QByteArray("from a file");
        QTest::newRow("--o OUT") << QByteArrayList{"import", "in.csv", "--o", "out.2do"} << out
                                 << QByteArray("from a file");
        QTest::newRow("Latin-1 after =")
            << QByteArrayList{"add", "todo.2do", "--subject=Caf\xe9=\xff"}
            << QStringLiteral("todo.2do") << QByteArray("Caf\xe9=\xff");
    }
    void optionForms() {
        QFETCH(QByteArrayList, args);
        QFETCH(QString, written);
        QFETCH(QByteArray, subject);
        QVERIFY(WriteFile(QStringLiteral("in.csv"), "Subject\r\nfrom a file\r\n"));
        std::vector<std::string> argv;
        for (const QByteArray& arg : args) {
            argv.push_back(arg.toStdString());
        }
        std::istringstream in;
        std::ostringstream out, err;
        QCOMPARE(RunPellmarkCli(argv, in, out, err), int(ecSuccess));
        QCOMPARE(err.str(), std::string());
        TTodoItemCollection items;
        Load(written, items);
        QCOMPARE(items.At(items.Count() - 1)->Subject(), subject.toStdString());
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString list_;
};

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
