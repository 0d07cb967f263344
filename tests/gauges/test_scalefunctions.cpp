#include "gauges/scalefunctions.h"

#include <cmath>
#include <limits>

#include <QtTest>

class TestScaleFunctions : public QObject
{
    Q_OBJECT
private slots:
    void stepExamples_data();
    void stepExamples();
    void stepGuard();
    void rangeExamples_data();
    void rangeExamples();
    void rangeReportsChange();
    void rangeGuardReturnsInput_data();
    void rangeGuardReturnsInput();
    void rangeFarFromZeroEnds();
};

void TestScaleFunctions::stepExamples_data()
{
    QTest::addColumn<double>("q");
    QTest::addColumn<double>("step");
    const double cases[][2] = {{6, 5},    {49, 5},  {51, 50}, {600, 500}, {50, 1},
                               {500, 10}, {5.5, 5}, {5, 1},   {0.25, 1}};
    for (const auto& c : cases)
        QTest::addRow("q=%g", c[0]) << c[0] << c[1];
}

void TestScaleFunctions::stepExamples()
{
    QFETCH(double, q);
    QFETCH(double, step);
    // q is span / count; a negative span counts by its magnitude.
    QCOMPARE(scaleStep(q * 7, 7), step);
    QCOMPARE(scaleStep(-q * 4, 4), step);
}

void TestScaleFunctions::stepGuard()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& [span, count] : {std::pair(0.0, 7), {nan, 7}, {inf, 7}, {100.0, 0}}) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("scaleStep"));
        QCOMPARE(scaleStep(span, count), 1.0);
    }
    QCOMPARE(scaleStep(1.2e300, 2), 5e299);
}

void TestScaleFunctions::rangeExamples_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<int>("steps");
    QTest::addColumn<double>("increment");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::newRow("0..1234 in 10 by 50") << 0.0 << 1234.0 << 10 << 50.0 << 0.0 << 1500.0;
    QTest::newRow("3.2..17.8 in 5") << 3.2 << 17.8 << 5 << 1.0 << 3.0 << 18.0;
    QTest::newRow("-7.5..12.3 in 5") << -7.5 << 12.3 << 5 << 1.0 << -10.0 << 15.0;
    QTest::newRow("-20..-3 in 4") << -20.0 << -3.0 << 4 << 1.0 << -20.0 << 0.0;
    QTest::newRow("5..6 in 4") << 5.0 << 6.0 << 4 << 1.0 << 4.8 << 6.4;
    // The chart's own x scale: a span of 1000 in 7 divisions.
    QTest::newRow("x scale 0..1000 in 7") << 0.0 << 1000.0 << 7 << 50.0 << 0.0 << 1050.0;
    // A flat channel widened by the table assembly.
    QTest::newRow("-0.5..1 in 4") << -0.5 << 1.0 << 4 << 1.0 << -0.5 << 1.5;
}

void TestScaleFunctions::rangeExamples()
{
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(int, steps);
    QFETCH(double, increment);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    double lo = 0;
    double hi = 0;
    scaleRange(low, high, lo, hi, steps, true, increment);
    // Accumulated steps leave last-digit noise; labels show 12 digits.
    QVERIFY2(std::fabs(lo - minimum) < 1e-9, qPrintable(QString::number(lo, 'g', 17)));
    QVERIFY2(std::fabs(hi - maximum) < 1e-9, qPrintable(QString::number(hi, 'g', 17)));
}

void TestScaleFunctions::rangeReportsChange()
{
    double lo = 0;
    double hi = 100;
    QVERIFY(!scaleRange(0, 100, lo, hi, 10, true, 5));
    QVERIFY(scaleRange(0, 1234, lo, hi, 10, true, 50));
    QVERIFY(!scaleRange(0, 1234, lo, hi, 10, true, 50));
    QCOMPARE(lo, 0.0);
    QCOMPARE(hi, 1500.0);
}

void TestScaleFunctions::rangeGuardReturnsInput_data()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<int>("steps");
    QTest::addColumn<double>("increment");
    QTest::newRow("flat") << 3.0 << 3.0 << 4 << 1.0;
    QTest::newRow("reversed") << 5.0 << 1.0 << 4 << 1.0;
    QTest::newRow("NaN low") << nan << 1.0 << 4 << 1.0;
    QTest::newRow("span overflows") << -1e308 << 1e308 << 4 << 1.0;
    QTest::newRow("no steps") << 0.0 << 10.0 << 0 << 1.0;
    QTest::newRow("NaN increment") << 0.0 << 10.0 << 4 << nan;
}

void TestScaleFunctions::rangeGuardReturnsInput()
{
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(int, steps);
    QFETCH(double, increment);
    double lo = -1;
    double hi = -1;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("scaleRange"));
    QVERIFY(scaleRange(low, high, lo, hi, steps, true, increment));
    QCOMPARE(std::isnan(lo), std::isnan(low));
    QCOMPARE(std::isnan(hi), std::isnan(high));
    if (!std::isnan(low))
        QCOMPARE(lo, low);
    if (!std::isnan(high))
        QCOMPARE(hi, high);
}

void TestScaleFunctions::rangeFarFromZeroEnds()
{
    // Ends far from zero would take a billion single steps from 0.
    double lo = 0;
    double hi = 0;
    scaleRange(1e9, 1e9 + 10, lo, hi, 4, true, scaleStep(10, 4));
    QVERIFY(lo <= 1e9);
    QVERIFY(hi >= 1e9 + 10);
    QVERIFY(hi - lo <= 20);
    scaleRange(-1e9 - 10, -1e9, lo, hi, 4, true, scaleStep(10, 4));
    QVERIFY(lo <= -1e9 - 10);
    QVERIFY(hi >= -1e9);
    // Steps finer than the precision at these ends must still end.
    scaleRange(1e17, 1e17 + 64, lo, hi, 1000, true, 1e-3);
    QVERIFY(lo <= 1e17);
    QVERIFY(hi >= 1e17 + 64);
}

QTEST_GUILESS_MAIN(TestScaleFunctions)
#include "test_scalefunctions.moc"
