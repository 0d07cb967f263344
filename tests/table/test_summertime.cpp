#include "protocol/protocolformat.h"
#include "table/protocolassembly.h"
#include "tests/protocol/protocolfiles.h"
#include "tests/table/fakelookup.h"

#include <QtTest>

#include <ctime>

namespace {

void useTimeZone(const char* rule)
{
    qputenv("TZ", rule);
    tzset();
}

QDateTime utc(int month, int day, int hour, int minute)
{
    return QDateTime(QDate(2024, month, day), QTime(hour, minute), Qt::UTC);
}

// One record of channel A per minute.
ChannelRecords minutes(int count)
{
    QVector<LogRecord> records;
    for (int tick = 0; tick < count; ++tick)
        records.append(protocolfiles::rec(1, quint32(tick), tick));
    return {{QStringLiteral("A"), records}};
}

} // namespace

// Protocols whose header times or records lie around a change of summer
// time, in a zone that has them (central European rules).
class TestSummerTime : public QObject
{
    Q_OBJECT

    FakeLookup catalogue;

private slots:
    void initTestCase()
    {
        useTimeZone("CET-1CEST,M3.5.0,M10.5.0/3");
        catalogue.addChannel("A", 1, QStringLiteral("Ток"));
    }
    void cleanupTestCase() { useTimeZone("UTC0"); }

    void headerTimeInTheSkippedHourIsReadBeforeTheChange()
    {
        // The logger's clock knows no summer time: 02:30 on the day of the
        // change is 02:30 at the winter offset, that is 03:30 summer time.
        const auto start = [](int hour, int minute) {
            ProtocolHeader header;
            header.year = 2024;
            header.month = 3;
            header.day = 31;
            header.hour = quint8(hour);
            header.minute = quint8(minute);
            return protocolformat::startOf(header);
        };
        QCOMPARE(start(2, 30).toUTC(), utc(3, 31, 1, 30));
        QCOMPARE(start(2, 0).toUTC(), utc(3, 31, 1, 0));
        QCOMPARE(start(2, 30).time(), QTime(3, 30));
        // Times outside the gap are left as they are.
        QCOMPARE(start(1, 59).toUTC(), utc(3, 31, 0, 59));
        QCOMPARE(start(3, 0).toUTC(), utc(3, 31, 1, 0));
    }

    void headerTimeInTheRepeatedHourIsAlwaysItsFirstOccurrence()
    {
        // 02:30 on 27/10 happens twice; which one the C library picked used
        // to follow the conversions done before.
        ProtocolHeader header;
        header.year = 2024;
        header.month = 10;
        header.day = 27;
        header.hour = 2;
        header.minute = 30;
        const QDateTime conversions[] = {QDateTime(QDate(2024, 12, 1), QTime(12, 0)),
                                         QDateTime(QDate(2024, 7, 1), QTime(12, 0)),
                                         QDateTime(QDate(2024, 10, 27), QTime(2, 10))};
        for (const QDateTime& before : conversions) {
            (void)before.toMSecsSinceEpoch();
            QCOMPARE(protocolformat::startOf(header).toUTC(), utc(10, 27, 0, 30));
        }
    }

    void protocolsAcrossEitherChangeKeepTicksAndTimeOrder_data()
    {
        QTest::addColumn<QDateTime>("first");
        QTest::addColumn<QDateTime>("second");
        QTest::addColumn<int>("secondOffset"); // minutes between the starts
        QTest::addColumn<int>("change");       // first record after the change
        QTest::addColumn<QString>("beforeChange");
        QTest::addColumn<QString>("afterChange");
        // 01:30 winter time, and 03:10 summer time 40 minutes later.
        QTest::newRow("spring") << utc(3, 31, 0, 30).toLocalTime()
                                << utc(3, 31, 1, 10).toLocalTime() << 40 << 30
                                << "31/03/2024 01:59:00.000"
                                << "31/03/2024 03:00:00.000";
        // 01:30 summer time, and 02:10 winter time 100 minutes later.
        QTest::newRow("autumn") << utc(10, 26, 23, 30).toLocalTime()
                                << utc(10, 27, 1, 10).toLocalTime() << 100 << 90
                                << "27/10/2024 02:59:00.000"
                                << "27/10/2024 02:00:00.000";
    }

    void protocolsAcrossEitherChangeKeepTicksAndTimeOrder()
    {
        QFETCH(QDateTime, first);
        QFETCH(QDateTime, second);
        QFETCH(int, secondOffset);
        QFETCH(int, change);
        QFETCH(QString, beforeChange);
        QFETCH(QString, afterChange);

        ProtocolAssembly a(catalogue, QDateTime(QDate(2030, 1, 1), QTime()));
        QCOMPARE(a.addProtocol(first, 60000, minutes(180)), ProtocolAssembly::AddResult::Added);
        QCOMPARE(a.addProtocol(second, 60000, minutes(30)), ProtocolAssembly::AddResult::Added);
        QVERIFY(a.build());

        QCOMPARE(a.offset(1), secondOffset);
        QCOMPARE(a.timeText(0, change - 1), beforeChange);
        QCOMPARE(a.timeText(0, change), afterChange);
        for (int record = 0; record < 180; ++record)
            QCOMPARE(a.globalTick(0, record), record);
        // Rows follow real time, wherever the wall clock jumps.
        qint64 previous = std::numeric_limits<qint64>::min();
        for (int row = 0; row < a.rowCount(); ++row) {
            const ProtocolAssembly::RowRef ref = a.rowAt(row);
            const qint64 msecs = a.msecsSinceEpoch(ref.protocol, ref.record);
            QVERIFY2(msecs >= previous, qPrintable(QString::number(row)));
            previous = msecs;
        }
        QCOMPARE(a.rowAt(secondOffset + 1).protocol, 1);
    }
};

QTEST_GUILESS_MAIN(TestSummerTime)
#include "test_summertime.moc"
