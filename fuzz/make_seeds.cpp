// Writes the seed files of the fuzz corpus: lists and column layouts saved by the program
// itself, the two worked examples of the file formats, foreign files that the reader
// accepts although the program never writes them, and truncations of all of these.
//
//   fuzz_make_seeds CORPUS_DIR      (tools/fuzz --seeds runs it on fuzz/corpus)
//
// File names say what a seed is, and tests/reliability checks each kind of the two file
// formats accordingly: written-* and example-* read back and save byte-identically,
// foreign-* read, trunc-* fail with a read error.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cmath>
#include <cstdio>
#include <limits>

#include "app/instance_message.h"
#include "cli/csv_io.h"
#include "cli/ical_io.h"
#include "cli/json_io.h"
#include "model/todo_file.h"

namespace {

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

const QByteArray kExampleItems =
    Hex("01000000 0e000000 010100 00 020100 32 030800 0000000000000000 040800 0000000010f9e540"
        "050800 00000000e0f9e540 060400 ffffffff 070a00 32206c6974726573 0d0a 080100 02"
        "090200 4d65 0a0100 02 0b0800 427579206d696c6b 0c0400 00000000 0d0400 00000000 0e0000");
const QByteArray kExampleColumns =
    Hex("01000000 03000000 01 0400 23000000 02 0400 446f6e65 03 0100 07");

class SeedWriter {
public:
    explicit SeedWriter(const QString& dir) : dir_(dir) { QDir().mkpath(dir); }

    void Write(const QString& name, const QByteArray& bytes) {
        QFile file(dir_ + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            ok_ = false;
        }
    }

    // The whole file under its name and a few of its proper prefixes, among them every
    // cut inside the first record.
    void WriteWithTruncations(const QString& name, const QByteArray& bytes) {
        Write(name, bytes);
        for (qsizetype cut : {0, 1, 3, 4, 5, 7, 8, 9, 11, 12, 19, 27, 30, 56, 60}) {
            if (cut < bytes.size()) {
                Write(QStringLiteral("trunc-%1-%2").arg(name).arg(cut), bytes.left(cut));
            }
        }
        Write(QStringLiteral("trunc-%1-%2").arg(name).arg(bytes.size() - 1), bytes.chopped(1));
    }

    bool Ok() const { return ok_; }

private:
    QString dir_;
    bool ok_ = true;
};

void FillExample(TTodoItem& item) {
    item.SetCreationDate(45000.5);
    item.SetDueDate(45007.0);
    item.SetCompletion(50);
    item.SetNotes(TStringList{"2 litres"});
    item.SetPriority(tpNormal);
    item.SetResource("Me");
    item.SetStatus(tsInProgress);
    item.SetSubject("Buy milk");
}

// A small list with every field away from its new-item value somewhere, values a foreign
// file may carry (completion above 100, unknown states), dates before 1899 and no date.
void FillVaried(TTodoItemCollection& items) {
    FillExample(*items.Add());

    TTodoItem& done = *items.Add();
    done.SetSubject("Renew passport");
    done.SetComplete(true);
    done.SetCompletion(100);
    done.SetCompletionDate(45020.75);
    done.SetCreationDate(44990.125);
    done.SetStatus(tsCompleted);
    done.SetPriority(tpHighest);
    done.SetImageIndex(3);
    done.SetTag(-7);
    done.SetTotalTime(95);
    done.SetProject("Travel");

    TTodoItem& notes = *items.Add();
    notes.SetSubject("Notes of several lines");
    notes.SetNotes(TStringList{"first", "", "third line, after an empty one"});
    notes.SetResource("Team");
    notes.SetStatus(tsDeferred);
    notes.SetPriority(tpLowest);
    notes.SetDueDate(-1.25);

    TTodoItem& odd = *items.Add();
    const char oddSubject[] = "bytes \xe9\xfc\x80 and a \0 zero";
    odd.SetSubject(std::string(oddSubject, sizeof oddSubject - 1));
    odd.SetCompletion(250);
    odd.SetStatus(static_cast<TTodoStatus>(9));
    odd.SetPriority(static_cast<TTodoPriority>(200));
    odd.SetNotes(TStringList{""});
    odd.SetCreationDate(std::numeric_limits<double>::quiet_NaN());
    odd.SetDueDate(2958465.999);
    odd.SetTotalTime(-1);

    items.Add();  // the new-item values
}

void WriteItemSeeds(SeedWriter& out) {
    TTodoItemCollection empty;
    out.WriteWithTruncations(QStringLiteral("written-empty.2do"), ItemsToBytes(empty));

    TTodoItemCollection fresh;
    fresh.Add();
    out.WriteWithTruncations(QStringLiteral("written-new-item.2do"), ItemsToBytes(fresh));

    TTodoItemCollection example;
    FillExample(*example.Add());
    if (ItemsToBytes(example) != kExampleItems) {
        std::fprintf(stderr, "the program no longer writes the worked example\n");
    }
    out.WriteWithTruncations(QStringLiteral("example-items.2do"), kExampleItems);

    TTodoItemCollection varied;
    FillVaried(varied);
    out.WriteWithTruncations(QStringLiteral("written-varied.2do"), ItemsToBytes(varied));

    TTodoItemCollection many;
    for (int i = 0; i < 24; ++i) {
        TTodoItem& item = *many.Add();
        item.SetSubject("Item " + std::to_string(i));
        item.SetPriority(static_cast<TTodoPriority>(i % 5));
        item.SetStatus(static_cast<TTodoStatus>(i % 4));
        item.SetCompletion(TCompletion(i * 4));
        item.SetDueDate(45000.0 + (i * 7) % 11);
    }
    out.Write(QStringLiteral("written-24-items.2do"), ItemsToBytes(many));

    // Files of other writers: fields out of order, repeated, unknown or missing, fixed-width
    // fields with odd lengths, lone CR and LF in the notes, counts of zero or less.
    const QByteArray header = Hex("01000000");
    out.Write(QStringLiteral("foreign-only-subject.2do"), header + Hex("01000000 0b0300 616263"));
    out.Write(QStringLiteral("foreign-unknown-tag.2do"),
              header + Hex("03000000 140500 0102030405 0b0100 78 000200 ffff"));
    out.Write(QStringLiteral("foreign-reordered.2do"),
              header + Hex("04000000 0e0100 50 0b0100 53 0b0200 5432 010000 01"));
    out.Write(QStringLiteral("foreign-fixed-lengths.2do"),
              header + Hex("03000000 060000 07000000 030200 000000000000f03f 020900 63"));
    out.Write(QStringLiteral("foreign-notes-breaks.2do"),
              header + Hex("01000000 070d00 610d620a630d0a0d0a64006566"));
    out.Write(QStringLiteral("foreign-zero-in-texts.2do"),
              Hex("03000000 01000000 0e0200 0062 01000000 0e0000 02000000 0e0200 0061 0b0100 00"));
    out.Write(QStringLiteral("foreign-zero-fields.2do"), Hex("02000000 00000000 ffffffff"));
    out.Write(QStringLiteral("foreign-negative-count.2do"), Hex("f6ffffff 0e000000"));
}

void WriteColumnSeeds(SeedWriter& out) {
    TTodoColumnCollection empty;
    out.WriteWithTruncations(QStringLiteral("written-empty.txt"), ColumnsToBytes(empty));

    out.WriteWithTruncations(QStringLiteral("example-columns.txt"), kExampleColumns);

    // A full set of columns, one per data kind, as the list shows them.
    const char* captions[] = {"Subject", "Completion", "Notes", "Priority", "Due date",
                              "Status",  "Image",      "Done",  "Time",     "Completed",
                              "Created", "Resource",   "",      "Project"};
    TTodoColumnCollection all;
    for (int kind = 0; kind < TodoDataCount; ++kind) {
        TTodoColumnItem& column = *all.Add();
        column.SetTodoData(static_cast<TTodoData>(kind));
        column.SetCaption(captions[kind]);
        column.SetWidth(20 + 15 * kind);
    }
    const QByteArray full = ColumnsToBytes(all);
    out.Write(QStringLiteral("written-all-kinds.txt"), full);
    out.Write(QStringLiteral("trunc-written-all-kinds.txt-100"), full.left(100));

    const QByteArray header = Hex("01000000");
    out.Write(QStringLiteral("foreign-handle-then-subject.txt"),
              header + Hex("02000000 030100 0c 030100 00"));
    out.Write(QStringLiteral("foreign-unknown-kind.txt"),
              header + Hex("04000000 030100 c8 010000 f6ffffff 090300 616263 020000"));
    out.Write(QStringLiteral("foreign-no-fields.txt"), Hex("02000000 00000000 fbffffff"));
}

// The exchange formats of pellmark-cli, as it exports the lists above, and as people and
// spreadsheets write them.
// The empty, example and varied lists as one exporter writes them, the example also cut
// short at every length.
void WriteExportedSeeds(SeedWriter& out, const QString& extension,
                        QByteArray (*exportItems)(const TTodoItemCollection&)) {
    TTodoItemCollection empty;
    out.Write(QStringLiteral("written-empty.") + extension, exportItems(empty));
    TTodoItemCollection example;
    FillExample(*example.Add());
    out.WriteWithTruncations(QStringLiteral("written-example.") + extension, exportItems(example));
    TTodoItemCollection varied;
    FillVaried(varied);
    out.Write(QStringLiteral("written-varied.") + extension, exportItems(varied));
}

void WriteJsonSeeds(SeedWriter& out) {
    WriteExportedSeeds(out, QStringLiteral("json"), ItemsToJson);
    out.Write(QStringLiteral("foreign-by-hand.json"),
              R"({"version": 1, "items": [{"Subject": "Call Anna", "DueDate": "2024-05-01",
  "Priority": "tpHigh", "Notes": ["first", ""], "Complete": null},
  {"CreationDate": "2024-05-01T09:30:00", "Status": 3, "Resource": {"bytes": "\u00e9t\u00e9"}},
  {}]})");
    out.Write(QStringLiteral("foreign-odd-values.json"),
              R"({"items": [{"DueDate": "ieee754:7ff8000000000000", "Completion": 250,
  "Tag": -2147483648, "TotalTime": 2147483647, "Subject": "\ud83d\ude00 \u0000 x"}]})");
}

void WriteCsvSeeds(SeedWriter& out) {
    WriteExportedSeeds(out, QStringLiteral("csv"), ItemsToCsv);
    out.Write(QStringLiteral("foreign-spreadsheet.csv"),
              "\xef\xbb\xbfSubject,DueDate,Priority,Notes\n"
              "Call Anna,2024-05-01,tpHigh,\"two\r\nlines\"\n"
              "\n"
              "\"Quoted, with \"\"quotes\"\"\",,,\n");
    out.Write(QStringLiteral("foreign-few-columns.csv"), "Status,Complete\r\n3,true\r\n,\r\n");
}

QByteArray ItemsToICalendarOnce(const TTodoItemCollection& items) {
    return ItemsToICalendar(items, QDateTime(QDate(2024, 5, 1), QTime(8, 0), Qt::UTC));
}

void WriteICalendarSeeds(SeedWriter& out) {
    WriteExportedSeeds(out, QStringLiteral("ics"), ItemsToICalendarOnce);
    // As other calendar programs write it: a zone of the file and one of the system, folds
    // with LF alone and a tab, dates without time, the parts that are skipped.
    out.Write(QStringLiteral("foreign-calendar.ics"),
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example//Tasks//EN\r\n"
              "BEGIN:VTIMEZONE\r\nTZID:Custom Zone\r\nBEGIN:STANDARD\r\n"
              "DTSTART:19701025T030000\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\n"
              "END:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:19700329T020000\r\n"
              "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\n"
              "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n"
              "BEGIN:VEVENT\r\nUID:e1\r\nSUMMARY:A meeting\r\nEND:VEVENT\r\n"
              "BEGIN:VTODO\r\nUID:t1\r\nSUMMARY;LANGUAGE=en:Water the\r\n  plants\r\n"
              "DESCRIPTION:Ferns first\\, then the cactus.\\nOnly a little.\r\n"
              "DUE;TZID=Custom Zone:20240503T180000\r\nPRIORITY:2\r\n"
              "STATUS:IN-PROCESS\r\nPERCENT-COMPLETE:30\r\nCATEGORIES:Home,Garden\r\n"
              "RRULE:FREQ=WEEKLY\r\nBEGIN:VALARM\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
              "END:VTODO\r\nBEGIN:VTODO\r\nUID:t2\r\nSUMMARY:Renew the passport\r\n"
              "DUE;VALUE=DATE:20240601\r\nCREATED;TZID=Europe/Berlin:20240101T120000\r\n"
              "STATUS:COMPLETED\r\nCOMPLETED:20240110T100000Z\r\nEND:VTODO\r\n"
              "END:VCALENDAR\r\n");
    out.Write(QStringLiteral("foreign-lf-folds.ics"),
              "\xef\xbb\xbf"
              "BEGIN:VCALENDAR\nBEGIN:VTODO\nSUMMARY:Caf\xc3\n \xa9 long\n\t line\n"
              "DUE:20240501\nX-UNKNOWN;X-P=\"a,b\":value\nEND:VTODO\nEND:VCALENDAR\n");
}

void WriteInstanceSeeds(SeedWriter& out) {
    out.WriteWithTruncations(
        QStringLiteral("written-open-list"),
        QByteArray::fromStdString(EncodeInstanceMessage(
            {"/usr/bin/pellmark", "/home/anna/lists/work.2do"}, "token-1234")));
    out.Write(QStringLiteral("written-path-only"),
              QByteArray::fromStdString(EncodeInstanceMessage({"pellmark"}, "")));
    const std::string longArgument(20000, 'a');
    out.Write(QStringLiteral("written-long-argument"),
              QByteArray::fromStdString(EncodeInstanceMessage({"pellmark", longArgument}, "t")));
}

void WriteDateSeeds(SeedWriter& out) {
    const struct {
        const char* name;
        double value;
        const char* format;
    } seeds[] = {
        {"date", 45000.5, "MM/d/yyyy"},
        {"stamp", 45020.75, "mm/dd/yyyy h:nn am/pm"},
        {"long", 45007.0, "dddd, mmmm d, yyyy 'at' hh:nn:ss.zzz"},
        {"short-names", 1.0, "ddd mmm yy a/p ampm"},
        {"expansions", 44990.999988, "c ddddd dddddd t tt"},
        {"before-epoch", -1.25, "yyyy/mm/dd hh:nn \"quoted\" //::"},
        {"year-9999", 2958465.9999, "yyyy mm dd"},
        {"nan", std::numeric_limits<double>::quiet_NaN(), "yyyy"},
        {"infinite", std::numeric_limits<double>::infinity(), "c"},
        {"huge", 1e300, "d"},
    };
    for (const auto& seed : seeds) {
        QByteArray bytes(reinterpret_cast<const char*>(&seed.value), sizeof seed.value);
        bytes += seed.format;
        out.Write(QString::fromLatin1(seed.name), bytes);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    SeedWriter items(root + QStringLiteral("/todo_file"));
    WriteItemSeeds(items);
    SeedWriter roundTrip(root + QStringLiteral("/todo_roundtrip"));
    WriteItemSeeds(roundTrip);
    SeedWriter columns(root + QStringLiteral("/column_file"));
    WriteColumnSeeds(columns);
    SeedWriter dates(root + QStringLiteral("/date_format"));
    WriteDateSeeds(dates);
    SeedWriter json(root + QStringLiteral("/json_import"));
    WriteJsonSeeds(json);
    SeedWriter csv(root + QStringLiteral("/csv_import"));
    WriteCsvSeeds(csv);
    SeedWriter ics(root + QStringLiteral("/ical_import"));
    WriteICalendarSeeds(ics);
    SeedWriter instance(root + QStringLiteral("/instance_message"));
    WriteInstanceSeeds(instance);
    const bool ok = items.Ok() && roundTrip.Ok() && columns.Ok() && dates.Ok() && json.Ok() &&
                    csv.Ok() && ics.Ok() && instance.Ok();
    return ok ? 0 : 1;
}
