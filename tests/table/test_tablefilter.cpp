#include "table/tablefilter.h"

#include <QtTest>

namespace {

struct Row
{
    qint64 time = 0;
    QMap<int, QString> cells;

    qint64 msecsSinceEpoch() const { return time; }
    bool text(int column, QString& text) const
    {
        const auto it = cells.find(column);
        if (it == cells.end())
            return false;
        text = it.value();
        return true;
    }
};

const QDateTime base(QDate(2024, 5, 10), QTime(12, 0));
const QStringList headers = {QString(), "Дата", "U1 (U1)", "I1 (I1)", "Режим (M)"};

// Rows one second apart; cells in columns 2 (U1) and 3 (I1).
QVector<Row> table(const QVector<QPair<QString, QString>>& values)
{
    QVector<Row> rows;
    for (int i = 0; i < values.size(); ++i) {
        Row row{base.addSecs(i).toMSecsSinceEpoch(), {}};
        if (!values[i].first.isNull())
            row.cells.insert(2, values[i].first);
        if (!values[i].second.isNull())
            row.cells.insert(3, values[i].second);
        rows.append(row);
    }
    return rows;
}

QVector<bool> hidden(const TableFilter& filter, const QVector<Row>& rows)
{
    QVector<bool> result;
    for (const Row& row : rows)
        result.append(filter.isHidden(row));
    return result;
}

} // namespace

class TestTableFilter : public QObject
{
    Q_OBJECT

private slots:
    void rangesFindTheirColumnOnce();
    void inactiveFilterShowsEveryRow();
    void timeWindowKeepsItsBounds();
    void channelBoundsAreInclusive();
    void twoChannelsMustBothPass();
    void missingCellHidesTheRow();
    void textCellsCountAsZero();
};

void TestTableFilter::rangesFindTheirColumnOnce()
{
    const TableFilter filter({{"I1 (I1)", 0, 1}, {"X (X)", 0, 1}, {"U1 (U1)", 0, 1}},
                             headers + QStringList{"I1 (I1)"}, true, base, base);
    QCOMPARE(filter.columns(), QVector<int>({3, 0, 2}));
    // A column without a header item matches nothing, not even an empty name.
    const TableFilter empty({{"", 0, 1}}, {QString(), QStringLiteral("")}, true, base, base);
    QCOMPARE(empty.columns(), QVector<int>({1}));
}

void TestTableFilter::inactiveFilterShowsEveryRow()
{
    const auto rows = table({{"1", QString()}, {"x", "5"}});
    const TableFilter filter({{"I1 (I1)", 10, 20}}, headers, false, base.addDays(1),
                             base.addDays(2));
    QCOMPARE(hidden(filter, rows), QVector<bool>({false, false}));
}

void TestTableFilter::timeWindowKeepsItsBounds()
{
    const auto rows = table({{"1", "1"}, {"1", "1"}, {"1", "1"}, {"1", "1"}, {"1", "1"}});
    const TableFilter filter({}, headers, true, base.addSecs(1), base.addSecs(3));
    QCOMPARE(hidden(filter, rows), QVector<bool>({true, false, false, false, true}));
}

void TestTableFilter::channelBoundsAreInclusive()
{
    const auto rows =
        table({{"9.99", "0"}, {"10", "0"}, {"15", "0"}, {"20", "0"}, {"20.01", "0"}, {"-3", "0"}});
    const TableFilter filter({{"U1 (U1)", 10, 20}}, headers, true, base, base.addDays(1));
    QCOMPARE(hidden(filter, rows), QVector<bool>({true, false, false, false, true, true}));
}

void TestTableFilter::twoChannelsMustBothPass()
{
    const auto rows = table({{"15", "1.5"}, {"15", "3"}, {"25", "1.5"}, {"25", "3"}});
    const TableFilter filter({{"U1 (U1)", 10, 20}, {"I1 (I1)", 1, 2}}, headers, true, base,
                             base.addDays(1));
    QCOMPARE(hidden(filter, rows), QVector<bool>({false, true, true, true}));
}

void TestTableFilter::missingCellHidesTheRow()
{
    // The second file lacks I1: its rows have no cell in column 3.
    const auto rows = table({{"15", "1"}, {"15", QString()}, {"99", QString()}});
    const TableFilter filter({{"U1 (U1)", 10, 20}, {"I1 (I1)", 0, 5}}, headers, true, base,
                             base.addDays(1));
    QCOMPARE(hidden(filter, rows), QVector<bool>({false, true, true}));
    // Also when the row lies outside the window and an earlier range failed.
    const TableFilter narrow({{"U1 (U1)", 10, 20}, {"I1 (I1)", 0, 5}}, headers, true,
                             base.addDays(1), base.addDays(2));
    QCOMPARE(hidden(narrow, rows), QVector<bool>({true, true, true}));
}

void TestTableFilter::textCellsCountAsZero()
{
    const auto rows = table({{"Вкл", "0"}, {"2", "0"}, {"0", "0"}, {"1e-3", "0"}});
    const TableFilter zeroOnly({{"U1 (U1)", 0, 0}}, headers, true, base, base.addDays(1));
    QCOMPARE(hidden(zeroOnly, rows), QVector<bool>({false, true, false, true}));
    const TableFilter positive({{"U1 (U1)", 1, 5}}, headers, true, base, base.addDays(1));
    QCOMPARE(hidden(positive, rows), QVector<bool>({true, false, true, true}));
}

QTEST_GUILESS_MAIN(TestTableFilter)
#include "test_tablefilter.moc"
