// A list of 1,000,000 items in the to-do list control, offscreen. The load works and the
// count is right; the rows follow in one go, so the first screen after the load and a jump
// to the last rows each take a single paint of the visible rows. The times and the memory
// are printed for the record only; speed is not this test's business.

#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTest>

#include "fault_support.h"
#include "manual/sample_list.h"
#include "todolist/todo_list.h"
#include "todolist/todo_list_box.h"

namespace {

constexpr int kItems = 1000000;

// Counts a widget's paint events and keeps the last one's rectangle.
class TPaintCounter : public QObject {
public:
    int Paints = 0;
    QRect Last;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++Paints;
            Last = static_cast<QPaintEvent*>(event)->rect();
        }
        return QObject::eventFilter(watched, event);
    }
};

// A figure of /proc/self/status in megabytes ("VmRSS", "VmHWM"), or -1.
double StatusMegabytes(const QByteArray& key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key + ':')) {
            return line.mid(key.size() + 1).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return -1;
}

void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

}  // namespace

class TestMillion : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString file;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir.isValid());
        file = dir.filePath(QStringLiteral("million.2do"));
        // Another process writes the file, so that this one's memory is the loaded list's.
        const TSaverResult made =
            RunSaver({QStringLiteral("save"), file, QString::number(kItems), QStringLiteral("1")});
        QCOMPARE(made.ExitCode, 0);
    }

    void loadPaintAndScroll() {
        const double rssBefore = StatusMegabytes("VmRSS");
        TTodoList list;
        AddSampleColumns(list);
        list.resize(900, 600);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        TTodoListBox& box = *list.ListBox();
        TPaintCounter counter;
        box.viewport()->installEventFilter(&counter);
        Settle();
        counter.Paints = 0;

        QElapsedTimer timer;
        timer.start();
        list.LoadFromFile(file);
        const qint64 loadMs = timer.elapsed();
        QCOMPARE(list.Items().Count(), kItems);
        QCOMPARE(box.RowCount(), kItems);
        QCOMPARE(counter.Paints, 0);
        QTRY_COMPARE(counter.Paints, 1);
        const qint64 firstPaintMs = timer.elapsed();
        Settle();
        QCOMPARE(counter.Paints, 1);
        QCOMPARE(counter.Last, box.viewport()->rect());
        const double rssLoaded = StatusMegabytes("VmRSS");
        QCOMPARE(list.Items().At(0)->Subject(), std::string("Item 0 of the big list"));
        QCOMPARE(list.Items().At(kItems - 1)->Subject(),
                 std::string("Item 999999 of the big list"));
        QCOMPARE(list.Items().At(kItems - 1)->Tag(), 1);

        const int last = kItems - box.VisibleRowCount();
        QVERIFY(box.VisibleRowCount() > 10);
        counter.Paints = 0;
        timer.restart();
        box.SetTopIndex(last);
        QTRY_COMPARE(counter.Paints, 1);
        const qint64 scrollMs = timer.elapsed();
        Settle();
        QCOMPARE(counter.Paints, 1);
        QCOMPARE(counter.Last, box.viewport()->rect());
        QCOMPARE(box.TopIndex(), last);

        timer.restart();
        list.Items().Clear();
        const qint64 clearMs = timer.elapsed();
        QCOMPARE(box.RowCount(), 0);
        qInfo(
            "%d items, file of %.1f MB: load %lld ms, first paint %lld ms after the load "
            "began, jump to the end %lld ms, clearing %lld ms; resident memory %.0f MB before, "
            "%.0f MB loaded (%.0f bytes per item), peak %.0f MB",
            kItems, double(QFileInfo(file).size()) / 1e6, loadMs, firstPaintMs, scrollMs, clearMs,
            rssBefore, rssLoaded, (rssLoaded - rssBefore) * 1048576.0 / kItems,
            StatusMegabytes("VmHWM"));
    }
};

QTEST_MAIN(TestMillion)
#include "tst_million.moc"
