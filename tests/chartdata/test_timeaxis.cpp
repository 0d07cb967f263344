#include "chartdata/timeaxis.h"

#include <QtTest>

namespace {
constexpr qint64 kSecond = 1000;
constexpr qint64 kMinute = 60 * kSecond;
constexpr qint64 kHour = 60 * kMinute;

QDateTime at(const QString& text)
{
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QStringList labelsOf(const QVector<QDateTime>& marks, qint64 step)
{
    QStringList labels;
    for (const QDateTime& mark : marks)
        labels << chart::timeAxisLabel(mark, step, false);
    return labels;
}
} // namespace

class TestTimeAxis : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void stepsAReaderExpects_data();
    void stepsAReaderExpects();
    void labelsCarryTheDigitsOfTheirStep_data();
    void labelsCarryTheDigitsOfTheirStep();
    void marksOnTheClocksDivisions_data();
    void marksOnTheClocksDivisions();
    void marksAcrossClockChanges();
};

void TestTimeAxis::initTestCase()
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
}

void TestTimeAxis::stepsAReaderExpects_data()
{
    QTest::addColumn<double>("least");
    QTest::addColumn<qint64>("step");
    QTest::newRow("below a millisecond") << 0.3 << qint64(1);
    QTest::newRow("3 ms") << 3.0 << qint64(5);
    QTest::newRow("exactly 20 ms") << 20.0 << qint64(20);
    QTest::newRow("just over half a second") << 501.0 << kSecond;
    QTest::newRow("1.5 s is no step") << 1500.0 << 2 * kSecond;
    QTest::newRow("11 s") << 11000.0 << 15 * kSecond;
    QTest::newRow("16 s") << 16000.0 << 30 * kSecond;
    QTest::newRow("16:53:20 is no step") << 60800000.0 << kHour * 24;
    QTest::newRow("3.1 h") << 3.1 * kHour << 6 * kHour;
    QTest::newRow("13 h") << 13.0 * kHour << 24 * kHour;
    QTest::newRow("3 days") << 3.0 * 24 * kHour << 5 * 24 * kHour;
    QTest::newRow("21 days") << 21.0 * 24 * kHour << 50 * 24 * kHour;
    QTest::newRow("101 days") << 101.0 * 24 * kHour << 200 * 24 * kHour;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << qint64(1);
}

void TestTimeAxis::stepsAReaderExpects()
{
    QFETCH(double, least);
    QFETCH(qint64, step);
    QCOMPARE(chart::timeStepAtLeast(least), step);
}

void TestTimeAxis::labelsCarryTheDigitsOfTheirStep_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<qint64>("step");
    QTest::addColumn<bool>("withDate");
    QTest::addColumn<QString>("label");
    QTest::newRow("half seconds") << "2026-12-07 06:00:03.500" << qint64(500) << false
                                  << "06:00:03.5";
    QTest::newRow("a whole second at half seconds")
        << "2026-12-07 06:00:04.000" << qint64(500) << false << "06:00:04.0";
    QTest::newRow("hundredths") << "2026-12-07 06:00:03.250" << qint64(50) << false
                                << "06:00:03.25";
    QTest::newRow("thousandths") << "2026-12-07 06:00:03.010" << qint64(5) << false
                                 << "06:00:03.010";
    QTest::newRow("seconds") << "2026-12-07 06:00:03.000" << 2 * kSecond << false << "06:00:03";
    QTest::newRow("minutes") << "2026-12-07 06:15:00.000" << 15 * kMinute << false << "06:15";
    QTest::newRow("with the date")
        << "2026-12-07 06:15:00.000" << 15 * kMinute << true << "07.12 06:15";
    QTest::newRow("days") << "2026-12-07 00:00:00.000" << 24 * kHour << true << "07.12.2026";
}

void TestTimeAxis::labelsCarryTheDigitsOfTheirStep()
{
    QFETCH(QString, time);
    QFETCH(qint64, step);
    QFETCH(bool, withDate);
    QFETCH(QString, label);
    QCOMPARE(chart::timeAxisLabel(at(time), step, withDate), label);
}

void TestTimeAxis::marksOnTheClocksDivisions_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<qint64>("step");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("half seconds") << "2026-12-07 06:00:03.217"
                                  << "2026-12-07 06:00:04.900" << qint64(500)
                                  << QStringList{"06:00:03.5", "06:00:04.0", "06:00:04.5"};
    QTest::newRow("ends included") << "2026-12-07 06:00:00.000"
                                   << "2026-12-07 06:00:00.020" << qint64(10)
                                   << QStringList{"06:00:00.00", "06:00:00.01", "06:00:00.02"};
    QTest::newRow("quarter hours")
        << "2026-12-07 05:52:10.000"
        << "2026-12-07 06:40:00.000" << 15 * kMinute << QStringList{"06:00", "06:15", "06:30"};
    QTest::newRow("over midnight")
        << "2026-12-07 20:10:00.000"
        << "2026-12-08 07:00:00.000" << 6 * kHour << QStringList{"00:00", "06:00"};
    QTest::newRow("days from a fixed day")
        << "2026-12-07 12:00:00.000"
        << "2026-12-15 00:00:00.000" << 5 * 24 * kHour << QStringList{"10.12.2026", "15.12.2026"};
    QTest::newRow("backwards") << "2026-12-07 06:00:00.000"
                               << "2026-12-07 05:00:00.000" << kMinute << QStringList{};
}

void TestTimeAxis::marksOnTheClocksDivisions()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(qint64, step);
    QFETCH(QStringList, labels);
    QCOMPARE(labelsOf(chart::timeMarks(at(from), at(to), step, 100), step), labels);
    // The limit holds.
    QCOMPARE(chart::timeMarks(at(from), at(to), step, 1).size(), qMin(1, labels.size()));
}

void TestTimeAxis::marksAcrossClockChanges()
{
    // 31 March 2024 has 23 hours in Berlin, 27 October 2024 has 25.
    QCOMPARE(labelsOf(chart::timeMarks(at("2024-03-30 23:00:00.000"), at("2024-03-31 10:00:00.000"),
                                       3 * kHour, 100),
                      3 * kHour),
             (QStringList{"00:00", "06:00", "09:00"}));
    QCOMPARE(labelsOf(chart::timeMarks(at("2024-10-26 23:00:00.000"), at("2024-10-27 10:00:00.000"),
                                       3 * kHour, 100),
                      3 * kHour),
             (QStringList{"00:00", "03:00", "06:00", "09:00"}));
    // Steps that divide the hour go on through the change unbroken.
    const QVector<QDateTime> quarter = chart::timeMarks(
        at("2024-03-31 01:40:00.000"), at("2024-03-31 03:20:00.000"), 15 * kMinute, 100);
    QCOMPARE(labelsOf(quarter, 15 * kMinute), (QStringList{"01:45", "03:00", "03:15"}));
    QCOMPARE(quarter.at(0).msecsTo(quarter.at(1)), 15 * kMinute);
}

QTEST_GUILESS_MAIN(TestTimeAxis)
#include "test_timeaxis.moc"
