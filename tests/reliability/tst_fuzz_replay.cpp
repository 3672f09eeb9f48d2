// Runs every fuzz target over its committed seeds and every input that once crashed it, in
// the ordinary and the sanitizer builds: each must pass the target's checks.

#include <QDir>
#include <QFile>
#include <QTest>
#include <stdexcept>

#include "fuzz_entries.h"

class TestFuzzReplay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void replay_data() {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        const std::vector<TFuzzEntry>& entries = FuzzEntries();
        for (int target = 0; target < int(entries.size()); ++target) {
            const QString name = QString::fromLatin1(entries[std::size_t(target)].Name);
            int seeds = 0;
            // Rows are named "NAME: corpus/FILE" and "NAME: crashes/FILE".
            for (const char* kind : {"corpus", "crashes"}) {
                const QString root = QString::fromUtf8(
                    qstrcmp(kind, "corpus") == 0 ? PELLMARK_FUZZ_CORPUS : PELLMARK_FUZZ_CRASHES);
                const QDir dir(root + QLatin1Char('/') + name);
                for (const QString& file : dir.entryList(QDir::Files, QDir::Name)) {
                    QTest::addRow("%s: %s/%s", qPrintable(name), kind, qPrintable(file))
                        << target << dir.filePath(file);
                    ++seeds;
                }
            }
            QVERIFY2(seeds > 0, qPrintable(QStringLiteral("no corpus for ") + name));
        }
    }

    void replay() {
        QFETCH(int, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        try {
            FuzzEntries()[std::size_t(target)].Run(
                reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                std::size_t(bytes.size()));
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
    }
};

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "tst_fuzz_replay.moc"
