#include "protocol/protocolformat.h"
#include "table/protocolassembly.h"
#include "tests/protocol/protocolfiles.h"
#include "tests/table/fakelookup.h"

#include <QtTest>

#include <ctime>

namespace {

QDateTime utc(int month, int day, int hour, int minute)
{
    return QDateTime(QDate(2024, month, day), QTime(hour, minute), Qt::UTC);
}

// One record of channel A per tick.
ChannelRecords ticks(int count)
{
    QVector<LogRecord> records;
    for (int tick = 0; tick < count; ++tick)
        records.append(protocolfiles::rec(1, quint32(tick), tick));
    return {{QStringLiteral("A"), records}};
}

} // namespace

// Protocols around the changes of summer time, under central European rules.
class TestSummerTime : public QObject
{
    Q_OBJECT

    FakeLookup catalogue;

private slots:
    void initTestCase()
    {
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        catalogue.addChannel("A", 1, QStringLiteral("Ток"));
    }

    void headerTimeInTheSkippedHourIsReadBeforeTheChange()
    {
        // The logger's clock knows no summer time: 02:30 on the day of the
        // change is 02:30 winter time, that is 03:30 summer time.
        ProtocolHeader header;
        header.year = 2024;
        header.month = 3;
        header.day = 31;
        header.hour = 2;
        header.minute = 30;
        QCOMPARE(protocolformat::startOf(header).toUTC(), utc(3, 31, 1, 30));
        header.hour = 1;
        QCOMPARE(protocolformat::startOf(header).toUTC(), utc(3, 31, 0, 30));
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
        QTest::addColumn<int>("offset");        // minutes from the first start to the second
        QTest::addColumn<int>("change");        // first minute after the change
        QTest::addColumn<QStringList>("texts"); // the minutes before and after it
        QTest::newRow("spring") << utc(3, 31, 0, 30).toLocalTime() << 40 << 30
                                << QStringList{"31/03/2024 01:59:00.000",
                                               "31/03/2024 03:00:00.000"};
        QTest::newRow("autumn") << utc(10, 26, 23, 30).toLocalTime() << 100 << 90
                                << QStringList{"27/10/2024 02:59:00.000",
                                               "27/10/2024 02:00:00.000"};
    }

    void protocolsAcrossEitherChangeKeepTicksAndTimeOrder()
    {
        QFETCH(QDateTime, first);
        QFETCH(int, offset);
        QFETCH(int, change);
        QFETCH(QStringList, texts);
        ProtocolAssembly a(catalogue, QDateTime(QDate(2030, 1, 1), QTime()));
        QVERIFY(a.addProtocol(first, 60000, ticks(180)) == ProtocolAssembly::AddResult::Added);
        QVERIFY(a.addProtocol(first.addSecs(offset * 60), 60000, ticks(30)) ==
                ProtocolAssembly::AddResult::Added);
        QVERIFY(a.build());

        QCOMPARE(a.offset(1), offset);
        QCOMPARE(QStringList({a.timeText(0, change - 1), a.timeText(0, change)}), texts);
        qint64 previous = std::numeric_limits<qint64>::min();
        for (int row = 0; row < a.rowCount(); ++row) {
            const ProtocolAssembly::RowRef ref = a.rowAt(row);
            if (ref.protocol == 0)
                QCOMPARE(a.globalTick(0, ref.record), ref.record);
            // Rows follow real time, wherever the wall clock jumps.
            QVERIFY(a.msecsSinceEpoch(ref.protocol, ref.record) >= previous);
            previous = a.msecsSinceEpoch(ref.protocol, ref.record);
        }
        QCOMPARE(a.rowAt(offset + 1).protocol, 1);
    }
};

QTEST_GUILESS_MAIN(TestSummerTime)
#include "test_summertime.moc"
