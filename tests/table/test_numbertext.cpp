#include "table/numbertext.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <limits>

// The table, the statistics, the CSV and the workbook show these texts: every
// digit the logger wrote, or a result's digits to its decimals.
class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    void loggedValuesKeepEveryDigit_data()
    {
        QTest::addColumn<qint32>("raw");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QString>("text");

        const qint32 lowest = std::numeric_limits<qint32>::min();
        QTest::newRow("counter") << 1234567 << 0 << "1234567";
        QTest::newRow("largest") << 2147483647 << 0 << "2147483647";
        QTest::newRow("lowest") << lowest << 0 << "-2147483648";
        QTest::newRow("largest at rate 3") << 2147483647 << 3 << "2147483.647";
        QTest::newRow("seven digits at rate 2") << -1234567 << 2 << "-12345.67";
        QTest::newRow("trailing zeros dropped") << 1234500 << 3 << "1234.5";
        QTest::newRow("whole") << 100 << 2 << "1";
        QTest::newRow("zero") << 0 << 4 << "0";
        QTest::newRow("small") << 4 << 3 << "0.004";
        QTest::newRow("exponent below 1e-4") << 1 << 5 << "1e-05";
        QTest::newRow("ten digits below 1e-4") << 1234567891 << 14 << "1.234567891e-05";
        QTest::newRow("ten digits at 1e-4") << 1234567891 << 13 << "0.0001234567891";
        QTest::newRow("negative rate") << 123 << -3 << "123000";
        QTest::newRow("exponent from 1e10") << 2147483647 << -1 << "2.147483647e+10";
        QTest::newRow("rate far out") << 5 << 400 << "0";
        QTest::newRow("rate far out, negative") << -5 << -400 << "-inf";
    }
    void loggedValuesKeepEveryDigit()
    {
        QFETCH(qint32, raw);
        QFETCH(int, rate);
        QFETCH(QString, text);

        const double divisor = std::pow(10.0, rate);
        QString reused = QStringLiteral("a longer text before");
        numbertext::setTextRaw(reused, raw, rate, divisor);
        QCOMPARE(reused, text);
        if (std::abs(rate) <= 22) {
            QCOMPARE(numbertext::textRaw(raw, divisor), text);
            // What a sort, a filter and the workbook read: the logged value itself.
            QCOMPARE(numbertext::shownRaw(raw, divisor), text.toDouble());
        }
    }

    // Random raw values of every magnitude: the text is the exact decimal,
    // which the toolkit writes alike with ten digits.
    void loggedTextsAreTheExactDecimals()
    {
        QRandomGenerator random(12);
        QString text;
        for (int i = 0; i < 100000; ++i) {
            const int digits = int(random.bounded(10));
            const qint32 raw = qint32(random.bounded(2000000000)) / qint32(std::pow(10.0, digits)) *
                               (random.bounded(2) ? 1 : -1);
            const int rate = int(random.bounded(12)) - 2;
            const double divisor = std::pow(10.0, rate);
            numbertext::setTextRaw(text, raw, rate, divisor);
            QCOMPARE(text, QString::number(double(raw) / divisor, 'g', 10));
            QCOMPARE(numbertext::shownRaw(raw, divisor), text.toDouble());
        }
    }

    void resultsShowTheirDecimals_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");

        QTest::newRow("power") << 2862.8 << 1 << "2862.8";
        QTest::newRow("whole at 2") << 500.0 << 2 << "500";
        QTest::newRow("rounded") << 1.02449 << 3 << "1.024";
        QTest::newRow("small") << 0.004 << 3 << "0.004";
        QTest::newRow("below 1e-4") << 0.00005 << 5 << "5e-05";
        QTest::newRow("rounds to zero") << -0.0001 << 2 << "0";
        QTest::newRow("past 32 bits at 6") << 2147.483648 << 6 << "2147.483648";
        QTest::newRow("lowest 32-bit at 0") << -2147483648.0 << 0 << "-2147483648";
        QTest::newRow("product of large values") << 1234567.891 << 2 << "1234567.89";
        QTest::newRow("fifteen digits at most") << 123456789012.345678 << 6 << "123456789012.346";
        QTest::newRow("huge") << 1e20 << 2 << "1e+20";
        QTest::newRow("carry into a digit") << 9.9996 << 3 << "10";
    }
    void resultsShowTheirDecimals()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, text);

        QCOMPARE(numbertext::decimalText(value, decimals), text);
        // The kept value is what the text reads back as.
        QCOMPARE(numbertext::rounded(value, decimals), text.toDouble());
    }

    void keptResultsReadBackFromTheirTexts()
    {
        QRandomGenerator random(31);
        for (int i = 0; i < 100000; ++i) {
            const double value =
                (random.generateDouble() - 0.5) * std::pow(10.0, int(random.bounded(40)) - 12);
            const int decimals = int(random.bounded(7));
            const QString text = numbertext::decimalText(value, decimals);
            QCOMPARE(numbertext::rounded(value, decimals), text.toDouble());
            QVERIFY2(std::fabs(text.toDouble() - value) <=
                         0.5 * std::pow(10.0, -decimals) + std::fabs(value) * 1e-14,
                     qPrintable(QStringLiteral("%1 at %2: %3").arg(value).arg(decimals).arg(text)));
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "test_numbertext.moc"
