// Runs one fuzz target over its committed seeds and every input that once crashed it, in
// the ordinary and the sanitizer builds: each must pass the target's checks.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include "fuzz/fuzz_support.h"

class TestFuzzReplay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void replay_data() {
        QTest::addColumn<QString>("path");
        int seeds = 0;
        for (const char* folder : {PELLMARK_FUZZ_CORPUS, PELLMARK_FUZZ_CRASHES}) {
            // Rows are named "corpus/NAME" and "crashes/NAME".
            const QDir dir(QString::fromUtf8(folder));
            const QString kind = QFileInfo(dir.absolutePath()).dir().dirName();
            for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
                QTest::newRow(qPrintable(kind + QLatin1Char('/') + name)) << dir.filePath(name);
                ++seeds;
            }
        }
        QVERIFY2(seeds > 0, "no corpus for " PELLMARK_FUZZ_TARGET);
    }

    void replay() {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        try {
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                   std::size_t(bytes.size()));
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
    }
};

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "tst_fuzz_replay.moc"
