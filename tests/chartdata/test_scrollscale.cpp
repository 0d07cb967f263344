#include "chartdata/scrollscale.h"

#include <QtTest>

// Ticks of any 64-bit view onto a scroll bar's ints and back.
class TestScrollScale : public QObject
{
    Q_OBJECT

private slots:
    void ticksMapOntoTheBarAndBack_data()
    {
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("last");
        QTest::addColumn<qint64>("unit");
        QTest::newRow("short") << qint64(0) << qint64(3000) << qint64(1);
        QTest::newRow("late start") << qint64(5000000000) << qint64(5000003000) << qint64(1);
        QTest::newRow("just one tick a step") << qint64(0) << ScrollScale::kMostSteps << qint64(1);
        QTest::newRow("a stray record 2^32 ticks on")
            << qint64(0) << qint64(0xFFFFFFF0) << qint64(4);
        QTest::newRow("years at 1 ms") << qint64(7) << qint64(400000000000) << qint64(373);
    }

    void ticksMapOntoTheBarAndBack()
    {
        QFETCH(qint64, first);
        QFETCH(qint64, last);
        QFETCH(qint64, unit);
        ScrollScale scale;
        scale.setRange(first, last);
        QCOMPARE(scale.ticksPerStep(), unit);
        QCOMPARE(scale.value(double(first)), 0);
        const int end = scale.value(double(last));
        QVERIFY(end > 0 && end <= ScrollScale::kMostSteps);
        // Back within a step of where it was.
        QVERIFY(std::abs(scale.tick(end) - double(last)) < double(unit));
        QCOMPARE(scale.tick(scale.value(double(first) + double(unit) * 5)),
                 double(first) + double(unit) * 5);
        // Before the first tick and far beyond: ints, never wrapped.
        QVERIFY(scale.value(double(first) - 10.0 * double(unit)) < 0);
        QCOMPARE(scale.value(1e18), std::numeric_limits<int>::max());
        QCOMPARE(scale.value(-1e18), -std::numeric_limits<int>::max());
        QCOMPARE(scale.steps(std::nan("")), 0);
    }
};

QTEST_GUILESS_MAIN(TestScrollScale)
#include "test_scrollscale.moc"
