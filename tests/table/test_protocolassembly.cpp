#include "table/protocolassembly.h"

#include "tests/table/fakelookup.h"

#include <QtTest>

#include <initializer_list>
#include <utility>

namespace {

QVector<LogRecord> records(quint8 id, std::initializer_list<std::pair<quint32, qint32>> points)
{
    QVector<LogRecord> result;
    for (const auto& point : points)
        result.append(LogRecord{id, point.first, point.second});
    return result;
}

QDateTime at(int year, int month, int day, int hour, int minute, int second, int ms = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms));
}

const QDateTime now = at(2030, 1, 1, 0, 0, 0);

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

// (protocol, record) of every row in table order.
QVector<QPair<int, int>> rowOrder(const ProtocolAssembly& a)
{
    QVector<QPair<int, int>> rows;
    for (int row = 0; row < a.rowCount(); ++row)
        rows.append({a.rowAt(row).protocol, a.rowAt(row).record});
    return rows;
}

} // namespace

class TestProtocolAssembly : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void oneFileGivesColumnsRowsAndTicks();
    void overlappingFilesInterleaveAndJoinRanges();
    void differentChannelSetsLeaveCellsEmpty();
    void unusableOrMismatchedFilesAreNotAdded();
    void numberCells_data();
    void numberCells();
    void refsTextCellKeepsNumericSeries();
    void flatChannelsGetARange();
    void unknownIdsFormAnUntitledColumn();
    void monthBoundarySortsChronologically();
    void rowsOfUnorderedTicksSortStably();
    void futureStartIsNotTheCommonStart();
    void shortChannelLosesOnlyItsCells();
    void cancelledBuildLeavesNothing();
    void seriesAreReservedExactlyAndHandedOver();

private:
    FakeLookup catalogue;
};

void TestProtocolAssembly::init()
{
    catalogue = FakeLookup();
    catalogue.addChannel("A", 1, QStringLiteral("Ток"), 0);
    catalogue.addChannel("B", 2, QStringLiteral("Напряжение"), 1);
    catalogue.addChannel("C", 3, QStringLiteral("Режим"), 0);
}

void TestProtocolAssembly::oneFileGivesColumnsRowsAndTicks()
{
    ProtocolAssembly a(catalogue, now);
    const QDateTime start = at(2024, 5, 10, 12, 0, 0);
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
    QCOMPARE(a.offset(0), 0);
    QCOMPARE(a.globalTick(0, 2), 5);
    QCOMPARE(a.timeText(0, 2), QStringLiteral("10/05/2024 12:00:00.500"));
    QCOMPARE(a.dateTime(0, 2), start.addMSecs(500));
    QCOMPARE(a.msecsSinceEpoch(0, 2), start.toMSecsSinceEpoch() + 500);
    QCOMPARE(a.column(0, 0), 2);
    QCOMPARE(a.column(0, 1), 3);
    QCOMPARE(cellText(a, 0, 0, 1), QStringLiteral("11"));
    QCOMPARE(cellText(a, 0, 1, 1), QStringLiteral("2.1"));
    QCOMPARE(a.channels().size(), size_t(2));
    QCOMPARE(*a.channels()[1].series, ChannelSeries({{0, 2.0}, {1, 2.1}, {5, 2.2}}));
}

void TestProtocolAssembly::overlappingFilesInterleaveAndJoinRanges()
{
    ProtocolAssembly a(catalogue, now);
    const QDateTime first = at(2024, 5, 10, 12, 0, 0);
    // 250 ms later: 2.5 ticks, truncated to an offset of 2.
    QCOMPARE(a.addProtocol(first, 100, {{"A", records(1, {{0, 1}, {1, 2}, {2, 3}})}}),
             ProtocolAssembly::AddResult::Added);
    QCOMPARE(a.addProtocol(first.addMSecs(250), 100, {{"A", records(1, {{0, 50}, {1, -40}})}}),
             ProtocolAssembly::AddResult::Added);
    QVERIFY(a.build());

    QCOMPARE(a.codes(), QStringList({"A"}));
    QCOMPARE(a.offset(1), 2);
    QCOMPARE(a.globalTick(1, 1), 3);
    // Times 0, 100, 200 and 250, 350 ms.
    QCOMPARE(rowOrder(a), (QVector<QPair<int, int>>{{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}}));
    QCOMPARE(a.tableRow(1, 0), 3);
    QCOMPARE(a.timeText(1, 1), QStringLiteral("10/05/2024 12:00:00.350"));
    QCOMPARE(*a.channels()[1].series, ChannelSeries({{2, 50.0}, {3, -40.0}}));

    const auto& channels = a.channels();
    QCOMPARE(channels.size(), size_t(2));
    for (const AssembledChannel& channel : channels) {
        QCOMPARE(channel.title, QStringLiteral("Ток (A)"));
        QCOMPARE(channel.minimum, -40.0);
        QCOMPARE(channel.maximum, 50.0);
    }
    QCOMPARE(channels[0].protocol, 0);
    QCOMPARE(channels[1].protocol, 1);
}

void TestProtocolAssembly::differentChannelSetsLeaveCellsEmpty()
{
    ProtocolAssembly a(catalogue, now);
    const QDateTime start = at(2024, 5, 10, 12, 0, 0);
    a.addProtocol(start, 100, {{"C", records(3, {{0, 1}})}, {"B", records(2, {{0, 2}})}});
    a.addProtocol(start.addSecs(1), 100,
                  {{"B", records(2, {{0, 3}})}, {"A", records(1, {{0, 4}})}});
    QVERIFY(a.build());

    // First seen: file order, ascending code within a file.
    QCOMPARE(a.codes(), QStringList({"B", "C", "A"}));
    QCOMPARE(a.channelCount(1), 2);
    QCOMPARE(a.column(1, 0), 4); // A
    QCOMPARE(a.column(1, 1), 2); // B
    // The second file's row has cells in columns 2 and 4 only.
    QCOMPARE(cellText(a, 1, 0, 0), QStringLiteral("4"));
    QCOMPARE(cellText(a, 1, 1, 0), QStringLiteral("0.3"));
    QStringList channelCodes;
    for (const AssembledChannel& channel : a.channels())
        channelCodes.append(channel.code);
    QCOMPARE(channelCodes, QStringList({"B", "C", "A", "B"}));
}

void TestProtocolAssembly::unusableOrMismatchedFilesAreNotAdded()
{
    ProtocolAssembly a(catalogue, now);
    const QDateTime start = at(2024, 5, 10, 12, 0, 0);
    QCOMPARE(a.addProtocol(start, 100, {}), ProtocolAssembly::AddResult::Skipped);
    // No tick length: no time base, and no mismatch against the next file.
    QCOMPARE(a.addProtocol(start, 0, {{"A", records(1, {{0, 1}})}}),
             ProtocolAssembly::AddResult::Skipped);
    // An invalid start would otherwise be taken as the earliest and zero every offset.
    QCOMPARE(a.addProtocol(QDateTime(QDate(2024, 13, 40), QTime(0, 0)), 100,
                           {{"C", records(3, {{0, 1}})}}),
             ProtocolAssembly::AddResult::Skipped);
    QCOMPARE(a.protocolCount(), 0);
    QVERIFY(a.codes().isEmpty());
    QCOMPARE(a.addProtocol(start, 200, {{"A", records(1, {{0, 1}})}}),
             ProtocolAssembly::AddResult::Added);
    QCOMPARE(a.commonStart(), start);
    QCOMPARE(a.tickMs(), quint16(200));
    QCOMPARE(a.addProtocol(start, 500, {{"A", records(1, {{0, 1}})}}),
             ProtocolAssembly::AddResult::TickMismatch);
    QCOMPARE(a.protocolCount(), 1);
}

void TestProtocolAssembly::numberCells_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("RATE 2") << 12345 << 2 << "123.45" << 123.45;
    QTest::newRow("exponent form") << 1234567 << 0 << "1.23457e+06" << 1234567.0;
    QTest::newRow("negative") << -5 << 1 << "-0.5" << -0.5;
    QTest::newRow("small") << 7 << 6 << "7e-06" << 7e-06;
    QTest::newRow("zero") << 0 << 3 << "0" << 0.0;
}

void TestProtocolAssembly::numberCells()
{
    QFETCH(int, raw);
    QFETCH(int, rate);
    QFETCH(QString, text);
    QFETCH(double, value);
    catalogue.addChannel("A", 1, "A", rate);
    ProtocolAssembly a(catalogue, now);
    a.addProtocol(at(2024, 5, 10, 12, 0, 0), 100, {{"A", records(1, {{0, raw}})}});
    QVERIFY(a.build());
    bool isText = true;
    QCOMPARE(cellText(a, 0, 0, 0, &isText), text);
    QVERIFY(!isText);
    QCOMPARE(a.channels()[0].series->front().second, value);
}

void TestProtocolAssembly::refsTextCellKeepsNumericSeries()
{
    catalogue.addRef("C", 1, QStringLiteral("Вкл"));
    catalogue.addRef("C", 2, QString()); // an empty text shows the number
    ProtocolAssembly a(catalogue, now);
    a.addProtocol(at(2024, 5, 10, 12, 0, 0), 100, {{"C", records(3, {{0, 1}, {1, 2}, {2, 3}})}});
    QVERIFY(a.build());
    bool isText = false;
    QCOMPARE(cellText(a, 0, 0, 0, &isText), QStringLiteral("Вкл"));
    QVERIFY(isText);
    QCOMPARE(cellText(a, 0, 0, 1, &isText), QStringLiteral("2"));
    QVERIFY(!isText);
    QCOMPARE(cellText(a, 0, 0, 2, &isText), QStringLiteral("3"));
    QVERIFY(!isText);
    QCOMPARE(*a.channels()[0].series, ChannelSeries({{0, 1.0}, {1, 2.0}, {2, 3.0}}));
}

void TestProtocolAssembly::flatChannelsGetARange()
{
    catalogue.addChannel("B", 2, "B", 1);
    ProtocolAssembly a(catalogue, now);
    a.addProtocol(at(2024, 5, 10, 12, 0, 0), 100,
                  {{"A", records(1, {{0, 0}, {1, 0}})},
                   {"B", records(2, {{0, 75}, {1, 75}})},
                   {"C", records(3, {})}});
    QVERIFY(a.build());
    const auto& channels = a.channels();
    QCOMPARE(channels[0].minimum, -0.5);
    QCOMPARE(channels[0].maximum, 1.0);
    QCOMPARE(channels[1].minimum, 6.5);
    QCOMPARE(channels[1].maximum, 8.5);
    // A channel without records counts as flat at 0.
    QCOMPARE(channels[2].minimum, -0.5);
    QCOMPARE(channels[2].maximum, 1.0);
}

void TestProtocolAssembly::unknownIdsFormAnUntitledColumn()
{
    ProtocolAssembly a(catalogue, now);
    a.addProtocol(at(2024, 5, 10, 12, 0, 0), 100,
                  {{"", records(77, {{0, 125}})}, {"A", records(1, {{0, 1}})}});
    QVERIFY(a.build());
    QCOMPARE(a.titles(), QStringList({" ()", QStringLiteral("Ток (A)")}));
    QCOMPARE(cellText(a, 0, 0, 0), QStringLiteral("125"));
}

void TestProtocolAssembly::monthBoundarySortsChronologically()
{
    ProtocolAssembly a(catalogue, now);
    // Read the later file first; a text sort would put 01/02 before 31/01.
    a.addProtocol(at(2024, 2, 1, 0, 0, 0), 1000, {{"A", records(1, {{0, 1}, {1, 2}})}});
    a.addProtocol(at(2024, 1, 31, 23, 59, 59), 1000, {{"A", records(1, {{0, 3}, {2, 4}})}});
    QVERIFY(a.build());
    QCOMPARE(a.commonStart(), at(2024, 1, 31, 23, 59, 59));
    QCOMPARE(a.offset(0), 1);
    QStringList texts;
    for (int row = 0; row < a.rowCount(); ++row)
        texts.append(a.timeText(a.rowAt(row).protocol, a.rowAt(row).record));
    QCOMPARE(texts, QStringList({"31/01/2024 23:59:59.000", "01/02/2024 00:00:00.000",
                                 "01/02/2024 00:00:01.000", "01/02/2024 00:00:01.000"}));
    // Equal times keep file order.
    QCOMPARE(rowOrder(a), (QVector<QPair<int, int>>{{1, 0}, {0, 0}, {0, 1}, {1, 1}}));
}

void TestProtocolAssembly::rowsOfUnorderedTicksSortStably()
{
    // A file whose first record has tick 3 and a later one tick 0 gives rows
    // in that order; the table order puts tick 0 first.
    ProtocolAssembly a(catalogue, now);
    a.addProtocol(at(2024, 5, 10, 12, 0, 0), 100,
                  {{"A", records(1, {{3, 7}, {0, 7}})}, {"B", records(2, {{3, 1}, {0, 1}})}});
    QVERIFY(a.build());
    QCOMPARE(a.tableRow(0, 0), 1);
    QCOMPARE(a.tableRow(0, 1), 0);
    QCOMPARE(*a.channels()[0].series, ChannelSeries({{3, 7.0}, {0, 7.0}}));
}

void TestProtocolAssembly::futureStartIsNotTheCommonStart()
{
    ProtocolAssembly a(catalogue, now);
    a.addProtocol(now.addSecs(10), 1000, {{"A", records(1, {{0, 1}})}});
    QCOMPARE(a.commonStart(), now);
    a.addProtocol(now.addSecs(-5), 1000, {{"A", records(1, {{0, 1}})}});
    QVERIFY(a.build());
    QCOMPARE(a.commonStart(), now.addSecs(-5));
    QCOMPARE(a.offset(0), 15);
    QCOMPARE(a.offset(1), 0);
}

void TestProtocolAssembly::shortChannelLosesOnlyItsCells()
{
    ProtocolAssembly a(catalogue, now);
    a.addProtocol(at(2024, 5, 10, 12, 0, 0), 100,
                  {{"A", records(1, {{0, 1}, {1, 2}, {2, 3}})}, {"B", records(2, {{0, 10}})}});
    QVERIFY(a.build());
    QCOMPARE(a.rowCount(), 3);
    QCOMPARE(cellText(a, 0, 1, 0), QStringLiteral("1"));
    QCOMPARE(cellText(a, 0, 1, 2), QStringLiteral("<none>"));
    QCOMPARE(a.channels()[1].series->size(), size_t(1));
}

void TestProtocolAssembly::cancelledBuildLeavesNothing()
{
    ProtocolAssembly a(catalogue, now);
    const QDateTime start = at(2024, 5, 10, 12, 0, 0);
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
    QVERIFY(a.takeSeries().empty());
    // A later build starts from scratch.
    QVERIFY(a.build());
    QCOMPARE(a.rowCount(), 2);
    QCOMPARE(a.channels().size(), size_t(2));
}

void TestProtocolAssembly::seriesAreReservedExactlyAndHandedOver()
{
    ProtocolAssembly a(catalogue, now);
    a.addProtocol(at(2024, 5, 10, 12, 0, 0), 100,
                  {{"A", records(1, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}})}});
    QVERIFY(a.build());
    const ChannelSeries* series = a.channels()[0].series;
    QCOMPARE(series->capacity(), size_t(5));
    auto taken = a.takeSeries();
    QCOMPARE(taken.size(), size_t(1));
    QCOMPARE(taken[0].get(), series);
    QCOMPARE(a.channels()[0].series, series);
    QVERIFY(a.takeSeries().empty());
}

QTEST_GUILESS_MAIN(TestProtocolAssembly)
#include "test_protocolassembly.moc"
