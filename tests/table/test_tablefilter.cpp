#include "table/tablefilter.h"

#include <QtTest>

namespace {

struct Row
{
    qint64 time = 0;
    QMap<int, QString> cells;

    qint64 msecsSinceEpoch() const { return time; }
    bool number(int column, double& value) const
    {
        const auto it = cells.find(column);
        if (it == cells.end())
            return false;
        value = it.value().toDouble();
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
    void rangesFindTheirColumnOnce()
    {
        const TableFilter filter({{"I1 (I1)", 0, 1}, {"X (X)", 0, 1}, {"U1 (U1)", 0, 1}},
                                 headers + QStringList{"I1 (I1)"}, true, base, base);
        QCOMPARE(filter.columns(), QVector<int>({3, 0, 2}));
        // A column without a header item matches nothing, not even an empty name.
        const TableFilter empty({{"", 0, 1}}, {QString(), QStringLiteral("")}, true, base, base);
        QCOMPARE(empty.columns(), QVector<int>({1}));
    }

    void timeWindowKeepsItsBoundsWhileActive()
    {
        const auto rows = table({{"1", "1"}, {"x", QString()}, {"1", "1"}, {"1", "1"}, {"1", "1"}});
        const TableFilter filter({}, headers, true, base.addSecs(1), base.addSecs(3));
        QCOMPARE(hidden(filter, rows), QVector<bool>({true, false, false, false, true}));
        const TableFilter inactive({{"I1 (I1)", 10, 20}}, headers, false, base.addDays(1),
                                   base.addDays(2));
        QCOMPARE(hidden(inactive, rows), QVector<bool>(rows.size(), false));
    }

    void everyRangeMustHoldItsCell()
    {
        const QDateTime end = base.addDays(1);
        // Bounds are inclusive.
        const auto single = table(
            {{"9.99", "0"}, {"10", "0"}, {"15", "0"}, {"20", "0"}, {"20.01", "0"}, {"-3", "0"}});
        QCOMPARE(hidden(TableFilter({{"U1 (U1)", 10, 20}}, headers, true, base, end), single),
                 QVector<bool>({true, false, false, false, true, true}));

        // Both channels must pass; a missing cell (a file without I1) hides the row.
        const auto pairs = table({{"15", "1.5"}, {"15", "3"}, {"25", "1.5"}, {"15", QString()}});
        const TableFilter both({{"U1 (U1)", 10, 20}, {"I1 (I1)", 1, 2}}, headers, true, base, end);
        QCOMPARE(hidden(both, pairs), QVector<bool>({false, true, true, true}));
        // Also when the row lies outside the window and an earlier range failed.
        const TableFilter narrow({{"U1 (U1)", 10, 20}, {"I1 (I1)", 0, 5}}, headers, true, end,
                                 end.addDays(1));
        QCOMPARE(hidden(narrow, table({{"99", QString()}})), QVector<bool>({true}));

        // Text cells count as zero.
        const auto texts = table({{"Вкл", "0"}, {"2", "0"}, {"0", "0"}, {"1e-3", "0"}});
        QCOMPARE(hidden(TableFilter({{"U1 (U1)", 0, 0}}, headers, true, base, end), texts),
                 QVector<bool>({false, true, false, true}));
        QCOMPARE(hidden(TableFilter({{"U1 (U1)", 1, 5}}, headers, true, base, end), texts),
                 QVector<bool>({true, false, true, true}));
    }
};

QTEST_GUILESS_MAIN(TestTableFilter)
#include "test_tablefilter.moc"
