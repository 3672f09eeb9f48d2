// The committed seed files of the fuzz corpus are what their names say: files the program
// wrote (written-*) and the worked examples (example-*) read and save byte-identically,
// foreign files (foreign-*) read, and truncations (trunc-*) fail with a read error. So the
// seeds stay meaningful when the formats change, and the program keeps reading its own
// files back exactly.

#include <QDir>
#include <QTest>

#include "model/errors.h"
#include "model/todo_file.h"

namespace {

enum class TSeedKind { Exact, Readable, Truncated };

QByteArray Saved(const QByteArray& bytes, bool columns) {
    if (columns) {
        TTodoColumnCollection read;
        for (const TColumnRecord& record : ReadColumns(bytes, QStringLiteral("seed"))) {
            record.ApplyTo(*read.Add());
        }
        return ColumnsToBytes(read);
    }
    TTodoItemCollection read;
    ReadItems(bytes, QStringLiteral("seed"), read);
    return ItemsToBytes(read);
}

}  // namespace

class TestCorpus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void seeds_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("columns");
        QTest::addColumn<int>("kind");
        int count = 0;
        for (const char* target : {"todo_file", "todo_roundtrip", "column_file"}) {
            const QDir dir(QStringLiteral(PELLMARK_CORPUS "/") + QLatin1String(target));
            for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
                TSeedKind kind = TSeedKind::Readable;
                if (name.startsWith(QStringLiteral("written-")) ||
                    name.startsWith(QStringLiteral("example-"))) {
                    kind = TSeedKind::Exact;
                } else if (name.startsWith(QStringLiteral("trunc-"))) {
                    kind = TSeedKind::Truncated;
                } else if (!name.startsWith(QStringLiteral("foreign-"))) {
                    continue;  // found by fuzzing: the replay tests run those
                }
                QTest::newRow(qPrintable(QLatin1String(target) + QLatin1Char('/') + name))
                    << dir.filePath(name) << (qstrcmp(target, "column_file") == 0) << int(kind);
                ++count;
            }
        }
        QVERIFY(count > 0);
    }
    void seeds() {
        QFETCH(QString, path);
        QFETCH(bool, columns);
        QFETCH(int, kind);
        const QByteArray bytes = ReadWholeFile(path);
        switch (TSeedKind(kind)) {
            case TSeedKind::Exact:
                QCOMPARE(Saved(bytes, columns), bytes);
                break;
            case TSeedKind::Readable:
                Saved(bytes, columns);
                break;
            case TSeedKind::Truncated:
                QVERIFY_THROWS_EXCEPTION(EReadError, Saved(bytes, columns));
                break;
        }
    }

    // The worked examples are there byte for byte, and the program writes the same bytes.
    void examples() {
        const QByteArray items =
            ReadWholeFile(QStringLiteral(PELLMARK_CORPUS "/todo_file/example-items.2do"));
        const QByteArray columns =
            ReadWholeFile(QStringLiteral(PELLMARK_CORPUS "/column_file/example-columns.txt"));
        QCOMPARE(items.size(), 110);
        QCOMPARE(columns.size(), 26);
        TTodoItemCollection read;
        ReadItems(items, QStringLiteral("example"), read);
        QCOMPARE(read.Count(), 1);
        QCOMPARE(read.GetItem(0)->Subject(), std::string("Buy milk"));
        QCOMPARE(read.GetItem(0)->Notes().Text(), std::string("2 litres\r\n"));
        QCOMPARE(read.GetItem(0)->CreationDate(), 45000.5);
        const std::vector<TColumnRecord> records = ReadColumns(columns, QStringLiteral("c"));
        QCOMPARE(records.size(), std::size_t(1));
        QCOMPARE(records[0].Caption.value_or(""), std::string("Done"));
        QCOMPARE(records[0].Width.value_or(0), 35);
        QCOMPARE(int(records[0].TodoData.value_or(0)), int(tdComplete));
    }
};

QTEST_GUILESS_MAIN(TestCorpus)
#include "tst_corpus.moc"
