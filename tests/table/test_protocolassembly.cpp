#include "table/protocolassembly.h"

#include "chartdata/channelseries.h"

#include "tests/table/fakelookup.h"
#include "tests/zonescope.h"

#include <QtTest>

#include <initializer_list>
#include <utility>

namespace {

using Rows = QVector<QPair<int, int>>;

QVector<LogRecord> records(quint8 id, std::initializer_list<std::pair<quint32, qint32>> points)
{
    QVector<LogRecord> result;
    for (const auto& point : points)
        result.append(LogRecord{id, point.first, point.second});
    return result;
}

QDateTime at(int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(2024, month, day), QTime(hour, minute, second));
}

const QDateTime now(QDate(2030, 1, 1), QTime(0, 0));
const QDateTime start = at(5, 10, 12, 0, 0);

QString cellText(const ProtocolAssembly& a, int protocol, int channel, int record,
                 bool* isText = nullptr)
{
    ProtocolAssembly::Cell cell;
    if (!a.cell(protocol, channel, record, cell))
        return QStringLiteral("<none>");
    if (isText)
        *isText = cell.isText;
    return cell.text;
}

// The points a chart channel reads from the assembly.
ChannelSeries pairs(const AssembledChannel& channel)
{
    ChannelSeries points;
    for (std::size_t i = 0; i < channel.series.size(); ++i)
        points.emplace_back(channel.series.x(i), channel.series.y(i));
    return points;
}

// (protocol, record) of every row in table order.
Rows rowOrder(const ProtocolAssembly& a)
{
    Rows rows;
    for (int row = 0; row < a.rowCount(); ++row)
        rows.append({a.rowAt(row).protocol, a.rowAt(row).record});
    return rows;
}

} // namespace

class TestProtocolAssembly : public QObject
{
    Q_OBJECT

    FakeLookup catalogue;

private slots:
    void init()
    {
        catalogue = FakeLookup();
        catalogue.addChannel("A", 1, QStringLiteral("Ток"), 0);
        catalogue.addChannel("B", 2, QStringLiteral("Напряжение"), 1);
        catalogue.addChannel("C", 3, QStringLiteral("Режим"), 0);
    }

    // Files weeks apart at a millisecond tick: offsets and global ticks past
    // 2^32, and rows in time order past 2^32 ms.
    void ticksAndTimesPast32Bits_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDate>("day");         // the earlier file starts at 12:00 local time
        QTest::addColumn<qint64>("hoursApart"); // elapsed hours to the later file
        QTest::newRow("utc") << QByteArray("UTC") << QDate(2024, 5, 10) << qint64(60 * 24);
        // Sixty calendar days over a change of summer time are an hour more
        // or less of elapsed time, which is what ticks count.
        QTest::newRow("over the spring change")
            << QByteArray("Europe/Berlin") << QDate(2024, 2, 20) << qint64(60 * 24 - 1);
        QTest::newRow("over the autumn change")
            << QByteArray("Europe/Berlin") << QDate(2024, 9, 20) << qint64(60 * 24 + 1);
    }

    void ticksAndTimesPast32Bits()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDate, day);
        QFETCH(qint64, hoursApart);
        const ZoneScope scope(zone.constData());
        const QDateTime first(day, QTime(12, 0));
        const QDateTime later(day.addDays(60), QTime(12, 0));
        ProtocolAssembly a(catalogue, now);
        QCOMPARE(a.addProtocol(later, 1, {{"A", records(1, {{0, 1}, {5, 2}})}}),
                 ProtocolAssembly::AddResult::Added);
        QCOMPARE(a.addProtocol(first, 1, {{"A", records(1, {{0, 3}, {0xFFFFFFF0u, 4}})}}),
                 ProtocolAssembly::AddResult::Added);
        QVERIFY(a.build());
        const qint64 gap = hoursApart * 3600000;
        QCOMPARE(a.offset(0), gap);
        QCOMPARE(a.globalTick(0, 1), gap + 5);
        QCOMPARE(a.globalTick(1, 1), qint64(0xFFFFFFF0u));
        QCOMPARE(a.dateTime(0, 1), later.addMSecs(5));
        QCOMPARE(a.dateTime(1, 1), first.addMSecs(0xFFFFFFF0u));
        // 0xFFFFFFF0 ms are 49.7 days: the second file's last row comes
        // before the first file.
        QCOMPARE(rowOrder(a), (Rows{{1, 0}, {1, 1}, {0, 0}, {0, 1}}));
        QCOMPARE(pairs(a.channels()[0]), ChannelSeries({{gap, 1.0}, {gap + 5, 2.0}}));
        QCOMPARE(pairs(a.channels()[1]), ChannelSeries({{0, 3.0}, {0xFFFFFFF0u, 4.0}}));
    }

    void oneFileGivesColumnsRowsAndTicks()
    {
        ProtocolAssembly a(catalogue, now);
        QCOMPARE(a.addProtocol(start, 100,
                               {{"A", records(1, {{0, 10}, {1, 11}, {5, 12}})},
                                {"B", records(2, {{0, 20}, {1, 21}, {5, 22}})}}),
                 ProtocolAssembly::AddResult::Added);
        QVERIFY(a.build());

        QCOMPARE(a.codes(), QStringList({"A", "B"}));
        QCOMPARE(a.titles(),
                 QStringList({QStringLiteral("Ток (A)"), QStringLiteral("Напряжение (B)")}));
        QCOMPARE(a.commonStart(), start);
        QCOMPARE(a.tickMs(), quint16(100));
        QCOMPARE(a.rowCount(), 3);
        QCOMPARE(a.globalTick(0, 2), 5);
        QCOMPARE(a.timeText(0, 2), QStringLiteral("10/05/2024 12:00:00.500"));
        QCOMPARE(a.dateTime(0, 2), start.addMSecs(500));
        QCOMPARE(a.msecsSinceEpoch(0, 2), start.toMSecsSinceEpoch() + 500);
        QCOMPARE(a.column(0, 0), 2);
        QCOMPARE(a.column(0, 1), 3);
        QCOMPARE(cellText(a, 0, 1, 1), QStringLiteral("2.1"));
        QCOMPARE(pairs(a.channels()[1]), ChannelSeries({{0, 2.0}, {1, 2.1}, {5, 2.2}}));
    }

    void overlappingFilesInterleaveAndJoinRanges()
    {
        ProtocolAssembly a(catalogue, now);
        a.addProtocol(start, 100, {{"A", records(1, {{0, 1}, {1, 2}, {2, 3}})}});
        // 250 ms later: 2.5 ticks, truncated to an offset of 2.
        a.addProtocol(start.addMSecs(250), 100, {{"A", records(1, {{0, 50}, {1, -40}})}});
        QVERIFY(a.build());

        QCOMPARE(a.codes(), QStringList({"A"}));
        QCOMPARE(a.offset(1), 2);
        QCOMPARE(a.globalTick(1, 1), 3);
        // Times 0, 100, 200 and 250, 350 ms.
        QCOMPARE(rowOrder(a), (Rows{{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}}));
        QCOMPARE(a.tableRow(1, 0), 3);
        QCOMPARE(a.timeText(1, 1), QStringLiteral("10/05/2024 12:00:00.350"));
        QCOMPARE(pairs(a.channels()[1]), ChannelSeries({{2, 50.0}, {3, -40.0}}));
        QCOMPARE(a.channels().size(), size_t(2));
        for (int i = 0; i < 2; ++i) {
            const AssembledChannel& channel = a.channels()[i];
            QCOMPARE(channel.protocol, i);
            QCOMPARE(channel.title, QStringLiteral("Ток (A)"));
            QCOMPARE(channel.minimum, -40.0);
            QCOMPARE(channel.maximum, 50.0);
        }
    }

    void differentChannelSetsLeaveCellsEmpty()
    {
        ProtocolAssembly a(catalogue, now);
        a.addProtocol(start, 100, {{"C", records(3, {{0, 1}})}, {"B", records(2, {{0, 2}})}});
        a.addProtocol(start.addSecs(1), 100,
                      {{"B", records(2, {{0, 3}})}, {"A", records(1, {{0, 4}})}});
        QVERIFY(a.build());

        // First seen: file order, ascending code within a file.
        QCOMPARE(a.codes(), QStringList({"B", "C", "A"}));
        QCOMPARE(a.channelCount(1), 2);
        QCOMPARE(a.column(1, 0), 4);
        QCOMPARE(a.column(1, 1), 2);
        QCOMPARE(cellText(a, 1, 0, 0), QStringLiteral("4"));
        QCOMPARE(cellText(a, 1, 1, 0), QStringLiteral("0.3"));
        QStringList channelCodes;
        for (const AssembledChannel& channel : a.channels())
            channelCodes.append(channel.code);
        QCOMPARE(channelCodes, QStringList({"B", "C", "A", "B"}));
    }

    void unusableOrMismatchedFilesAreNotAdded()
    {
        using R = ProtocolAssembly::AddResult;
        ProtocolAssembly a(catalogue, now);
        const QVector<LogRecord> one = records(1, {{0, 1}});
        QCOMPARE(a.addProtocol(start, 100, ChannelRecords()), R::Skipped);
        // No tick length: no time base, and no mismatch against the next file.
        QCOMPARE(a.addProtocol(start, 0, {{"A", one}}), R::Skipped);
        // An invalid start would otherwise be taken as the earliest and zero every offset.
        QCOMPARE(a.addProtocol(QDateTime(QDate(2024, 13, 40), QTime(0, 0)), 100, {{"A", one}}),
                 R::Skipped);
        QCOMPARE(a.protocolCount(), 0);
        QVERIFY(a.codes().isEmpty());
        QCOMPARE(a.addProtocol(start, 200, {{"A", one}}), R::Added);
        QCOMPARE(a.tickMs(), quint16(200));
        QCOMPARE(a.addProtocol(start, 500, {{"A", one}}), R::TickMismatch);
        QCOMPARE(a.protocolCount(), 1);
    }

    void numberCells_data()
    {
        QTest::addColumn<int>("raw");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("RATE 2") << 12345 << 2 << "123.45" << 123.45;
        QTest::newRow("every digit") << 1234567 << 0 << "1234567" << 1234567.0;
        QTest::newRow("every digit at RATE 3") << 2147483647 << 3 << "2147483.647" << 2147483.647;
        QTest::newRow("negative") << -5 << 1 << "-0.5" << -0.5;
        QTest::newRow("small") << 7 << 6 << "7e-06" << 7e-06;
        QTest::newRow("zero") << 0 << 3 << "0" << 0.0;
    }

    void numberCells()
    {
        QFETCH(int, raw);
        QFETCH(int, rate);
        catalogue.addChannel("A", 1, "A", rate);
        ProtocolAssembly a(catalogue, now);
        a.addProtocol(start, 100, {{"A", records(1, {{0, raw}})}});
        QVERIFY(a.build());
        bool isText = true;
        QTEST(cellText(a, 0, 0, 0, &isText), "text");
        QVERIFY(!isText);
        QTEST(a.channels()[0].series.y(0), "value");
    }

    void oneCodeWithSeveralIdsTakesEachRecordsRate()
    {
        catalogue.rates[1] = 1;
        catalogue.rates[5] = 3;
        ProtocolAssembly a(catalogue, now);
        a.addProtocol(
            start, 100,
            {{"A", {LogRecord{1, 0, 12345}, LogRecord{5, 1, 12345}, LogRecord{1, 2, -12345}}}});
        QVERIFY(a.build());
        QCOMPARE(cellText(a, 0, 0, 0), QStringLiteral("1234.5"));
        QCOMPARE(cellText(a, 0, 0, 1), QStringLiteral("12.345"));
        QCOMPARE(cellText(a, 0, 0, 2), QStringLiteral("-1234.5"));
        QCOMPARE(pairs(a.channels()[0]), ChannelSeries({{0, 1234.5}, {1, 12.345}, {2, -1234.5}}));
        QCOMPARE(a.channels()[0].minimum, -1234.5);
        QCOMPARE(a.channels()[0].maximum, 1234.5);
    }

    void refsTextCellKeepsNumericSeries()
    {
        catalogue.addRef("C", 1, QStringLiteral("Вкл"));
        catalogue.addRef("C", 2, QString()); // an empty text shows the number
        ProtocolAssembly a(catalogue, now);
        a.addProtocol(start, 100, {{"C", records(3, {{0, 1}, {1, 2}, {2, 3}})}});
        QVERIFY(a.build());
        const QStringList texts{QStringLiteral("Вкл"), "2", "3"};
        for (int record = 0; record < 3; ++record) {
            bool isText = false;
            QCOMPARE(cellText(a, 0, 0, record, &isText), texts[record]);
            QCOMPARE(isText, record == 0);
        }
        QCOMPARE(pairs(a.channels()[0]), ChannelSeries({{0, 1.0}, {1, 2.0}, {2, 3.0}}));
    }

    void flatEmptyAndUnknownChannels()
    {
        ProtocolAssembly a(catalogue, now);
        a.addProtocol(start, 100,
                      {{"", records(77, {{0, 125}})},
                       {"A", records(1, {{0, 0}, {1, 0}})},
                       {"B", records(2, {{0, 75}, {1, 75}})},
                       {"C", records(3, {})}});
        QVERIFY(a.build());
        QCOMPARE(a.titles().first(), QStringLiteral(" ()"));
        QCOMPARE(cellText(a, 0, 0, 0), QStringLiteral("125"));
        // Flat channels get a range; one without records counts as flat at 0.
        const QVector<QPair<double, double>> ranges{{-0.5, 1.0}, {6.5, 8.5}, {-0.5, 1.0}};
        for (int i = 0; i < ranges.size(); ++i) {
            QCOMPARE(a.channels()[i + 1].minimum, ranges[i].first);
            QCOMPARE(a.channels()[i + 1].maximum, ranges[i].second);
        }
    }

    void unknownIdsEachGetAColumnOfRawValues()
    {
        // Two files with channels the definition lacks: one column per ID,
        // titled by it, over both files; raw values whatever RATE the ID had.
        const auto columns = [](std::vector<ChannelColumn> channels) {
            ProtocolColumns result;
            result.ticks = {0, 1};
            result.channels = std::move(channels);
            return result;
        };
        ProtocolAssembly a(catalogue, now);
        catalogue.rates.insert(20, 3);
        a.addProtocol(start, 100,
                      columns({{"A", 1, {5, 6}, {}, false},
                               {unknownIdCode(20), 20, {1234, 1235}, {}, true},
                               {unknownIdCode(21), 21, {-7, -8}, {}, true}}),
                      QStringLiteral("/p/first.log"));
        a.addProtocol(start.addSecs(1), 100, columns({{unknownIdCode(21), 21, {9, 9}, {}, true}}),
                      QStringLiteral("/p/second.log"));
        catalogue.rates.remove(20);
        QVERIFY(a.build());
        QCOMPARE(a.titles(), (QStringList{"Ток (A)", "ID 20", "ID 21"}));
        QCOMPARE(cellText(a, 0, 1, 0), QStringLiteral("1234"));
        QCOMPARE(cellText(a, 0, 2, 1), QStringLiteral("-8"));
        QCOMPARE(a.column(1, 0), a.column(0, 2));
        QCOMPARE(a.protocolFile(0), QStringLiteral("/p/first.log"));
        QCOMPARE(a.protocolFile(1), QStringLiteral("/p/second.log"));
    }

    void monthBoundaryAndFutureStartSortChronologically()
    {
        ProtocolAssembly a(catalogue, now);
        // Read the later file first; a text sort would put 01/02 before 31/01.
        a.addProtocol(at(2, 1, 0, 0, 0), 1000, {{"A", records(1, {{0, 1}, {1, 2}})}});
        a.addProtocol(at(1, 31, 23, 59, 59), 1000, {{"A", records(1, {{0, 3}, {2, 4}})}});
        QVERIFY(a.build());
        QCOMPARE(a.offset(0), 1);
        QStringList texts;
        for (int row = 0; row < a.rowCount(); ++row)
            texts.append(a.timeText(a.rowAt(row).protocol, a.rowAt(row).record));
        QCOMPARE(texts, QStringList({"31/01/2024 23:59:59.000", "01/02/2024 00:00:00.000",
                                     "01/02/2024 00:00:01.000", "01/02/2024 00:00:01.000"}));
        // Equal times keep file order.
        QCOMPARE(rowOrder(a), (Rows{{1, 0}, {0, 0}, {0, 1}, {1, 1}}));

        ProtocolAssembly future(catalogue, now);
        future.addProtocol(now.addSecs(10), 1000, {{"A", records(1, {{0, 1}})}});
        QCOMPARE(future.commonStart(), now);
        future.addProtocol(now.addSecs(-5), 1000, {{"A", records(1, {{0, 1}})}});
        QVERIFY(future.build());
        QCOMPARE(future.commonStart(), now.addSecs(-5));
        QCOMPARE(future.offset(0), 15);
    }

    void unorderedTicksAndShortChannels()
    {
        ProtocolAssembly a(catalogue, now);
        a.addProtocol(start, 100,
                      {{"A", records(1, {{3, 7}, {0, 7}, {1, 7}})}, {"B", records(2, {{3, 1}})}});
        QVERIFY(a.build());
        QCOMPARE(rowOrder(a), (Rows{{0, 1}, {0, 2}, {0, 0}}));
        QCOMPARE(pairs(a.channels()[0]), ChannelSeries({{3, 7.0}, {0, 7.0}, {1, 7.0}}));
        // The short channel loses only its missing cells.
        QCOMPARE(cellText(a, 0, 1, 0), QStringLiteral("0.1"));
        QCOMPARE(cellText(a, 0, 1, 2), QStringLiteral("<none>"));
        QCOMPARE(a.channels()[1].series.size(), size_t(1));
    }

    void cancelledBuildLeavesNothing()
    {
        ProtocolAssembly a(catalogue, now);
        a.addProtocol(start, 100, {{"A", records(1, {{0, 1}})}});
        a.addProtocol(start, 100, {{"B", records(2, {{0, 1}})}});
        QVector<int> asked;
        QVERIFY(!a.build([&](int protocol) {
            asked.append(protocol);
            return protocol == 0;
        }));
        QCOMPARE(asked, QVector<int>({0, 1}));
        QVERIFY(!a.isBuilt());
        QCOMPARE(a.rowCount(), 0);
        QVERIFY(a.channels().empty());
        QVERIFY(a.timeOrder().empty());
        // A later build starts from scratch.
        QVERIFY(a.build());
        QCOMPARE(a.rowCount(), 2);
        QCOMPARE(a.channels().size(), size_t(2));
    }

    void seriesReadTheColumnsInPlace()
    {
        ProtocolAssembly a(catalogue, now);
        a.addProtocol(start, 100,
                      {{"A", records(1, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}})},
                       {"B", records(2, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}})}});
        QVERIFY(a.build());
        const ColumnSeries& first = a.channels()[0].series;
        const ColumnSeries& second = a.channels()[1].series;
        QCOMPARE(first.size(), size_t(5));
        // One tick column per protocol, shared by its channels.
        QCOMPARE(first.ticks, second.ticks);
        QVERIFY(first.values != second.values);
        // Four bytes per cell and per row tick, four more per row for the order.
        QCOMPARE(a.dataBytes(), qint64(5 * 4 * 2 + 5 * 4 + 5 * 4));
    }
};

QTEST_GUILESS_MAIN(TestProtocolAssembly)
#include "test_protocolassembly.moc"
