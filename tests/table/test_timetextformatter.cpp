#include "table/timetextformatter.h"

#include <QtTest>

#include <ctime>

namespace {

void useTimeZone(const char* rule)
{
    qputenv("TZ", rule);
    tzset();
}

} // namespace

// Each row's text must read exactly as QDateTime writes start + msecs, also
// where the local offset changes.
class TestTimeTextFormatter : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { useTimeZone("UTC0"); }

    void matchesDateTimeAcrossOffsetChanges_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("start");
        const QByteArray central = "CET-1CEST,M3.5.0,M10.5.0/3";
        // 30-minute daylight saving shift.
        const QByteArray lordHowe = "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0";
        QTest::newRow("spring forward") << central << QDateTime(QDate(2024, 3, 30), QTime(22, 0));
        QTest::newRow("fall back") << central << QDateTime(QDate(2024, 10, 26), QTime(23, 0, 7, 3));
        QTest::newRow("start in the skipped hour")
            << central << QDateTime(QDate(2024, 3, 31), QTime(2, 30));
        // Switches 20 and 40 minutes into a UTC hour.
        const QByteArray odd = "<AAA>-1<BBB>,M3.5.0/2:20,M10.5.0/3:40";
        QTest::newRow("odd-minute spring") << odd << QDateTime(QDate(2024, 3, 30), QTime(22, 0));
        QTest::newRow("odd-minute fall") << odd << QDateTime(QDate(2024, 10, 26), QTime(22, 0));
        QTest::newRow("half-hour shift") << lordHowe << QDateTime(QDate(2024, 4, 6), QTime(20, 0));
        QTest::newRow("quarter-hour offset")
            << QByteArray("<+0545>-5:45") << QDateTime(QDate(2024, 12, 31), QTime(23, 0));
        QTest::newRow("before 1970") << central << QDateTime(QDate(1969, 12, 31), QTime(23, 0));
    }

    void matchesDateTimeAcrossOffsetChanges()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, start);
        useTimeZone(zone.constData());
        const QDateTime local(start.date(), start.time());
        const TimeTextFormatter formatter(local);
        // Steps of 7 min 13.7 s over a day, then back again out of order.
        QStringList mismatches;
        const auto check = [&](qint64 ms) {
            if (formatter.text(ms) != local.addMSecs(ms).toString(TimeTextFormatter::format()))
                mismatches.append(QString::number(ms));
        };
        for (qint64 ms = 0; ms < 26LL * 3600 * 1000; ms += 433700)
            check(ms);
        for (qint64 ms = 26LL * 3600 * 1000; ms >= 0; ms -= 1800001)
            check(ms);
        QVERIFY2(mismatches.isEmpty(), qPrintable(mismatches.join(' ')));
    }

    void otherTimeSpecsAndYears()
    {
        useTimeZone("CET-1CEST,M3.5.0,M10.5.0/3");
        const QDateTime utc(QDate(2024, 2, 28), QTime(23, 59, 59, 999), Qt::UTC);
        QCOMPARE(TimeTextFormatter(utc).text(1), QStringLiteral("29/02/2024 00:00:00.000"));
        const QDateTime offset(QDate(2023, 12, 31), QTime(23, 0), Qt::OffsetFromUTC, 5 * 3600);
        QCOMPARE(TimeTextFormatter(offset).text(3600 * 1000 + 42),
                 QStringLiteral("01/01/2024 00:00:00.042"));
        // Years without four digits go the slow way and still match.
        const QDateTime far(QDate(9999, 12, 31), QTime(23, 30));
        QCOMPARE(TimeTextFormatter(far).text(3600 * 1000),
                 far.addMSecs(3600 * 1000).toString(TimeTextFormatter::format()));
        const QDateTime early(QDate(999, 1, 2), QTime(3, 4, 5));
        QCOMPARE(TimeTextFormatter(early).text(6), QStringLiteral("02/01/0999 03:04:05.006"));
        QCOMPARE(TimeTextFormatter(QDateTime()).text(5), QString());
    }
};

QTEST_GUILESS_MAIN(TestTimeTextFormatter)
#include "test_timetextformatter.moc"
