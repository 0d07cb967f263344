#include "statistics/cursorstatistics.h"

#include "tests/zonescope.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Rows with a tick each and a value where `present` says so.
class RowsSource : public StatisticsSource
{
public:
    RowsSource(QVector<qint64> ticks, QVector<double> values, QVector<bool> present = {})
        : ticks(std::move(ticks)), values(std::move(values)), present(std::move(present))
    {
    }
    int size() const override { return ticks.size(); }
    qint64 tick(int row) const override { return ticks[row]; }
    bool value(int row, double& value) const override
    {
        value = values[row];
        return present.isEmpty() || present[row];
    }

    QVector<qint64> ticks;
    QVector<double> values;
    QVector<bool> present;
};

std::unique_ptr<StatisticsSource> rows(QVector<qint64> ticks, QVector<double> values,
                                       QVector<bool> present = {})
{
    return std::make_unique<RowsSource>(std::move(ticks), std::move(values), std::move(present));
}

QString stateText(double value)
{
    static const QStringList texts = {QStringLiteral("Выкл"), QStringLiteral("Вкл"),
                                      QStringLiteral("Авария")};
    return texts.value(int(value));
}

} // namespace

class TestCursorStatistics : public QObject
{
    Q_OBJECT

private slots:
    void figuresMatchHandWorkedValues_data()
    {
        QTest::addColumn<qint32>("reference");
        QTest::addColumn<qint32>("cursor");
        QTest::addColumn<QStringList>("expected");
        // Ticks 10, 20, 20, 40, 50 (a gap and a repeated tick) with 2, 4, 6, -2, 0.
        // Columns: reference, cursor, difference, min, max, mean, RMS, changes, records.
        QTest::newRow("repeated tick, both ends included")
            << 20 << 40
            << QStringList{"4", "-2", "-6", "-2", "6", "2.666666667", "4.320493799", "", "3"};
        QTest::newRow("cursor before reference")
            << 40 << 20
            << QStringList{"-2", "4", "6", "-2", "6", "2.666666667", "4.320493799", "", "3"};
        QTest::newRow("interpolated past the repeated tick")
            << 30 << 45 << QStringList{"2", "-1", "-3", "-2", "-2", "-2", "2", "", "1"};
        QTest::newRow("one end before the data")
            << 0 << 15 << QStringList{"", "3", "", "2", "2", "2", "2", "", "1"};
        QTest::newRow("outside the data")
            << 60 << 70 << QStringList{"", "", "", "", "", "", "", "", "0"};
        QTest::newRow("between two records")
            << 25 << 35 << QStringList{"4", "0", "-4", "", "", "", "", "", "0"};
    }

    void figuresMatchHandWorkedValues()
    {
        QFETCH(qint32, reference);
        QFETCH(qint32, cursor);
        QFETCH(QStringList, expected);
        CursorStatistics statistics;
        statistics.addPart(QStringLiteral("A"), rows({10, 20, 20, 40, 50}, {2, 4, 6, -2, 0}));
        const auto table = statistics.rows(reference, cursor, {QStringLiteral("A")});
        QCOMPARE(table.size(), 1);
        QCOMPARE(table[0].mid(1), expected);
    }

    // Ten digits: a counter's every one, and no rounding noise of a difference.
    void largeValuesKeepEveryDigit()
    {
        CursorStatistics statistics;
        statistics.addPart(QStringLiteral("A"), rows({0, 10}, {1234567, 2147483.647}));
        const auto table = statistics.rows(0, 10, {QStringLiteral("A")});
        QCOMPARE(table.value(0).mid(1, 5),
                 (QStringList{"1234567", "2147483.647", "912916.647", "1234567", "2147483.647"}));
        statistics.clear();
        statistics.addPart(QStringLiteral("B"), rows({0, 10}, {10.05, 10}));
        QCOMPARE(statistics.rows(0, 10, {QStringLiteral("B")}).value(0).mid(1, 3),
                 (QStringList{"10.05", "10", "-0.05"}));
        // A computed channel of 1 decimal: its values as the table shows them,
        // however many digits; the mean with ten.
        statistics.clear();
        statistics.addPart(QStringLiteral("P"), rows({0, 10}, {21689584824.6, 21474836450}), {}, 1);
        QCOMPARE(statistics.rows(0, 10, {QStringLiteral("P")}).value(0).mid(1, 6),
                 (QStringList{"21689584824.6", "21474836450", "-214748374.6", "21474836450",
                              "21689584824.6", "2.158221064e+10"}));
    }

    void stateChannelsAndJoinedParts()
    {
        CursorStatistics statistics;
        // One state channel in two protocol files, the later one added first,
        // and a missing value that must not count as a change. Joined in the
        // order added, the parts would count 0 -> 2 -> 0 -> 1 -> 0: four changes.
        statistics.addPart(QStringLiteral("S"), rows({6, 7}, {0, 2}), stateText);
        statistics.addPart(QStringLiteral("S"),
                           rows({0, 1, 2, 3, 4, 5}, {0, 0, 1, 9, 1, 0}, {1, 1, 1, 0, 1, 1}));
        statistics.addPart(QStringLiteral("One"), rows({5}, {7}));
        // Overlapping files, the later one added first: the earlier file's
        // record is the value where both have one.
        statistics.addPart(QStringLiteral("O"), rows({4, 5, 6}, {30, 30, 30}));
        statistics.addPart(QStringLiteral("O"), rows({0, 5}, {10, 10}));
        const auto table = statistics.rows(
            1, 7, {QStringLiteral("One"), QStringLiteral("S"), QStringLiteral("none")});
        QCOMPARE(table.size(), 2);
        QCOMPARE(table[0], (QStringList{"One", "", "", "", "7", "7", "7", "7", "", "1"}));
        // 0 -> 1 -> 0 -> 2 between ticks 1 and 7; the value at 3 is held from 2.
        QCOMPARE(table[1], (QStringList{"S", "Выкл", "Авария", "", "", "", "", "", "3", "6"}));
        QCOMPARE(statistics.rows(3, 3, {QStringLiteral("S")})[0][CursorStatistics::CursorValue],
                 QStringLiteral("Вкл"));
        QCOMPARE(statistics.rows(5, 5, {QStringLiteral("One")})[0].mid(1, 3),
                 (QStringList{"7", "7", "0"}));
        QCOMPARE(statistics.rows(5, 6, {QStringLiteral("O")})[0].mid(1, 3),
                 (QStringList{"10", "30", "20"}));
    }

    // The block sums against a plain pass over the rows, on ranges that start
    // and end inside, at and across block edges, in and out of tick order.
    void blockSummaryEqualsPlainPass()
    {
        QRandomGenerator random(15);
        const int count = 5 * ChannelRangeIndex::blockSize + 17;
        QVector<qint64> ticks;
        QVector<double> values;
        QVector<bool> present;
        qint32 tick = -100;
        for (int row = 0; row < count; ++row) {
            tick += int(random.bounded(3)); // repeats and gaps
            ticks.append(tick);
            values.append(double(random.bounded(4)));
            present.append(random.bounded(10) != 0);
        }
        QVector<qint64> shuffled = ticks;
        QVector<double> shuffledValues = values;
        QVector<bool> shuffledPresent = present;
        for (int row = count - 1; row > 0; --row) {
            const int other = int(random.bounded(row + 1));
            std::swap(shuffled[row], shuffled[other]);
            std::swap(shuffledValues[row], shuffledValues[other]);
            std::swap(shuffledPresent[row], shuffledPresent[other]);
        }
        const ChannelRangeIndex ordered(rows(ticks, values, present));
        const ChannelRangeIndex unordered(rows(shuffled, shuffledValues, shuffledPresent));

        for (int trial = 0; trial < 300; ++trial) {
            const qint32 from =
                ticks.first() - 5 + qint32(random.bounded(int(ticks.last() - ticks[0] + 10)));
            const qint32 to = from + qint32(random.bounded(2 * ChannelRangeIndex::blockSize * 2));
            int expectedCount = 0;
            int expectedChanges = 0;
            double sum = 0;
            double squares = 0;
            double minimum = 1e9;
            double maximum = -1e9;
            double previous = -1;
            for (int row = 0; row < count; ++row) {
                if (ticks[row] < from || ticks[row] > to || !present[row])
                    continue;
                if (expectedCount > 0 && values[row] != previous)
                    ++expectedChanges;
                previous = values[row];
                ++expectedCount;
                sum += values[row];
                squares += values[row] * values[row];
                minimum = std::min(minimum, values[row]);
                maximum = std::max(maximum, values[row]);
            }
            const RangeSummary summary = ordered.summary(from, to);
            QCOMPARE(summary.count, expectedCount);
            QCOMPARE(summary.sum, sum);
            QCOMPARE(summary.sumOfSquares, squares);
            if (expectedCount > 0) {
                QCOMPARE(summary.minimum, minimum);
                QCOMPARE(summary.maximum, maximum);
                QCOMPARE(summary.changes, expectedChanges);
            }
            // Shuffling changes which of the repeated ticks comes first, so
            // the order-dependent change count is left out here.
            const RangeSummary shuffledSummary = unordered.summary(from, to);
            QCOMPARE(shuffledSummary.count, expectedCount);
            QCOMPARE(shuffledSummary.sum, sum);
            QCOMPARE(shuffledSummary.sumOfSquares, squares);
        }

        // Of a repeated tick, the record that came first in the file gives
        // the value, also when the index had to sort the rows.
        for (qint32 at = ticks.first(); at <= ticks.last(); ++at) {
            int first = 0;
            while (first < count && (shuffled[first] != at || !shuffledPresent[first]))
                ++first;
            if (first == count)
                continue;
            double held = -1;
            QVERIFY(unordered.heldValue(at, held));
            QCOMPARE(held, shuffledValues[first]);
        }
    }

    // The index reads assembled columns a block at a time; row by row, the
    // same source must give the same figures, also when a row out of tick
    // order turns up only in a late block.
    void columnsIndexLikeRows_data()
    {
        QTest::addColumn<int>("swapAt");
        QTest::addColumn<bool>("gaps");
        QTest::newRow("in tick order") << -1 << false;
        QTest::newRow("computed, rows without a result") << -1 << true;
        QTest::newRow("out of order in the fourth block")
            << 3 * ChannelRangeIndex::blockSize + 9 << true;
        QTest::newRow("out of order at the very end")
            << 6 * ChannelRangeIndex::blockSize - 2 << false;
    }

    void columnsIndexLikeRows()
    {
        QFETCH(int, swapAt);
        QFETCH(bool, gaps);
        QRandomGenerator random(27);
        const int count = 6 * ChannelRangeIndex::blockSize - 1;
        std::vector<quint32> ticks;
        std::vector<qint32> raws;
        std::vector<double> results; // a computed channel's, NaN for none
        quint32 tick = 10;
        for (int row = 0; row < count; ++row) {
            tick += quint32(random.bounded(3));
            ticks.push_back(tick);
            const bool noResult = gaps && (row % 97 == 5 || row == 0);
            raws.push_back(qint32(random.bounded(7)) - 3);
            results.push_back(noResult ? std::numeric_limits<double>::quiet_NaN()
                                       : raws.back() / 4.0);
        }
        if (swapAt >= 0)
            std::swap(ticks[size_t(swapAt)], ticks[size_t(swapAt) + 1]);
        if (swapAt >= 0 && ticks[size_t(swapAt)] == ticks[size_t(swapAt) + 1])
            ticks[size_t(swapAt)] += 1;
        ColumnSeries series;
        series.ticks = ticks.data();
        series.values = raws.data();
        series.count = ticks.size();
        series.offset = -50;
        series.divisor = 4; // sums stay exact whatever the order of adding
        series.real = gaps ? results.data() : nullptr;
        // The oracle: a plain pass over the rows in (stable) tick order.
        std::vector<std::pair<qint32, double>> sorted;
        for (size_t row = 0; row < series.size(); ++row)
            if (!std::isnan(series.y(row)))
                sorted.emplace_back(series.x(row), series.y(row));
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        const ChannelRangeIndex index(std::make_unique<ColumnStatisticsSource>(series));
        QCOMPARE(index.firstTick(), sorted.front().first);

        const qint32 first = sorted.front().first - 3;
        const qint32 span = sorted.back().first - first + 6;
        for (int trial = 0; trial < 300; ++trial) {
            const qint32 from = first + qint32(random.bounded(span));
            const qint32 to = from + qint32(random.bounded(span / 2));
            RangeSummary expected;
            for (const auto& [x, y] : sorted) {
                if (x < from || x > to)
                    continue;
                if (expected.count == 0) {
                    expected.minimum = expected.maximum = y;
                } else {
                    expected.changes += y != expected.last ? 1 : 0;
                    expected.minimum = std::min(expected.minimum, y);
                    expected.maximum = std::max(expected.maximum, y);
                }
                expected.last = y;
                ++expected.count;
                expected.sum += y;
            }
            const RangeSummary summary = index.summary(from, to);
            QCOMPARE(summary.count, expected.count);
            QCOMPARE(summary.sum, expected.sum);
            QCOMPARE(summary.minimum, expected.minimum);
            QCOMPARE(summary.maximum, expected.maximum);
            QCOMPARE(summary.changes, expected.changes);
        }
    }

    // A computed channel's rows without a result are a gap, not a stretch to
    // draw a line over; a state holds over them.
    void valuesAtTheCursorDoNotBridgeRowsWithoutAValue()
    {
        ChannelRangeIndex index(rows({0, 2, 4, 6, 8, 8, 10}, {1, 3, 0, 7, 0, 9, 11},
                                     {true, true, false, true, false, true, true}));
        QStringList interpolated;
        QStringList held;
        for (qint32 tick = -1; tick <= 11; ++tick) {
            double value = 0;
            interpolated << (index.interpolatedValue(tick, value) ? QString::number(value) : "-");
            held << (index.heldValue(tick, value) ? QString::number(value) : "-");
        }
        QCOMPARE(interpolated.join(' '), QStringLiteral("- 1 2 3 - - - 7 - 9 10 11 -"));
        QCOMPARE(held.join(' '), QStringLiteral("- 1 1 3 3 3 3 7 7 9 9 11 -"));
    }

    void bookmarksAroundTheValueLine()
    {
        qint64 first = 0;
        qint64 second = 0;
        const QVector<qint64> bookmarks = {300, 100, 200};
        QVERIFY(CursorStatistics::bookmarksAround(bookmarks, 150, first, second));
        QCOMPARE(std::make_pair(first, second), std::make_pair(qint64(100), qint64(200)));
        QVERIFY(CursorStatistics::bookmarksAround(bookmarks, 200, first, second));
        QCOMPARE(std::make_pair(first, second), std::make_pair(qint64(200), qint64(300)));
        QVERIFY(!CursorStatistics::bookmarksAround(bookmarks, 99, first, second));
        QVERIFY(!CursorStatistics::bookmarksAround(bookmarks, 300, first, second));
    }

    void durationTexts()
    {
        QCOMPARE(CursorStatistics::durationText(qint64(3723004)), QStringLiteral("01:02:03.004"));
        QCOMPARE(CursorStatistics::durationText(qint64(-500)), QStringLiteral("-00:00:00.500"));
        QCOMPARE(CursorStatistics::durationText(qint64(90000000)), QStringLiteral("25:00:00.000"));
        CursorStatistics statistics;
        statistics.setTimeBase(QDateTime(QDate(2024, 5, 10), QTime(12, 0)), 100);
        statistics.addPart(QStringLiteral("A"), rows({0, 10}, {1, 3}));
        const QStringList lines =
            statistics.tabSeparated(0, 10, {QStringLiteral("A")}).split(QLatin1Char('\n'));
        QCOMPARE(lines.mid(0, 3),
                 (QStringList{"Опорный\t10/05/2024 12:00:00.000", "Курсор\t10/05/2024 12:00:01.000",
                              "Δt\t00:00:01.000"}));
        QCOMPARE(lines[4], QStringLiteral("Канал\tОпорный\tКурсор\tРазность\tМинимум\tМаксимум\t"
                                          "Среднее\tСКЗ\tИзменений\tЗаписей"));
        QCOMPARE(lines[5], QStringLiteral("A\t1\t3\t2\t1\t3\t2\t2.236067977\t\t2"));
    }

    // Cursors more than 2^31 ticks from the start or from each other: a
    // month at 1 ms ticks, a record past 2^32 ticks at 100 ms.
    void cursorsFarApart_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDate>("day"); // the time base starts at 12:00 local time
        QTest::addColumn<int>("tickMs");
        QTest::addColumn<qint64>("reference");
        QTest::addColumn<qint64>("cursor");
        QTest::addColumn<QString>("cursorTime");
        QTest::addColumn<QString>("duration");
        QTest::addColumn<QStringList>("values"); // at the reference, at the cursor, difference
        const QDate may10(2024, 5, 10);
        QTest::newRow("30 days at 1 ms")
            << QByteArray("UTC") << may10 << 1 << qint64(0) << qint64(2592000000)
            << "09/06/2024 12:00:00.000"
            << "720:00:00.000" << QStringList{"1", "2.603497031", "1.603497031"};
        QTest::newRow("back from past 2^32 ticks")
            << QByteArray("UTC") << may10 << 100 << qint64(0xFFFFFFF0) << qint64(1)
            << "10/05/2024 12:00:00.100"
            << "-119304:38:47.900" << QStringList{"3", "2", "-1"};
        // Ticks are elapsed time: across a change the wall clock moves by
        // an hour more or less than the ticks do.
        QTest::newRow("30 days over the spring change")
            << QByteArray("Europe/Berlin") << QDate(2024, 3, 10) << 1 << qint64(0)
            << qint64(2592000000) << "09/04/2024 13:00:00.000"
            << "720:00:00.000" << QStringList{"1", "2.603497031", "1.603497031"};
        QTest::newRow("back over the autumn change")
            << QByteArray("Europe/Berlin") << QDate(2024, 10, 20) << 1 << qint64(2592000000)
            << qint64(1) << "20/10/2024 12:00:00.001"
            << "-719:59:59.999" << QStringList{"2.603497031", "2", "-0.6034970305"};
        QTest::newRow("30 days over the autumn change")
            << QByteArray("Europe/Berlin") << QDate(2024, 10, 20) << 1 << qint64(0)
            << qint64(2592000000) << "19/11/2024 11:00:00.000"
            << "720:00:00.000" << QStringList{"1", "2.603497031", "1.603497031"};
    }

    void cursorsFarApart()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDate, day);
        QFETCH(int, tickMs);
        QFETCH(qint64, reference);
        QFETCH(qint64, cursor);
        QFETCH(QString, cursorTime);
        QFETCH(QString, duration);
        QFETCH(QStringList, values);
        const ZoneScope scope(zone.constData());
        CursorStatistics statistics;
        statistics.setTimeBase(QDateTime(day, QTime(12, 0)), quint16(tickMs));
        statistics.addPart(QStringLiteral("A"), rows({0, 1, 0xFFFFFFF0}, {1, 2, 3}));
        QCOMPARE(statistics.timeText(cursor), cursorTime);
        QCOMPARE(statistics.durationText(reference, cursor), duration);
        QCOMPARE(statistics.rows(reference, cursor, {QStringLiteral("A")}).value(0).mid(1, 3),
                 values);
    }
};

QTEST_GUILESS_MAIN(TestCursorStatistics)
#include "test_cursorstatistics.moc"
