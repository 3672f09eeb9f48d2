// The cached local-time conversions give exactly what QDateTime gives, in zones with summer
// time, half-hour changes, changes at midnight and a skipped day, on the days around every
// change and on ordinary days.

#include <QTest>
#include <QTimeZone>
#include <bit>
#include <cmath>

#include "calendar/local_time.h"
#include "cli/cli_support.h"
#include "model/date_time.h"

using cli_test::SetZone;

class TestLocalTime : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameAsQDateTime_data() {
        QTest::addColumn<QByteArray>("zone");
        for (const char* zone :
             {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "America/Sao_Paulo",
              "Pacific/Apia", "Europe/London", "Asia/Kolkata", "UTC"}) {
            QTest::newRow(zone) << QByteArray(zone);
        }
    }
    void sameAsQDateTime() {
        QFETCH(QByteArray, zone);
        SetZone(zone);
        // The days around each change from 1965 to 2035, and every 97th day between.
        std::vector<QDate> days;
        const QTimeZone tz(zone);
        const QDateTime from(QDate(1965, 1, 1), QTime(0, 0), Qt::UTC);
        const QDateTime to(QDate(2035, 1, 1), QTime(0, 0), Qt::UTC);
        for (const QTimeZone::OffsetData& change : tz.transitions(from, to)) {
            const QDate day = change.atUtc.toTimeZone(tz).date();
            days.insert(days.end(), {day.addDays(-1), day, day.addDays(1)});
        }
        for (QDate day = from.date(); day < to.date(); day = day.addDays(97)) {
            days.push_back(day);
        }
        days.push_back(QDate(100, 1, 1));
        days.push_back(QDate(9999, 12, 31));
        QVERIFY(days.size() > 200);

        // Qt follows the zone just set.
        const QDateTime july(QDate(2024, 7, 1), QTime(12, 0), Qt::LocalTime);
        QCOMPARE(july.offsetFromUtc(), tz.offsetFromUtc(july));

        TLocalTime local;
        int checked = 0;
        for (const QDate& day : days) {
            const double start = QDateToDateTime(day);
            // Every 20 minutes and 7 ms, through the whole day.
            for (int step = 0; step < 24 * 3; ++step) {
                const double value =
                    start + (step * 1200000 + 7 * step) / 86400000.0 * (start < 0 ? -1 : 1);
                TResolvedTime resolved;
                if (!local.Resolve(value, resolved)) {
                    QVERIFY(!DateTimeToQDateTime(value).isValid());
                    continue;
                }
                if (cli_test::AtAChangeOfTheClock(value)) {
                    continue;  // changesOfTheClock
                }
                const QDateTime expected = DateTimeToQDateTime(value);
                QCOMPARE(resolved.UtcSeconds, expected.toSecsSinceEpoch());
                QCOMPARE(resolved.Local,
                         (TCivilTime{expected.date().year(), expected.date().month(),
                                     expected.date().day(), expected.time().hour(),
                                     expected.time().minute(), expected.time().second()}));
                QCOMPARE(
                    std::bit_cast<std::uint64_t>(resolved.LocalSeconds),
                    std::bit_cast<std::uint64_t>(EncodeDateTime(
                        expected.date(), QTime(expected.time().hour(), expected.time().minute(),
                                               expected.time().second()))));
                const double back = local.FromUtcSeconds(resolved.UtcSeconds);
                const double reference = QDateTimeToDateTime(
                    QDateTime::fromSecsSinceEpoch(resolved.UtcSeconds, Qt::UTC));
                QCOMPARE(std::bit_cast<std::uint64_t>(back),
                         std::bit_cast<std::uint64_t>(reference));
                ++checked;
            }
        }
        QVERIFY(checked > 200 * 24 * 3);
    }

    // Where QDateTime gives no answer or one that depends on earlier calls: a time the
    // change skips takes the offset from before it, one that comes twice is the first.
    void changesOfTheClock_data() {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("local");
        QTest::addColumn<QDateTime>("utc");
        const auto at = [](int y, int mo, int d, int h, int mi, Qt::TimeSpec kind) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi), kind);
        };
        const Qt::TimeSpec L = Qt::LocalTime, U = Qt::UTC;
        QTest::newRow("Berlin, skipped") << QByteArray("Europe/Berlin") << at(2024, 3, 31, 2, 30, L)
                                         << at(2024, 3, 31, 1, 30, U);
        QTest::newRow("Berlin, twice") << QByteArray("Europe/Berlin") << at(2024, 10, 27, 2, 30, L)
                                       << at(2024, 10, 27, 0, 30, U);
        QTest::newRow("New York, skipped")
            << QByteArray("America/New_York") << at(2024, 3, 10, 2, 30, L)
            << at(2024, 3, 10, 7, 30, U);
        QTest::newRow("New York, twice") << QByteArray("America/New_York")
                                         << at(2024, 11, 3, 1, 30, L) << at(2024, 11, 3, 5, 30, U);
        QTest::newRow("Lord Howe, half an hour twice")
            << QByteArray("Australia/Lord_Howe") << at(2024, 4, 7, 1, 45, L)
            << at(2024, 4, 6, 14, 45, U);
        QTest::newRow("Lord Howe, half an hour skipped")
            << QByteArray("Australia/Lord_Howe") << at(2024, 10, 6, 2, 15, L)
            << at(2024, 10, 5, 15, 45, U);
        QTest::newRow("Sao Paulo, midnight skipped")
            << QByteArray("America/Sao_Paulo") << at(2018, 11, 4, 0, 30, L)
            << at(2018, 11, 4, 3, 30, U);
        QTest::newRow("Apia, a day skipped")
            << QByteArray("Pacific/Apia") << at(2011, 12, 30, 12, 0, L)
            << at(2011, 12, 30, 22, 0, U);
    }
    void changesOfTheClock() {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, local);
        QFETCH(QDateTime, utc);
        SetZone(zone);
        const double value = EncodeDateTime(local.date(), local.time());
        QVERIFY(cli_test::AtAChangeOfTheClock(value));
        for (int repeat = 0; repeat < 2; ++repeat) {  // the same after other conversions
            TLocalTime converter;
            TResolvedTime resolved;
            QVERIFY(converter.Resolve(value, resolved));
            QCOMPARE(resolved.UtcSeconds, utc.toSecsSinceEpoch());
            QCOMPARE(resolved.Local,
                     (TCivilTime{local.date().year(), local.date().month(), local.date().day(),
                                 local.time().hour(), local.time().minute(), 0}));
            QDateTime(QDate(2024, 7, 1), QTime(12, 0), Qt::LocalTime).toSecsSinceEpoch();
        }
    }

    void noDate() {
        TLocalTime local;
        TResolvedTime resolved;
        for (double value : {std::nan(""), double(INFINITY), 3e6, -7e5}) {
            QVERIFY(!local.Resolve(value, resolved));
        }
    }
};

QTEST_GUILESS_MAIN(TestLocalTime)
#include "tst_local_time.moc"
