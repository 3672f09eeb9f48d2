// The exchange formats of pellmark-cli as library functions: date texts, JSON, CSV,
// iCalendar and the table output.

#include <libical/ical.h>
#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <bit>
#include <limits>
#include <nlohmann/json.hpp>
#include <numeric>
#include <optional>
#include <sstream>
#include <tuple>

#include "cli/cli_errors.h"
#include "cli/csv_io.h"
#include "cli/ical_io.h"
#include "cli/item_fields.h"
#include "cli/json_io.h"
#include "cli/sha1_digest.h"
#include "cli/text_table.h"
#include "cli_support.h"
#include "model/date_time.h"

using namespace cli_test;

namespace {

QByteArray JsonItem(const char* members) {
    return QByteArray("{\"items\": [{\"Subject\": \"first\"}, {") + members + "}]}";
}

TTodoItemCollection* FromCsv(const QByteArray& csv, TTodoItemCollection& items) {
    ItemsFromCsv(csv, items);
    return &items;
}

}  // namespace

class TestFormats : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Date texts ---------------------------------------------------------------------------

    void dateTextRoundTrip_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("never set") << 0.0 << QString();
        QTest::newRow("noon") << 45000.5 << QStringLiteral("2023-03-15T12:00:00");
        QTest::newRow("milliseconds") << EncodeDateTime(QDate(2023, 3, 15), QTime(6, 0, 0, 1))
                                      << QStringLiteral("2023-03-15T06:00:00.001");
        QTest::newRow("before 1899, time counts away from zero")
            << -1.25 << QStringLiteral("1899-12-29T06:00:00");
        QTest::newRow("negative zero") << -0.0 << QStringLiteral("-0");
        QTest::newRow("no date-time form: -0.25") << -0.25 << QStringLiteral("-0.25");
        QTest::newRow("finer than milliseconds")
            << 45000.123456789 << QStringLiteral("45000.123456789");
        QTest::newRow("after 9999") << 3e6 << QStringLiteral("3e+06");
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN()
                             << QStringLiteral("ieee754:7ff8000000000000");
        QTest::newRow("NaN payload")
            << Bits(0xfff0000000000abc) << QStringLiteral("ieee754:fff0000000000abc");
        QTest::newRow("infinity") << -std::numeric_limits<double>::infinity()
                                  << QStringLiteral("ieee754:fff0000000000000");
    }
    void dateTextRoundTrip() {
        QFETCH(double, value);
        QFETCH(QString, text);
        const std::string written = DateToText(value);
        QCOMPARE(QString::fromStdString(written), text);
        const auto read = DateFromText(written);
        QVERIFY(read);
        QCOMPARE(std::bit_cast<std::uint64_t>(*read), std::bit_cast<std::uint64_t>(value));
    }

    void dateTextsPeopleWrite_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        const double may1 = QDateToDateTime(QDate(2024, 5, 1));
        QTest::newRow("date only") << "2024-05-01" << true << may1;
        QTest::newRow("blank, no seconds") << "2024-05-01 09:30" << true << may1 + 9.5 / 24;
        QTest::newRow("half a second") << "2024-05-01T00:00:00.5" << true << may1 + 0.5 / 86400;
        QTest::newRow("day number") << "45413" << true << may1;
        QTest::newRow("30 February") << "2024-02-30" << false << 0.0;
        QTest::newRow("hour 25") << "2024-05-01T25:00" << false << 0.0;
        QTest::newRow("zone given") << "2024-05-01T09:30:00Z" << false << 0.0;
        QTest::newRow("short fields") << "2024-5-1" << false << 0.0;
        QTest::newRow("four fraction digits") << "2024-05-01T09:30:00.1234" << false << 0.0;
        QTest::newRow("word") << "tomorrow" << false << 0.0;
        QTest::newRow("bad bits") << "ieee754:7ff800000000000g" << false << 0.0;
        QTest::newRow("number and more") << "45413 " << false << 0.0;
    }
    void dateTextsPeopleWrite() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const auto read = DateFromText(text.toStdString());
        QCOMPARE(bool(read), valid);
        if (valid) {
            QCOMPARE(*read, value);
        }
    }

    void userTextsForEnumsAndKinds() {
        QCOMPARE(PriorityFromUserText("high"), std::optional(tpHigh));
        QCOMPARE(PriorityFromUserText("tpLowest"), std::optional(tpLowest));
        QCOMPARE(PriorityFromUserText("3"), std::optional<TTodoPriority>());
        QCOMPARE(StatusFromUserText("IN PROGRESS"), std::optional(tsInProgress));
        QCOMPARE(StatusFromUserText("tsdeferred"), std::optional(tsDeferred));
        QCOMPARE(StatusFromUserText("done"), std::optional<TTodoStatus>());
        QCOMPARE(PriorityFromText("256", true), std::optional<TTodoPriority>());
        QCOMPARE(StatusFromText("9", true), std::optional(TTodoStatus(9)));
        QCOMPARE(StatusFromText("9", false), std::optional<TTodoStatus>());
        QCOMPARE(DataKindFromText("Create Date"), std::optional(tdCreationDate));
        QCOMPARE(DataKindFromText("duedate"), std::optional(tdDueDate));
        QCOMPARE(DataKindFromText("tdHandle"), std::optional(tdHandle));
        QCOMPARE(DataKindFromText("done"), std::optional(tdComplete));
        QCOMPARE(DataKindFromText("due"), std::optional<TTodoData>());
    }

    // JSON -------------------------------------------------------------------------------

    void jsonOfTheExampleList() {
        TTodoItemCollection items;
        ReadItems(ExampleList(), QStringLiteral("example"), items);
        const QByteArray expected =
            "{\n"
            "  \"items\": [\n"
            "    {\n"
            "      \"Complete\": false,\n"
            "      \"Completion\": 50,\n"
            "      \"CompletionDate\": 0.0,\n"
            "      \"CreationDate\": 45000.5,\n"
            "      \"DueDate\": 45007.0,\n"
            "      \"ImageIndex\": -1,\n"
            "      \"Notes\": [\n"
            "        \"2 litres\"\n"
            "      ],\n"
            "      \"Priority\": \"tpNormal\",\n"
            "      \"Resource\": \"Me\",\n"
            "      \"Status\": \"tsInProgress\",\n"
            "      \"Subject\": \"Buy milk\",\n"
            "      \"Tag\": 0,\n"
            "      \"TotalTime\": 0,\n"
            "      \"Project\": \"\"\n"
            "    }\n"
            "  ]\n"
            "}\n";
        QCOMPARE(ItemsToJson(items), expected);
        TTodoItemCollection empty;
        QCOMPARE(ItemsToJson(empty), QByteArray("{\n  \"items\": []\n}\n"));
    }

    // Dates and texts exactly as nlohmann's dump writes them, whichever path the export
    // takes: whole numbers around where the exponent form begins, zeros of both signs,
    // escapes at the start, the middle and the end of texts of several lengths.
    // A long export is formatted in batches on helper threads: the bytes are those of one
    // thread, taken or copied, with UIDs repeated within and across batches numbered in
    // order.
    void batchesWriteWhatOneThreadWrites() {
        TTodoItemCollection items;
        FillAwkward(items);
        for (int i = 0; i < 13; ++i) {
            TTodoItem* twin = items.Add();
            twin->SetSubject("Twin");
            twin->SetCreationDate(45000.5);
            FillRandom(items, 600, quint32(77 + i));
        }
        const QDateTime stamp(QDate(2024, 5, 1), QTime(8, 0), Qt::UTC);
        const auto write = [&items, &stamp](const char* format, int helpers, bool take) {
            std::ostringstream out;
            std::optional<TJsonWriter> json;
            std::optional<TCsvWriter> csv;
            std::optional<TICalendarWriter> ics;
            const auto each = [&](auto& writer) {
                for (TTodoItem* item : items) {
                    if (take) {
                        TTodoItem copy(nullptr);
                        copy.Assign(*item);
                        writer.Take(copy);
                    } else {
                        writer.Add(*item);
                    }
                }
                writer.Finish();
            };
            if (format == std::string_view("json")) {
                each(json.emplace(out, helpers));
            } else if (format == std::string_view("csv")) {
                each(csv.emplace(out, helpers));
            } else {
                each(ics.emplace(out, stamp, 0, helpers));
            }
            return std::move(out).str();
        };
        QCOMPARE(QByteArray::fromStdString(write("json", 0, false)), ItemsToJson(items));
        for (const char* format : {"json", "csv", "ics"}) {
            const std::string alone = write(format, 0, false);
            QCOMPARE(write(format, 3, true), alone);
            QCOMPARE(write(format, 1, false), alone);
        }
        const QByteArray calendar = QByteArray::fromStdString(write("ics", 2, true));
        QCOMPARE(calendar.count("-13@pellmark"), 1);
        QCOMPARE(calendar.count("-14@pellmark"), 0);
    }

    // A long import is read in chunks on helper threads: the list is the one the reader
    // makes, or the chunks give up (and the reader then names what it finds).
    void chunksReadWhatTheReaderReads_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("inChunks");
        TTodoItemCollection items;
        FillAwkward(items);
        FillRandom(items, 9000, 9);
        const QByteArray json = ItemsToJson(items);
        const QByteArray csv = ItemsToCsv(items);
        const QByteArray ics =
            ItemsToICalendar(items, QDateTime(QDate(2024, 5, 1), QTime(8, 0), Qt::UTC));
        const auto at = [](const QByteArray& text, const QByteArray& before, qsizetype from) {
            return text.indexOf(before, from);
        };
        QTest::newRow("json") << "json" << json << true;
        QTest::newRow("csv") << "csv" << csv << true;
        QTest::newRow("csv, LF line ends")
            << "csv" << QByteArray(csv).replace("\r\n", "\n") << true;
        QTest::newRow("ics") << "ics" << ics << true;
        QTest::newRow("json, an item in error late")
            << "json"
            << QByteArray(json).insert(at(json, "\"Tag\": 0", json.size() - 2000) + 7, '"')
            << false;
        QTest::newRow("csv, a stray quote late")
            << "csv" << QByteArray(csv).insert(at(csv, "\r\n", csv.size() - 2000) - 1, "x\"x")
            << false;
        QTest::newRow("csv, a header ended by CR alone")
            << "csv" << QByteArray(csv).replace(csv.indexOf("\r\n"), 2, "\r") << false;
        const QByteArray event = "BEGIN:VEVENT\r\nUID:e\r\nEND:VEVENT\r\n";
        QTest::newRow("ics, an event between the VTODOs")
            << "ics" << QByteArray(ics).insert(at(ics, "BEGIN:VTODO", ics.size() / 2), event)
            << false;
        const QByteArray zone =
            "BEGIN:VTIMEZONE\r\nTZID:Test/Zone\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
            "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
        QTest::newRow("ics, a time zone after the first VTODO")
            << "ics" << QByteArray(ics).insert(at(ics, "BEGIN:VTODO", ics.size() / 2), zone)
            << false;
        QTest::newRow("ics, a time zone before it")
            << "ics" << QByteArray(ics).insert(at(ics, "BEGIN:VTODO", 0), zone) << true;
    }
    void chunksReadWhatTheReaderReads() {
        QFETCH(QString, format);
        QFETCH(QByteArray, input);
        QFETCH(bool, inChunks);
        QVERIFY(input.size() > 3 * 256 * 1024);  // several chunks
        const QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("chunks.2do"));
        TTodoFileWriter list(file);
        auto* import = format == QLatin1String("json")  ? ImportJsonInChunks
                       : format == QLatin1String("csv") ? ImportCsvInChunks
                                                        : ImportICalendarInChunks;
        QCOMPARE(
            import(ReadFromMemory(std::string_view(input.constData(), std::size_t(input.size()))),
                   2, list),
            inChunks);
        if (!inChunks) {
            return;
        }
        list.Commit();
        TTodoItemCollection read;
        if (format == QLatin1String("json")) {
            ItemsFromJson(input, read);
        } else if (format == QLatin1String("csv")) {
            ItemsFromCsv(input, read);
        } else {
            ItemsFromICalendar(input, read,
                               [](const QString& warning) { QFAIL(qPrintable(warning)); });
        }
        QVERIFY(read.Count() > 6000);
        QCOMPARE(ReadWholeFile(file), ItemsToBytes(read));
    }

    void jsonValuesAsNlohmannWritesThem() {
        const double dates[] = {0.0,
                                -0.0,
                                1.0,
                                -1.0,
                                45007.0,
                                45000.5,
                                -693593.0,
                                1e14,
                                1e15,
                                1e15 - 1,
                                -1e15 + 1,
                                9007199254740992.0,
                                1e16,
                                0.1,
                                2958465.99999999,
                                std::numeric_limits<double>::min()};
        std::vector<std::string> texts;
        for (const std::size_t length : {0, 1, 15, 16, 17, 31, 32, 33, 40}) {
            texts.emplace_back(length, 'a');
            for (const std::size_t at : {std::size_t(0), length / 2, length - 1}) {
                if (at < length) {
                    for (const char escaped : {'"', '\\', '\n', '\x01', '\x1f'}) {
                        std::string text(length, 'b');
                        text[at] = escaped;
                        texts.push_back(text);
                    }
                }
            }
        }
        texts.emplace_back("\x7f~ \x20!");
        TTodoItemCollection items;
        for (std::size_t i = 0; i < std::max(std::size(dates), texts.size()); ++i) {
            TTodoItem* item = items.Add();
            item->SetDueDate(dates[i % std::size(dates)]);
            item->SetSubject(texts[i % texts.size()]);
        }
        const QByteArray json = ItemsToJson(items);
        for (int i = 0; i < items.Count(); ++i) {
            const TTodoItem& item = *items.At(i);
            const QByteArray due =
                "\"DueDate\": " + QByteArray::fromStdString(nlohmann::json(item.DueDate()).dump());
            const QByteArray subject =
                "\"Subject\": " + QByteArray::fromStdString(nlohmann::json(item.Subject()).dump());
            QVERIFY2(json.contains(due + ",\n"), due.constData());
            QVERIFY2(json.contains(subject + ",\n"), subject.constData());
        }
    }

    void jsonTextsThatAreNotUtf8() {
        TTodoItemCollection items;
        TTodoItem* item = items.Add();
        item->SetSubject(std::string("Caf\xe9", 4));
        item->SetResource("\xC3\xA9t\xC3\xA9");
        item->SetProject(std::string("a\0b", 3));
        const QByteArray json = ItemsToJson(items);
        QVERIFY2(json.contains("\"Subject\": {\n        \"bytes\": \"Caf\xC3\xA9\"\n      }"),
                 json.constData());
        QVERIFY(json.contains("\"Resource\": \"\xC3\xA9t\xC3\xA9\""));
        QVERIFY(json.contains("\"Project\": \"a\\u0000b\""));
    }

    void jsonRoundTripIsByteIdentical() {
        TTodoItemCollection awkward;
        FillAwkward(awkward);
        CheckRoundTrip(awkward, ItemsToJson, ItemsFromJson);
        TTodoItemCollection random;
        FillRandom(random, 300, 20240501);
        CheckRoundTrip(random, ItemsToJson, ItemsFromJson);
        TTodoItemCollection example;
        ReadItems(ExampleList(), QStringLiteral("example"), example);
        CheckRoundTrip(example, ItemsToJson, ItemsFromJson);
    }

    void jsonWrittenByHand() {
        TTodoItemCollection items;
        ItemsFromJson(R"({"version": 1, "items": [
            {"Subject": "only a subject"},
            {"DueDate": "2024-05-01", "CreationDate": 45000, "Priority": 4, "Status": null,
             "Notes": [], "Project": {"bytes": "\u00ff"}}]})",
                      items);
        QCOMPARE(items.Count(), 2);
        const TTodoItem* first = items.At(0);
        QCOMPARE(first->Subject(), std::string("only a subject"));
        QCOMPARE(first->ImageIndex(), -1);  // new-item values for the rest
        QCOMPARE(first->Priority(), tpLowest);
        QCOMPARE(first->DueDate(), 0.0);
        const TTodoItem* second = items.At(1);
        QCOMPARE(second->DueDate(), QDateToDateTime(QDate(2024, 5, 1)));
        QCOMPARE(second->CreationDate(), 45000.0);
        QCOMPARE(second->Priority(), tpHighest);
        QCOMPARE(second->Status(), tsNotStarted);
        QCOMPARE(second->Project(), std::string("\xff"));
    }

    // The quick JSON readers give what the full parser gives, or stop where the full one
    // takes over (which names the fault).
    void quickJsonReaderAgreesWithTheParser_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("quick");   // whether the quick reader reads it to the end
        QTest::addColumn<bool>("chunks");  // whether the reader in chunks does
        // Items laid out as the export lays them out: each on a line of its own.
        const auto list = [](const QByteArrayList& items, const char* lineEnd = "\n") {
            const QByteArray end(lineEnd);
            return "{" + end + "  \"items\": [" + end + "    " + items.join("," + end + "    ") +
                   end + "  ]" + end + "}" + end;
        };
        const auto item = [&list](const char* properties) {
            return list({"{" + QByteArray(properties) + "}"});
        };
        QTest::newRow("escapes") << item(
                                        "\"Subject\": \"\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\u20AC\"")
                                 << true << true;
        QTest::newRow("surrogate pair")
            << item("\"Subject\": \"\\ud83d\\ude00 \xF0\x9F\x98\x80\"") << true << true;
        QTest::newRow("zero character") << item("\"Subject\": \"a\\u0000b\"") << true << true;
        QTest::newRow("numbers")
            << item(
                   "\"Tag\": -0, \"Completion\": 100, \"CreationDate\": 4.5E+4, \"DueDate\": "
                   "-1.25e-3")
            << true << true;
        // Around the limits of the doubles read in one exact operation.
        QByteArrayList doubles{"{}"};
        for (const char* number : {"9007199254740993e-5", "44667375401.9253275",
                                   "9007199254740992e-22", "45200.50837962963", "1E22", "1e23",
                                   "0.1", "-0.0", "1.7976931348623157e308", "5e-324"}) {
            doubles += "{\"DueDate\": " + QByteArray(number) + "}";
        }
        QTest::newRow("doubles") << list(doubles) << true << true;
        QTest::newRow("unsigned 64 bits")
            << item("\"TotalTime\": 18446744073709551615") << true << true;
        // nlohmann makes it a double; the reader in chunks leaves that to the others.
        QTest::newRow("integer beyond 64 bits")
            << item("\"CreationDate\": -9223372036854775809") << true << false;
        QTest::newRow("unsigned beyond 64 bits")
            << item("\"DueDate\": 123456789012345678901") << true << false;
        QTest::newRow("blanks and skipped values")
            << QByteArray(
                   " \r\n\t{\"other\": [{\"a\": [true, false, null, {}]}, []],\n"
                   "\"items\" : [ { \"Notes\" : [ \"a\" , \"b\" ] } ] } \n")
            << true << false;
        QTest::newRow("keys in changing layouts")
            << QByteArray(
                   "{\"items\": [{\"Subject\": \"a\", \"Tag\": 1}, {\"Subject\": \"b\", \"Tag\": "
                   "2},\n"
                   "{\"Tag\": 3, \"Subject\": \"c\"}, {\"Subj\\u0065ct\": \"d\", \"Tag\":4},\n"
                   "{\"Subject\": \"e\", \"Tag\": 5, \"Notes\": [\"x\", {\"bytes\": \"\\u00ff\"}, "
                   "\"y\"]}]}")
            << true << false;
        QByteArrayList longItems{"{}"};
        for (int n = 0; n < 10; ++n) {
            longItems += "{\"Subject\": \"" + QByteArray(40000, 'x') + "\\u00e9\"}";
        }
        QTest::newRow("texts across blocks") << list(longItems) << true << true;
        // Cut at many items, one of them longer than a read, with CR LF line ends.
        QByteArrayList many;
        for (int n = 0; n < 30000; ++n) {
            many += "{\"Tag\": " + QByteArray::number(n) + ", \"Notes\": [\"" +
                    QByteArray(n == 20000 ? 60000 : 20, char('a' + n % 26)) + "\"]}";
        }
        many[25000] =
            "{\"Tag\": 1," + QByteArray(1500000, ' ') + "\"Notes\": [\"a\",\r\n    \"b\"]}";
        QTest::newRow("items in chunks") << list(many, "\r\n") << true << true;
        QTest::newRow("empty list") << list({}).replace("\n    \n", "\n") << true << true;
        QTest::newRow("a brace at an item's indent within it")
            << list({"{}", "{\"Notes\": [\"a\",\n    {\"bytes\": \"b\"}]}"}) << true << false;
        QTest::newRow("another key after the items")
            << item("").replace("  ]\n}", "  ],\n  \"other\": [1]\n}") << true << false;
        QTest::newRow("a second list after the end") << item("") + item("") << false << false;
        QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + item("") << false << false;
        QTest::newRow("lone surrogate") << item("\"Subject\": \"\\udc00\"") << false << false;
        QTest::newRow("high surrogate alone")
            << item("\"Subject\": \"\\ud800x\"") << false << false;
        QTest::newRow("control character") << item("\"Subject\": \"a\tb\"") << false << false;
        QTest::newRow("overlong UTF-8") << item("\"Subject\": \"\xC0\x80\"") << false << false;
        QTest::newRow("UTF-8 surrogate") << item("\"Subject\": \"\xED\xA0\x80\"") << false << false;
        QTest::newRow("short literal") << item("\"Complete\": tru") << false << false;
        QTest::newRow("literal run on") << item("\"Complete\": truex") << false << false;
        QTest::newRow("leading zero") << item("\"Tag\": 01") << false << false;
        QTest::newRow("bare point") << item("\"Tag\": 1.") << false << false;
        QTest::newRow("number too big") << item("\"DueDate\": 1e400") << false << false;
        QTest::newRow("trailing comma") << list({"{}", ""}) << false << false;
        QTest::newRow("after the end") << item("") + " x" << false << false;
        QTest::newRow("short null") << item("\"Tag\": nul") << false << false;
        QTest::newRow("deep") << "{\"other\": " + QByteArray(70, '[') + QByteArray(70, ']') +
                                     ", \"items\": []}"
                              << false << false;
    }
    void quickJsonReaderAgreesWithTheParser() {
        QFETCH(QByteArray, json);
        QFETCH(bool, quick);
        QFETCH(bool, chunks);
        const auto read = [&json](auto reader) {
            TTodoItemCollection items;
            QString error;
            bool finished = true;
            try {
                finished = reader(
                    ReadFromMemory(std::string_view(json.constData(), std::size_t(json.size()))),
                    [&items](TTodoItem& item) { items.Add()->TakeContentQuietly(item); });
            } catch (const EImportError& e) {
                error = e.Message();
            }
            return std::make_tuple(finished, ItemsToBytes(items), error);
        };
        const auto [unused, fullBytes, fullError] = read([](TReadBytes bytes, const auto& onItem) {
            ReadJsonItems(std::move(bytes), onItem);
            return true;
        });
        for (const auto& [reader, expected] :
             {std::pair(&ReadJsonItemsQuickly, quick), std::pair(&ReadJsonItemsInChunks, chunks)}) {
            const auto [finished, quickBytes, quickError] = read(reader);
            // An error of an item is raised by both at the same place.
            QCOMPARE(finished, expected);
            if (expected) {
                QCOMPARE(quickBytes, fullBytes);
            }
            QVERIFY2(!finished || quickError == fullError,
                     qPrintable(quickError + QLatin1String(" / ") + fullError));
        }
    }

    void jsonErrorsNameItemAndKey_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QByteArray()
                               << "not valid JSON: parse error at line 1, column 1: syntax error "
                                  "while parsing value - unexpected end of input; expected '[', "
                                  "'{', or a literal";
        QTest::newRow("cut off") << QByteArray("{\"items\": [")
                                 << "not valid JSON: parse error at line 1, column 12: syntax "
                                    "error while parsing value - unexpected end of input; "
                                    "expected '[', '{', or a literal";
        QTest::newRow("array at top")
            << QByteArray("[]") << "expected an object with an \"items\" array";
        QTest::newRow("items not an array")
            << QByteArray("{\"items\": {}}") << "expected an object with an \"items\" array";
        QTest::newRow("item not an object")
            << QByteArray("{\"items\": [{}, 5]}") << "item 1 is not an object";
        const QString prefix = QStringLiteral("item 1, key ");
        QTest::newRow("unknown key") << JsonItem("\"subject\": \"x\"")
                                     << prefix + QStringLiteral("\"subject\": unknown key");
        QTest::newRow("Complete as number")
            << JsonItem("\"Complete\": 1")
            << prefix + QStringLiteral("\"Complete\": expected true or false");
        QTest::newRow("Completion too big")
            << JsonItem("\"Completion\": 256")
            << prefix + QStringLiteral("\"Completion\": expected a whole number from 0 to 255");
        QTest::newRow("Completion negative")
            << JsonItem("\"Completion\": -1")
            << prefix + QStringLiteral("\"Completion\": expected a whole number from 0 to 255");
        QTest::newRow("Tag fraction")
            << JsonItem("\"Tag\": 1.5")
            << prefix + QStringLiteral(
                            "\"Tag\": expected a whole number from -2147483648 to 2147483647");
        QTest::newRow("ImageIndex beyond 32 bits")
            << JsonItem("\"ImageIndex\": 2147483648")
            << prefix +
                   QStringLiteral(
                       "\"ImageIndex\": expected a whole number from -2147483648 to 2147483647");
        QTest::newRow("unknown priority")
            << JsonItem("\"Priority\": \"tpUrgent\"")
            << prefix + QStringLiteral(
                            "\"Priority\": expected a priority name or a number from 0 to 255");
        QTest::newRow("status as boolean")
            << JsonItem("\"Status\": true")
            << prefix +
                   QStringLiteral("\"Status\": expected a status name or a number from 0 to 255");
        QTest::newRow("notes as text")
            << JsonItem("\"Notes\": \"a\"")
            << prefix + QStringLiteral("\"Notes\": expected an array of lines");
        QTest::newRow("line break in a line")
            << JsonItem("\"Notes\": [\"ok\", \"a\\nb\"]")
            << prefix + QStringLiteral("\"Notes\": line 1 holds a line break or a zero byte");
        QTest::newRow("notes turning into values")
            << JsonItem("\"Notes\": [\"a\", {\"bytes\": \"\\u00e9\"}, 5]")
            << prefix + QStringLiteral("\"Notes\": expected a text or {\"bytes\": text}");
        // Counted as they come, before a line is looked at.
        const QByteArray lines =
            "\"Notes\": [\"\"" + QByteArray(", \"a\\nb\"").repeated(65536) + "]";
        QTest::newRow("too many lines")
            << JsonItem(lines.constData())
            << prefix + QStringLiteral("\"Notes\": more than 65536 values in one property");
        QTest::newRow("subject as number")
            << JsonItem("\"Subject\": 5")
            << prefix + QStringLiteral("\"Subject\": expected a text or {\"bytes\": text}");
        QTest::newRow("bytes beyond U+00FF")
            << JsonItem("\"Subject\": {\"bytes\": \"\\u0100\"}")
            << prefix + QStringLiteral(
                            "\"Subject\": \"bytes\" may only hold characters U+0000 to U+00FF");
        QTest::newRow("bad date") << JsonItem("\"DueDate\": \"soon\"")
                                  << prefix + QStringLiteral(
                                                  "\"DueDate\": expected a day number or a "
                                                  "date such as 2024-05-01T09:30:00");
    }
    void jsonErrorsNameItemAndKey() {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        int countAfter = 0;
        QCOMPARE(ErrorOf(ItemsFromJson, json, &countAfter), message);
        QCOMPARE(countAfter, 1);  // the target list is untouched
    }

    // CSV ---------------------------------------------------------------------------------

    void csvOfTheExampleList() {
        TTodoItemCollection items;
        ReadItems(ExampleList(), QStringLiteral("example"), items);
        QCOMPARE(ItemsToCsv(items),
                 QByteArray("Complete,Completion,CompletionDate,CreationDate,DueDate,ImageIndex,"
                            "Notes,Priority,Resource,Status,Subject,Tag,TotalTime,Project\r\n"
                            "false,50,,2023-03-15T12:00:00,2023-03-22T00:00:00,-1,\"2 litres\r\n"
                            "\",tpNormal,Me,tsInProgress,Buy milk,0,0,\r\n"));
    }

    void csvRoundTripIsByteIdentical() {
        TTodoItemCollection awkward;
        FillAwkward(awkward);
        CheckRoundTrip(awkward, ItemsToCsv, ItemsFromCsv);
        TTodoItemCollection random;
        FillRandom(random, 300, 4180);
        CheckRoundTrip(random, ItemsToCsv, ItemsFromCsv);
    }

    void csvAsSpreadsheetsWriteIt() {
        // A byte order mark, LF line ends, columns in another order and some left out, an
        // empty line, empty cells and a quoted field over two lines.
        TTodoItemCollection items;
        FromCsv(
            "\xEF\xBB\xBFSubject,DueDate,Priority,Notes,ImageIndex\n"
            "Call Anna,2024-05-01 09:30,tpHigh,\"first\nsecond\",\n"
            "\n"
            "\"Pay \"\"rent\"\"\",,,,7\n",
            items);
        QCOMPARE(items.Count(), 2);
        QCOMPARE(items.At(0)->Subject(), std::string("Call Anna"));
        QCOMPARE(items.At(0)->DueDate(), QDateToDateTime(QDate(2024, 5, 1)) + 9.5 / 24);
        QCOMPARE(items.At(0)->Priority(), tpHigh);
        QCOMPARE(items.At(0)->Notes().Lines(), (std::vector<std::string>{"first", "second"}));
        QCOMPARE(items.At(0)->ImageIndex(), -1);
        QCOMPARE(items.At(1)->Subject(), std::string("Pay \"rent\""));
        QCOMPARE(items.At(1)->Priority(), tpLowest);
        QCOMPARE(items.At(1)->ImageIndex(), 7);
        QCOMPARE(items.At(1)->Notes().Count(), 0);

        TTodoItemCollection none;
        FromCsv("Subject\r\n", none);
        QCOMPARE(none.Count(), 0);
    }

    void csvErrorsNameLineAndColumn_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("message");
        const QByteArray header = "Subject,Complete,DueDate,Priority,Completion\r\n";
        QTest::newRow("nothing") << QByteArray()
                                 << "line 1: the header row of property names is missing";
        QTest::newRow("unknown name")
            << QByteArray("Subject,Subjekt\r\n") << "line 1: \"Subjekt\" is not a property name";
        QTest::newRow("twice") << QByteArray("Tag,Subject,Tag\r\n")
                               << "line 1: the column \"Tag\" occurs twice";
        QTest::newRow("too few fields") << header + "a,true\r\n"
                                        << "line 2 (item 0): 2 fields where the header has 5";
        QTest::newRow("open quote") << header + "a,true,,,\r\n\"never\r\nclosed"
                                    << "line 3: a quoted field is not closed";
        QTest::newRow("text after quote") << header + "\"a\"b,true,,,\r\n"
                                          << "line 2: text after the closing quote of a field";
        QTest::newRow("stray quote") << header + "a\"b,true,,,\r\n"
                                     << "line 2: a quote inside a field that does not start "
                                        "with one";
        QTest::newRow("bad boolean") << header + "\"two\r\nlines\",true,,,\r\nb,yes,,,\r\n"
                                     << "line 4 (item 1), column \"Complete\": expected true or "
                                        "false";
        QTest::newRow("bad date") << header + "a,,2024-13-01,,\r\n"
                                  << "line 2 (item 0), column \"DueDate\": expected a date such "
                                     "as 2024-05-01T09:30:00 or a day number";
        QTest::newRow("bad priority") << header + "a,,,urgent,\r\n"
                                      << "line 2 (item 0), column \"Priority\": expected a "
                                         "priority name or a number from 0 to 255";
        QTest::newRow("bad completion") << header + "a,,,,101%\r\n"
                                        << "line 2 (item 0), column \"Completion\": expected a "
                                           "whole number from 0 to 255";
    }
    void csvErrorsNameLineAndColumn() {
        QFETCH(QByteArray, csv);
        QFETCH(QString, message);
        int countAfter = 0;
        QCOMPARE(ErrorOf(ItemsFromCsv, csv, &countAfter), message);
        QCOMPARE(countAfter, 1);
    }

    // iCalendar ---------------------------------------------------------------------------

    void icalendarHasOneTodoPerItem() {
        TTodoItemCollection items;
        ReadItems(ExampleList(), QStringLiteral("example"), items);
        TTodoItem* done = items.Add();
        done->SetSubject("Done\x1b[2J, with a comma; and more");
        done->SetComplete(true);
        done->SetCompletion(40);
        done->SetPriority(tpHighest);
        done->SetCompletionDate(45001.25);
        items.Add()->SetStatus(TTodoStatus(9));  // nothing set, unknown status

        const QDateTime stamp(QDate(2024, 5, 1), QTime(8, 0), Qt::UTC);
        const QByteArray text = ItemsToICalendar(items, stamp);
        QVERIFY(text.startsWith("BEGIN:VCALENDAR\r\n"));
        QCOMPARE(ItemsToICalendar(items, stamp), text);  // same list, same UIDs

        icalcomponent* calendar = icalparser_parse_string(text.constData());
        QVERIFY(calendar);
        QVERIFY2(icalcomponent_count_errors(calendar) == 0, text.constData());
        QCOMPARE(icalcomponent_count_components(calendar, ICAL_VTODO_COMPONENT), 3);
        icalcomponent* todo = icalcomponent_get_first_component(calendar, ICAL_VTODO_COMPONENT);
        QCOMPARE(icalcomponent_get_summary(todo), "Buy milk");
        QCOMPARE(icalcomponent_get_description(todo), "2 litres");
        QCOMPARE(icalproperty_get_priority(
                     icalcomponent_get_first_property(todo, ICAL_PRIORITY_PROPERTY)),
                 5);
        QCOMPARE(icalcomponent_get_status(todo), ICAL_STATUS_INPROCESS);
        QCOMPARE(icalproperty_get_percentcomplete(
                     icalcomponent_get_first_property(todo, ICAL_PERCENTCOMPLETE_PROPERTY)),
                 50);
        const icaltimetype due = icalcomponent_get_due(todo);
        QCOMPARE(QDate(due.year, due.month, due.day), QDate(2023, 3, 22));
        QVERIFY(!due.zone && !icaltime_is_utc(due));  // floating local time
        const icaltimetype created =
            icalproperty_get_created(icalcomponent_get_first_property(todo, ICAL_CREATED_PROPERTY));
        QVERIFY(icaltime_is_utc(created));
        QCOMPARE(QDateTime::fromSecsSinceEpoch(
                     icaltime_as_timet_with_zone(created, icaltimezone_get_utc_timezone())),
                 DateTimeToQDateTime(45000.5));
        QVERIFY(!icalcomponent_get_first_property(todo, ICAL_COMPLETED_PROPERTY));

        todo = icalcomponent_get_next_component(calendar, ICAL_VTODO_COMPONENT);
        QCOMPARE(icalcomponent_get_summary(todo), "Done [2J, with a comma; and more");
        QCOMPARE(icalcomponent_get_status(todo), ICAL_STATUS_COMPLETED);
        QCOMPARE(icalproperty_get_percentcomplete(
                     icalcomponent_get_first_property(todo, ICAL_PERCENTCOMPLETE_PROPERTY)),
                 100);
        QCOMPARE(icalproperty_get_priority(
                     icalcomponent_get_first_property(todo, ICAL_PRIORITY_PROPERTY)),
                 1);
        QVERIFY(icalcomponent_get_first_property(todo, ICAL_COMPLETED_PROPERTY));
        QVERIFY(!icalcomponent_get_first_property(todo, ICAL_DESCRIPTION_PROPERTY));
        QVERIFY(!icalcomponent_get_first_property(todo, ICAL_CREATED_PROPERTY));

        todo = icalcomponent_get_next_component(calendar, ICAL_VTODO_COMPONENT);
        QCOMPARE(icalcomponent_get_status(todo), ICAL_STATUS_NEEDSACTION);
        QVERIFY(!icalcomponent_get_first_property(todo, ICAL_PRIORITY_PROPERTY) ||
                icalproperty_get_priority(
                    icalcomponent_get_first_property(todo, ICAL_PRIORITY_PROPERTY)) == 9);
        QVERIFY(!icalcomponent_get_first_property(todo, ICAL_DUE_PROPERTY));
        icalcomponent_free(calendar);
    }

    // Every length around the block's edges, and one of many blocks.
    void sha1DigestsAsQtMakesThem() {
        QByteArray bytes;
        QRandomGenerator random(12);
        while (bytes.size() < 70001) {
            bytes += char(random.bounded(256));
        }
        std::vector<int> sizes(201);
        std::iota(sizes.begin(), sizes.end(), 0);
        sizes.push_back(70001);
        for (const int size : sizes) {
            const TSha1Digest digest =
                Sha1Digest(std::string_view(bytes.constData(), std::size_t(size)));
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(digest.data()), 20),
                     QCryptographicHash::hash(bytes.left(size), QCryptographicHash::Sha1));
        }
    }

    // Tables -------------------------------------------------------------------------------

    void cellTexts_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("subject") << int(tdSubject) << "Buy milk";
        QTest::newRow("completion") << int(tdCompletion) << "50%";
        QTest::newRow("notes") << int(tdNotes) << "2 litres";
        QTest::newRow("priority") << int(tdPriority) << "Normal";
        QTest::newRow("due date") << int(tdDueDate) << "03/22/2023";
        QTest::newRow("status") << int(tdStatus) << "In progress";
        QTest::newRow("no image") << int(tdImage) << "";
        QTest::newRow("complete") << int(tdComplete) << "[ ]";
        QTest::newRow("total time") << int(tdTotalTime) << "0h";
        QTest::newRow("never completed") << int(tdCompletionDate) << "12/30/1899";
        QTest::newRow("created") << int(tdCreationDate) << "03/15/2023";
        QTest::newRow("resource") << int(tdResource) << "Me";
        QTest::newRow("handle") << int(tdHandle) << "";
        QTest::newRow("project") << int(tdProject) << "";
    }
    void cellTexts() {
        QFETCH(int, kind);
        QFETCH(QString, text);
        TTodoItemCollection items;
        ReadItems(ExampleList(), QStringLiteral("example"), items);
        QCOMPARE(QString::fromStdString(ItemCellText(*items.At(0), TTodoData(kind))), text);
    }

    void cellTextsOfOddValues() {
        TTodoItem item(nullptr);
        item.SetComplete(true);
        item.SetCompletion(40);
        item.SetPriority(TTodoPriority(9));
        item.SetStatus(TTodoStatus(4));
        item.SetDueDate(std::numeric_limits<double>::quiet_NaN());
        QCOMPARE(ItemCellText(item, tdCompletion), std::string("100%"));  // complete shows full
        QCOMPARE(ItemCellText(item, tdComplete), std::string("[x]"));
        QCOMPARE(ItemCellText(item, tdPriority), std::string());
        QCOMPARE(ItemCellText(item, tdStatus), std::string());
        QCOMPARE(ItemCellText(item, tdDueDate), std::string());
    }

    // The texts one table keeps are those each item makes itself.
    void cellTextsKeptMatchTheItems() {
        TTodoItemCollection items;
        FillRandom(items, 300, 77);
        items.At(1)->SetComplete(true);
        items.At(2)->SetCompletion(items.At(1)->Completion());
        TItemCellTexts texts;
        for (const TTodoItem* item : items) {
            for (int kind = 0; kind < TodoDataCount; ++kind) {
                QCOMPARE(std::string(texts.Text(*item, TTodoData(kind))),
                         ItemCellText(*item, TTodoData(kind)));
            }
        }
    }

    void tableAlignsByTerminalWidth() {
        TTextTable table;
        table.AddColumn("#", true);
        table.AddColumn("Subject");
        table.AddColumn("Done");
        table.AddRow({"0", "\xE6\x97\xA5\xE6\x9C\xAC", "x"});  // two wide characters
        table.AddRow({"10", "e\xCC\x81", "y"});                // e and a combining accent
        table.AddRow({"2", "bell\x07\x1b[2J", ""});            // control characters
        const QString expected = QStringLiteral(
            " #  Subject    Done\n"
            "--  ---------  ----\n"
            " 0  \u65E5\u672C       x\n"
            "10  e\u0301          y\n"
            " 2  bell??[2J\n");
        QCOMPARE(QString::fromStdString(table.Render()), expected);

        // The same rows made in two parts print as one table: the widest cell of either
        // sets a column's width.
        std::vector<TTextTable> parts(2);
        for (TTextTable& part : parts) {
            part.AddColumn("#", true);
            part.AddColumn("Subject");
            part.AddColumn("Done");
        }
        parts[0].AddRow({"0", "\xE6\x97\xA5\xE6\x9C\xAC", "x"});
        parts[1].AddRow({"10", "e\xCC\x81", "y"});
        parts[1].AddRow({"2", "bell\x07\x1b[2J", ""});
        const std::vector<int> widths = TTextTable::Widths(parts);
        QCOMPARE(
            QString::fromStdString(parts[0].Render(widths, true) + parts[1].Render(widths, false)),
            expected);
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
