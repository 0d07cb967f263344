#include "chartdata/timeaxis.h"

#include <QtTest>

#include <limits>

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
    void relativeLabels_data();
    void relativeLabels();
    void relativeMarksFromTheZero_data();
    void relativeMarksFromTheZero();
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

void TestTimeAxis::relativeLabels_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<qint64>("step");
    QTest::addColumn<QString>("label");
    QTest::newRow("zero") << qint64(0) << kMinute << "+00:00";
    QTest::newRow("zero, seconds") << qint64(0) << kSecond << "+00:00:00";
    QTest::newRow("minutes") << 12 * kMinute << 5 * kMinute << "+00:12";
    QTest::newRow("seconds") << 12 * kMinute + 30 * kSecond << 15 * kSecond << "+00:12:30";
    QTest::newRow("tenths") << 12 * kMinute + 30500 << qint64(500) << "+00:12:30.5";
    QTest::newRow("hundredths") << qint64(1250) << qint64(50) << "+00:00:01.25";
    QTest::newRow("milliseconds") << qint64(-7) << qint64(1) << "-00:00:00.007";
    QTest::newRow("negative seconds") << -5 * kSecond << kSecond << "-00:00:05";
    QTest::newRow("negative tenths") << qint64(-1500) << qint64(500) << "-00:00:01.5";
    QTest::newRow("negative hours") << -26 * kHour << 2 * kHour << "-26:00";
    QTest::newRow("past a day") << 49 * kHour + 30 * kMinute << 30 * kMinute << "+49:30";
    QTest::newRow("steps of days") << 20 * 24 * kHour << 5 * 24 * kHour << "+480:00";
    // Digits below the step are cut towards the zero, and a cut to nothing
    // is not negative.
    QTest::newRow("cut to the minute") << -(kMinute + 59 * kSecond) << kMinute << "-00:01";
    QTest::newRow("cut to zero") << qint64(-400) << kSecond << "+00:00:00";
    QTest::newRow("far past") << std::numeric_limits<qint64>::min() << 24 * kHour
                              << "-2562047788015:12";
}

void TestTimeAxis::relativeLabels()
{
    QFETCH(qint64, ms);
    QFETCH(qint64, step);
    QFETCH(QString, label);
    QCOMPARE(chart::relativeAxisLabel(ms, step), label);
}

void TestTimeAxis::relativeMarksFromTheZero_data()
{
    QTest::addColumn<qint64>("from");
    QTest::addColumn<qint64>("to");
    QTest::addColumn<qint64>("step");
    QTest::addColumn<QVector<qint64>>("marks");
    QTest::newRow("across the zero")
        << qint64(-2500) << qint64(1000) << kSecond << QVector<qint64>{-2000, -1000, 0, 1000};
    QTest::newRow("all negative") << qint64(-999) << qint64(-1) << qint64(200)
                                  << QVector<qint64>{-800, -600, -400, -200};
    // Steps of days count from the zero, not from a calendar day.
    QTest::newRow("five days") << qint64(1) << 11 * 24 * kHour << 5 * 24 * kHour
                               << QVector<qint64>{5 * 24 * kHour, 10 * 24 * kHour};
    QTest::newRow("none between") << qint64(1) << qint64(999) << kSecond << QVector<qint64>{};
    QTest::newRow("ends at the edges") << std::numeric_limits<qint64>::max() - 10
                                       << std::numeric_limits<qint64>::max() << qint64(5)
                                       << QVector<qint64>{std::numeric_limits<qint64>::max() - 7,
                                                          std::numeric_limits<qint64>::max() - 2};
}

void TestTimeAxis::relativeMarksFromTheZero()
{
    QFETCH(qint64, from);
    QFETCH(qint64, to);
    QFETCH(qint64, step);
    QFETCH(QVector<qint64>, marks);
    QCOMPARE(chart::relativeMarks(from, to, step, 100), marks);
    QCOMPARE(chart::relativeMarks(from, to, step, 1).size(), qMin(1, int(marks.size())));
}

QTEST_GUILESS_MAIN(TestTimeAxis)
#include "test_timeaxis.moc"
