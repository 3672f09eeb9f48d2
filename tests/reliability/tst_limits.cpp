// Files whose counts promise far more than they hold fail at once and without allocating
// for what they promise. The measure is the memory requested through operator new while
// the file is read, which is where items, texts and the reserved item and column slots
// come from (the file's own bytes are read into one array of its size).

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstdlib>
#include <new>

#include "model/errors.h"
#include "model/todo_file.h"

namespace {

std::atomic<bool> g_counting{false};
std::atomic<std::size_t> g_requested{0};
std::atomic<std::size_t> g_largest{0};

void* Allocate(std::size_t size) {
    if (g_counting.load(std::memory_order_relaxed)) {
        g_requested += size;
        std::size_t largest = g_largest.load();
        while (size > largest && !g_largest.compare_exchange_weak(largest, size)) {
        }
    }
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}

// Counts what the code between construction and Stop() asks operator new for.
class TAllocationMeter {
public:
    TAllocationMeter() {
        g_requested = 0;
        g_largest = 0;
        g_counting = true;
    }
    ~TAllocationMeter() { g_counting = false; }
    std::size_t Requested() const { return g_requested; }
    std::size_t Largest() const { return g_largest; }
};

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

class TestLimits : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString write(const QByteArray& bytes) {
        const QString file = dir.filePath(QStringLiteral("claims.2do"));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
            return {};
        }
        return file;
    }

private Q_SLOTS:
    void meterSeesAllocations() {
        TAllocationMeter meter;
        TTodoItemCollection items;
        items.Reserve(1000);
        QVERIFY(meter.Requested() >= 1000 * sizeof(void*));
    }

    // 100-byte files whose first count claims two billion members, or whose first record
    // claims two billion fields.
    void hugeClaimsFailAtOnce_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("columns");
        QTest::addColumn<QString>("problem");
        QTest::newRow("2,000,000,000 items")
            << Hex("00943577") + QByteArray(96, '\x0b') << false
            << QStringLiteral("at byte 0 (item count 2000000000 is more than the file can hold)");
        QTest::newRow("2,000,000,000 fields")
            << Hex("01000000 00943577") + QByteArray(92, '\x0b') << false
            << QStringLiteral("at byte 4 (field count 2000000000 is more than the file can hold)");
        QTest::newRow("2,000,000,000 columns")
            << Hex("00943577") + QByteArray(96, '\x02') << true
            << QStringLiteral("at byte 0 (column count 2000000000 is more than the file can hold)");
        QTest::newRow("65535 bytes of subject")
            << Hex("01000000 01000000 0b ffff") + QByteArray(89, 'x') << false
            << QStringLiteral("at byte 100 (the file ends inside a record)");
    }
    void hugeClaimsFailAtOnce() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, columns);
        QFETCH(QString, problem);
        QCOMPARE(bytes.size(), 100);
        const QString file = write(bytes);
        QVERIFY(!file.isEmpty());

        TTodoItemCollection items;
        items.Add()->SetSubject("kept");
        TTodoColumnCollection cols;
        cols.Add()->SetCaption("kept");
        std::size_t requested = 0;
        std::size_t largest = 0;
        try {
            TAllocationMeter meter;
            try {
                if (columns) {
                    LoadColumns(cols, file);
                } else {
                    LoadFromFile(items, file);
                }
            } catch (...) {
                requested = meter.Requested();
                largest = meter.Largest();
                throw;
            }
            QFAIL("the file was accepted");
        } catch (const EReadError& e) {
            QCOMPARE(e.Message(),
                     QStringLiteral("Cannot read file %1: damaged %2").arg(file, problem));
        }
        qInfo("requested %zu bytes in all, %zu at most at once", requested, largest);
        // The file name, the message and a few small objects; no room for members.
        QVERIFY2(requested < 16 * 1024, qPrintable(QString::number(requested)));
        QVERIFY2(largest < 4 * 1024, qPrintable(QString::number(largest)));
        QCOMPARE(items.Count(), 1);
        QCOMPARE(items.GetItem(0)->Subject(), std::string("kept"));
        QCOMPARE(cols.Count(), 1);
        QCOMPARE(cols.GetItem(0)->Caption(), std::string("kept"));
    }

    // What a file may really ask for grows with its size and no faster: a file of empty
    // item records (four bytes each, the smallest possible) costs a bounded amount per
    // byte of file, whatever its count says.
    void memoryGrowsWithTheFile() {
        QByteArray bytes = Hex("a0860100");  // 100,000 items
        bytes.append(100000 * 4, '\0');
        TTodoItemCollection items;
        std::size_t requested = 0;
        {
            TAllocationMeter meter;
            ReadItems(bytes, QStringLiteral("empty-records.2do"), items);
            requested = meter.Requested();
        }
        QCOMPARE(items.Count(), 100000);
        const double perByte = double(requested) / double(bytes.size());
        qInfo("%zu bytes requested for a file of %lld bytes: %.1f per byte of file", requested,
              static_cast<long long>(bytes.size()), perByte);
        QVERIFY2(perByte < 256, qPrintable(QString::number(perByte)));
    }
};

QTEST_GUILESS_MAIN(TestLimits)
#include "tst_limits.moc"
