#include "chartdata/pairdatacontainer.h"

#include <cmath>
#include <limits>

#include <QRandomGenerator>
#include <QtTest>

namespace {
using Data = ProtocolPairDataContainer<ChannelSeries>;

// The value at x as a walk over the pairs in series order finds it.
QPointF walkedValueAt(const ChannelSeries& series, double x)
{
    if (series.empty())
        return {0, 0};
    if (series.front().first == x)
        return {x, series.front().second};
    for (std::size_t i = 1; i < series.size(); ++i) {
        const auto& [xi, yi] = series[i];
        const auto& [xp, yp] = series[i - 1];
        if (xi == x)
            return {x, yi};
        if (xp < x && x < xi)
            return {x, yp + (x - xp) * (yi - yp) / (xi - xp)};
    }
    return {0, 0};
}

} // namespace

class TestPairDataContainer : public QObject
{
    Q_OBJECT
private slots:
    void walkAndExtremes();
    void valueAt_data();
    void valueAt();
    void valueAtLeavesCursorBehindTheHit();
    void valueAtMatchesTheWalk();
    void visibleRangeKeepsOneNeighbourEachSide();
};

void TestPairDataContainer::walkAndExtremes()
{
    double x = 7;
    double y = 7;
    double v = 7;
    ChannelSeries series;
    Data data(&series);
    QVERIFY(!data.next(x, y)); // before any rewind
    QVERIFY(!data.rewind());
    QVERIFY(!data.next(x, y));
    QCOMPARE(x, 7.0);
    QVERIFY(data.maxY(v));
    QCOMPARE(v, 0.0);
    Data none(nullptr);
    QVERIFY(!none.rewind());
    QCOMPARE(none.size(), 0);
    QCOMPARE(none.valueAt(1), QPointF(0, 0));

    series = {{5, 2.5}};
    QVERIFY(data.rewind());
    QVERIFY(data.next(x, y));
    QCOMPARE(QPointF(x, y), QPointF(5, 2.5));
    QVERIFY(!data.next(x, y));
    QCOMPARE(x, 5.0);

    series = {{3, -1.0}, {1, 4.0}, {7, 2.0}, {-2, 4.0}};
    double e[4];
    QVERIFY(data.maxX(e[0]) && data.minX(e[1]) && data.maxY(e[2]) && data.minY(e[3]));
    QCOMPARE(QVector<double>(e, e + 4), QVector<double>({7, -2, 4, -1}));
    // An extreme in the middle of a walk ends the walk.
    QVERIFY(data.rewind());
    QVERIFY(data.next(x, y));
    data.maxY(v);
    QVERIFY(!data.next(x, y));
}

void TestPairDataContainer::valueAt_data()
{
    // Pairs as "x:y" separated by blanks; plain text keeps the table free of
    // types that need the GUI's metatype handlers.
    QTest::addColumn<QString>("pairs");
    QTest::addColumn<double>("x");
    QTest::addColumn<QPointF>("value");
    QTest::addColumn<bool>("found");
    QTest::newRow("one pair, at it") << "5:2.5" << 5.0 << QPointF(5, 2.5) << true;
    QTest::newRow("one pair, before") << "5:2.5" << 4.0 << QPointF(0, 0) << false;
    QTest::newRow("one pair, after") << "5:2.5" << 6.0 << QPointF(0, 0) << false;
    QTest::newRow("between") << "0:1 10:3" << 2.5 << QPointF(2.5, 1.5) << true;
    QTest::newRow("last") << "0:1 10:3" << 10.0 << QPointF(10, 3.0) << true;
    QTest::newRow("a measured zero") << "0:0 10:0" << 4.0 << QPointF(4, 0) << true;
    QTest::newRow("out of order, between") << "0:1 10:3 5:9" << 2.5 << QPointF(2.5, 1.5) << true;
    QTest::newRow("out of order, outside") << "0:1 10:3 5:9" << 12.0 << QPointF(0, 0) << false;
    QTest::newRow("NaN") << "0:1 10:3" << std::numeric_limits<double>::quiet_NaN() << QPointF(0, 0)
                         << false;
    QTest::newRow("infinity") << "0:1 10:3" << std::numeric_limits<double>::infinity()
                              << QPointF(0, 0) << false;
}

void TestPairDataContainer::valueAt()
{
    QFETCH(QString, pairs);
    QFETCH(double, x);
    QFETCH(QPointF, value);
    QFETCH(bool, found);
    ChannelSeries series;
    for (const QString& pair : pairs.split(QLatin1Char(' '))) {
        const QStringList parts = pair.split(QLatin1Char(':'));
        series.emplace_back(parts.at(0).toInt(), parts.at(1).toDouble());
    }
    Data data(&series);
    QCOMPARE(data.valueAt(x), value);
    // Where there is no value, none is claimed, and zero is not made up.
    double y = -7;
    QCOMPARE(data.valueAt(x, y), found);
    QCOMPARE(y, found ? value.y() : -7.0);
}

void TestPairDataContainer::valueAtLeavesCursorBehindTheHit()
{
    ChannelSeries series{{0, 0.0}, {10, 1.0}, {20, 2.0}, {30, 3.0}};
    Data data(&series);
    double x = 0;
    double y = 0;
    data.valueAt(15);
    QVERIFY(data.next(x, y));
    QCOMPARE(x, 30.0);
    data.valueAt(0);
    QVERIFY(data.next(x, y));
    QCOMPARE(x, 10.0);
    data.valueAt(40);
    QVERIFY(!data.next(x, y));

    // The walk over a series out of order stops at the same place.
    ChannelSeries unordered{{0, 0.0}, {20, 2.0}, {10, 1.0}, {30, 3.0}};
    Data walked(&unordered);
    QCOMPARE(walked.valueAt(15), QPointF(15, 1.5));
    QVERIFY(walked.next(x, y));
    QCOMPARE(x, 10.0);
}

void TestPairDataContainer::valueAtMatchesTheWalk()
{
    QRandomGenerator random(42);
    ChannelSeries series;
    qint32 tick = -50;
    for (int i = 0; i < 500; ++i) {
        tick += random.bounded(3); // repeated ticks too
        series.emplace_back(tick, random.generateDouble() * 100 - 50);
    }
    Data data(&series);
    QVERIFY(data.isAscending());
    for (int i = 0; i < 4000; ++i) {
        const double x = -60 + random.generateDouble() * (tick + 80);
        const double probe = i % 2 ? x : std::floor(x);
        QCOMPARE(data.valueAt(probe), walkedValueAt(series, probe));
    }

    // Out of order, also once a series grows out of order, it is walked.
    series = {{0, 1.0}, {10, 3.0}};
    QVERIFY(data.isAscending());
    series.emplace_back(5, 100.0);
    series.emplace_back(20, 5.0);
    QVERIFY(!data.isAscending());
    for (double x : {5.0, 7.0, 15.0})
        QCOMPARE(data.valueAt(x), walkedValueAt(series, x));
}

void TestPairDataContainer::visibleRangeKeepsOneNeighbourEachSide()
{
    ChannelSeries series;
    for (int i = 0; i < 100; ++i)
        series.emplace_back(i * 10, i);
    Data data(&series);
    // From x = 90, just left of the window, up to x = 210, just right of it.
    const struct
    {
        double from, to;
        int first, last;
    } cases[] = {{95, 205, 9, 22},
                 {100, 200, 9, 22},
                 {-500, 5, 0, 2},
                 {2000, 3000, 99, 100},
                 {std::numeric_limits<double>::quiet_NaN(), 5, 0, 100}};
    for (const auto& c : cases) {
        int first = -1;
        int last = -1;
        data.visibleRange(c.from, c.to, first, last);
        QCOMPARE(QPair(first, last), QPair(c.first, c.last));
    }
}

QTEST_GUILESS_MAIN(TestPairDataContainer)
#include "test_pairdatacontainer.moc"
