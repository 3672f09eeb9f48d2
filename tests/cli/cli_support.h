#pragma once

// What the pellmark-cli tests share: the example list, lists full of awkward values, and
// running the real executable.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QTest>
#include <bit>
#include <cmath>
#include <limits>

#include <ctime>

#include "cli/cli_errors.h"
#include "model/date_time.h"
#include "model/todo_collections.h"
#include "model/todo_file.h"

namespace cli_test {

// The example list of the file format: one item "Buy milk", 110 bytes.
inline QByteArray ExampleList() {
    return QByteArray::fromHex(
        "01000000 0e000000 010100 00 020100 32 030800 0000000000000000"
        "040800 0000000010f9e540 050800 00000000e0f9e540 060400 ffffffff"
        "070a00 32206c69747265730d0a 080100 02 090200 4d65 0a0100 02"
        "0b0800 427579206d696c6b 0c0400 00000000 0d0400 00000000 0e0000");
}

inline double Bits(std::uint64_t bits) {
    return std::bit_cast<double>(bits);
}

// Items that try every way a value can be hard to carry through a text format.
inline void FillAwkward(TTodoItemCollection& items) {
    items.Add();  // all new-item values

    TTodoItem* text = items.Add();
    text->SetSubject("comma, \"quotes\" and\r\na line break");
    text->SetResource(" blanks around ");
    text->SetProject("\"");
    text->SetNotes(TStringList{""});  // one empty line, not no lines

    TTodoItem* bytes = items.Add();
    bytes->SetSubject(std::string("Caf\xe9", 4));      // Latin-1, not UTF-8
    bytes->SetResource(std::string("zero\0byte", 9));  // a NUL inside
    bytes->SetProject(
        "\xEF\xBB\xBF"
        "starts with a BOM");  // valid UTF-8
    bytes->SetNotes(TStringList{"\xff\xfe", "\x1b[31mred", "\xC3\xA9t\xC3\xA9", "\xED\xA0\x80"});

    TTodoItem* range = items.Add();
    range->SetComplete(true);
    range->SetCompletion(255);
    range->SetPriority(TTodoPriority(7));
    range->SetStatus(TTodoStatus(200));
    range->SetImageIndex(std::numeric_limits<std::int32_t>::min());
    range->SetTag(std::numeric_limits<std::int32_t>::max());
    range->SetTotalTime(-1);

    const double dates[] = {-0.0,
                            std::numeric_limits<double>::quiet_NaN(),
                            Bits(0x7ff4000000000123),  // NaN with a payload
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            -1.25,
                            -0.25,
                            1e300,
                            5e-324,
                            45000.123456789,
                            45000.5,
                            2958465.99999,
                            -693593.0};
    for (std::size_t i = 0; i < std::size(dates); i += 3) {
        TTodoItem* item = items.Add();
        item->SetCompletionDate(dates[i]);
        if (i + 1 < std::size(dates)) {
            item->SetCreationDate(dates[i + 1]);
        }
        if (i + 2 < std::size(dates)) {
            item->SetDueDate(dates[i + 2]);
        }
    }
}

// Items with random bit patterns for numbers and random bytes for texts.
inline void FillRandom(TTodoItemCollection& items, int count, quint32 seed) {
    QRandomGenerator random(seed);
    const auto text = [&](int maxLength, bool noteLine) {
        std::string out;
        const int length = int(random.bounded(maxLength + 1));
        for (int i = 0; i < length; ++i) {
            char c = char(random.bounded(256));
            // Notes lines never hold line breaks or zero bytes: the file splits them there.
            if (noteLine && (c == '\r' || c == '\n' || c == '\0')) {
                c = 'x';
            }
            out += c;
        }
        return out;
    };
    for (int n = 0; n < count; ++n) {
        TTodoItem* item = items.Add();
        item->SetComplete(random.bounded(2) == 1);
        item->SetCompletion(TCompletion(random.bounded(256)));
        // Half plausible dates with milliseconds, half any bits at all.
        for (auto set :
             {&TTodoItem::SetCompletionDate, &TTodoItem::SetCreationDate, &TTodoItem::SetDueDate}) {
            const double value = random.bounded(2) == 1 ? 30000.0 + random.bounded(30000) +
                                                              random.bounded(86400000) / 86400000.0
                                                        : Bits(random.generate64());
            (item->*set)(value);
        }
        item->SetImageIndex(std::int32_t(random.generate()));
        std::vector<std::string> lines;
        for (int l = int(random.bounded(4)); l > 0; --l) {
            lines.push_back(text(20, true));
        }
        item->SetNotes(TStringList(lines));
        item->SetPriority(TTodoPriority(random.bounded(256)));
        item->SetResource(text(12, false));
        item->SetStatus(TTodoStatus(random.bounded(256)));
        item->SetSubject(text(30, false));
        item->SetTag(std::int32_t(random.generate()));
        item->SetTotalTime(std::int32_t(random.generate()));
        item->SetProject(text(8, false));
    }
}

// The message with which an importer refuses the input, reading into a list that holds one
// item already; `countAfter` gets how many it holds afterwards.
using Reader = void (*)(const QByteArray&, TTodoItemCollection&);
inline QString ErrorOf(Reader read, const QByteArray& input, int* countAfter = nullptr) {
    TTodoItemCollection into;
    into.Add()->SetSubject("already there");
    QString message;
    try {
        read(input, into);
    } catch (const EImportError& error) {
        message = error.Message();
    }
    if (countAfter) {
        *countAfter = into.Count();
    }
    return message;
}

using Writer = QByteArray (*)(const TTodoItemCollection&);

// The list written, read back from its bytes, exported and imported again: the .2do bytes
// of the import must be those of the original.
inline void CheckRoundTrip(const TTodoItemCollection& items, Writer write, Reader read) {
    const QByteArray original = ItemsToBytes(items);
    TTodoItemCollection loaded;
    ReadItems(original, QStringLiteral("original"), loaded);
    TTodoItemCollection imported;
    read(write(loaded), imported);
    QCOMPARE(imported.Count(), loaded.Count());
    const QByteArray again = ItemsToBytes(imported);
    if (again != original) {
        for (int i = 0; i < loaded.Count(); ++i) {
            QByteArray a, b;
            AppendItemRecord(a, *loaded.At(i));
            AppendItemRecord(b, *imported.At(i));
            QVERIFY2(a == b, qPrintable(QStringLiteral("item %1 differs: %2 / %3")
                                            .arg(i)
                                            .arg(QString::fromLatin1(a.toHex()),
                                                 QString::fromLatin1(b.toHex()))));
        }
    }
    QCOMPARE(again, original);
}

// Local time from now on is that of the zone, as if TZ had been set at the start.
inline void SetZone(const QByteArray& zone) {
    qputenv("TZ", zone);
    tzset();
}

// A local date in the hour skipped when summer time starts or in the one that comes twice
// when it ends: where QDateTime gives no answer or one that depends on earlier calls.
inline bool AtAChangeOfTheClock(double value) {
    const QDateTime local = DateTimeToQDateTime(value);
    if (!local.isValid()) {
        return true;
    }
    for (const qint64 shift : {-3600000, -1800000, 1800000, 3600000}) {
        const QDateTime other =
            QDateTime::fromMSecsSinceEpoch(local.toMSecsSinceEpoch() + shift, Qt::UTC)
                .toLocalTime();
        if (other.date() == local.date() && other.time() == local.time()) {
            return true;
        }
    }
    return false;
}

inline bool WriteFile(const QString& name, const QByteArray& data) {
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

inline QByteArray FileBytes(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#ifdef PELLMARK_CLI_PATH
struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the real pellmark-cli and waits for it.
inline Result RunCli(const QStringList& args, const QByteArray& input = {}) {
    QProcess process;
    process.start(QStringLiteral(PELLMARK_CLI_PATH), args);
    Result result;
    if (!process.waitForStarted(10000)) {
        return result;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
#endif

#ifdef LOCK_HOLDER_PATH
// A lock_holder process holding the lock on one list.
class Holder {
public:
    // `program` is lock_holder or a copy of it: the lock names its holder by the name of
    // the executable.
    explicit Holder(const QString& list, const QStringList& more = {},
                    const QString& program = QStringLiteral(LOCK_HOLDER_PATH)) {
        process_.start(program, QStringList{list} + more);
        process_.waitForStarted(10000);
        while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
        }
        answer_ = process_.readLine().trimmed();
    }
    ~Holder() { Release(); }

    const QByteArray& Answer() const { return answer_; }
    qint64 Pid() const { return process_.processId(); }
    void Release() {
        if (process_.state() != QProcess::NotRunning) {
            process_.closeWriteChannel();
            process_.waitForFinished(10000);
        }
    }
    void Kill() {
        process_.kill();
        process_.waitForFinished(10000);
    }

private:
    QProcess process_;
    QByteArray answer_;
};

#endif

}  // namespace cli_test
