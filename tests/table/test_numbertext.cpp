#include "table/numbertext.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <limits>

// The fast texts must be the toolkit's texts, character for character: the
// table, the CSV and the workbook show them.
class TestNumberText : public QObject
{
    Q_OBJECT

    static void check(qint32 raw, int rate)
    {
        const double divisor = std::pow(10.0, rate);
        const double value = double(raw) / divisor;
        const QString expected = QString::number(value, 'g', 6);
        QCOMPARE(numbertext::text(value), expected);
        QCOMPARE(numbertext::textRaw(raw, divisor), expected);
        QString reused = QStringLiteral("a longer text before");
        numbertext::setTextRaw(reused, raw, rate, divisor);
        QCOMPARE(reused, expected);
        const double read = expected.toDouble();
        QCOMPARE(numbertext::shown(value), read);
        QCOMPARE(numbertext::shownRaw(raw, divisor), read);
    }

private slots:
    void matchesTheToolkitAtTheEdges()
    {
        // Where the form switches to exponents, where rounding carries into
        // a new digit, and the ends of the raw range.
        const qint32 lowest = std::numeric_limits<qint32>::min();
        const QVector<qint32> raws = {0,        1,          -1,       5,        9999995,  999999,
                                      1000000,  999995,     9999994,  1234567,  -1234567, 100000,
                                      10,       123450,     999950,   99999949, 1484765,  1234565,
                                      12345650, 2147483647, -1000005, -1542625, lowest};
        for (const qint32 raw : raws)
            for (int rate = -3; rate <= 12; ++rate)
                check(raw, rate);
        QCOMPARE(numbertext::text(1e-05), QStringLiteral("1e-05"));
        QCOMPARE(numbertext::text(0.0001), QStringLiteral("0.0001"));
        QCOMPARE(numbertext::text(123456), QStringLiteral("123456"));
        QCOMPARE(numbertext::text(1234567), QStringLiteral("1.23457e+06"));
    }

    // A definition's RATE far out of range divides by zero or by infinity:
    // -0, infinities and "nan" are written as the toolkit writes them.
    void matchesTheToolkitOutOfRange()
    {
        for (const qint32 raw : {0, 5, -5, 2147483647})
            for (const int rate : {-400, 400})
                check(raw, rate);
        QCOMPARE(numbertext::text(-0.0), QStringLiteral("0"));
        QCOMPARE(numbertext::text(-std::numeric_limits<double>::quiet_NaN()),
                 QString::number(-std::numeric_limits<double>::quiet_NaN(), 'g', 6));
    }

    void matchesTheToolkitOverManyValues()
    {
        QRandomGenerator random(12);
        for (int i = 0; i < 200000; ++i) {
            // Every magnitude of raw value, with the RATEs a definition uses.
            const int digits = int(random.bounded(10));
            const qint32 raw = qint32(random.bounded(2000000000)) / qint32(std::pow(10.0, digits)) *
                               (random.bounded(2) ? 1 : -1);
            check(raw, int(random.bounded(9)) - 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "test_numbertext.moc"
