#include "events/conditionscan.h"

#include <QtTest>

#include <climits>

// The column-by-column path against the formula parser, at the values where
// a comparison of raw values with a decimal number turns.
class TestConditionScan : public QObject
{
    Q_OBJECT
private slots:
    void comparedColumnsAgreeWithTheParser_data();
    void comparedColumnsAgreeWithTheParser();
};

void TestConditionScan::comparedColumnsAgreeWithTheParser_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<double>("divisor");
    QTest::addColumn<qint32>("around"); // raw values around it are tried
    QTest::newRow("less, tenths") << "X < 0.3" << 10.0 << 3;
    QTest::newRow("at most, thousandths") << "X <= 0.3" << 1000.0 << 300;
    QTest::newRow("equal to an inexact decimal") << "X == 0.3" << 10.0 << 3;
    QTest::newRow("not equal") << "X != 0.7" << 100.0 << 70;
    QTest::newRow("number first") << "-0.1 < X" << 10.0 << -1;
    QTest::newRow("at least, negative") << "X >= -207.5" << 10.0 << -2075;
    QTest::newRow("past the raw range") << "X > 3e9 || X < -3e9" << 1.0 << INT_MAX;
    QTest::newRow("the largest raw value") << "X >= 2147483.647" << 1000.0 << INT_MAX;
    QTest::newRow("the smallest") << "X <= -2147483.648 && (X < 0)" << 1000.0 << INT_MIN;
}

void TestConditionScan::comparedColumnsAgreeWithTheParser()
{
    QFETCH(QString, condition);
    QFETCH(double, divisor);
    QFETCH(qint32, around);
    std::vector<qint32> raw;
    for (qint64 r = qint64(around) - 5; r <= qint64(around) + 5; ++r)
        raw.push_back(qint32(qBound<qint64>(INT_MIN, r, INT_MAX)));
    raw.push_back(INT_MIN);
    raw.push_back(INT_MAX);
    raw.push_back(0);
    FormulaInput input;
    input.values = raw.data();
    input.divisor = divisor;
    input.count = raw.size() - 1; // the last row has no value

    ConditionScan direct;
    QVERIFY(direct.setCondition(condition));
    QVERIFY(direct.isDirect());
    ConditionScan parsed;
    QVERIFY(parsed.setCondition(QStringLiteral("(%1) * 1").arg(condition)));
    QVERIFY(!parsed.isDirect());
    const auto statesOf = [&](ConditionScan& scan) {
        QString states;
        scan.scan({input}, raw.size(), [&](std::size_t, const unsigned char* s, std::size_t n) {
            for (std::size_t j = 0; j < n; ++j)
                states.append(QLatin1Char("FTN"[s[j]]));
        });
        return states;
    };
    const QString expected = statesOf(parsed);
    QCOMPARE(statesOf(direct), expected);
    QVERIFY(expected.contains(QLatin1Char('T')) || condition.contains(QLatin1String("3e9")));
    QCOMPARE(expected.back(), QLatin1Char('N'));
}

QTEST_GUILESS_MAIN(TestConditionScan)
#include "test_conditionscan.moc"
