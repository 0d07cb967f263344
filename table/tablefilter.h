#pragma once

#include "table/range.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// Decides which rows of the protocol table the filter hides. While the filter
// is active a row stays visible only when its time lies in the window and
// every filtered channel has a cell whose number lies within its bounds (all
// bounds inclusive; a text that is no number counts as 0). A row lacking a
// filtered channel's cell is hidden exactly when the filter is active.
class TableFilter
{
public:
    // `headers`: the table's header texts by column; a column without a header
    // item is a null string and matches no range.
    TableFilter(const QVector<Range>& ranges, const QStringList& headers, bool active,
                const QDateTime& from, const QDateTime& to);

    // Column of each range: the first header equal to its name, else column 0.
    const QVector<int>& columns() const { return m_columns; }
    bool isActive() const { return m_active; }

    // Row needs `qint64 msecsSinceEpoch() const` and
    // `bool number(int column, double& value) const`: the cell's text read as
    // a number, 0 for a text that is no number; false: no cell there.
    template <typename Row> bool isHidden(const Row& row) const;

private:
    QVector<Range> m_ranges;
    QVector<int> m_columns;
    bool m_active = false;
    qint64 m_from = 0;
    qint64 m_to = 0;
};

template <typename Row> bool TableFilter::isHidden(const Row& row) const
{
    if (!m_active)
        return false;
    const qint64 time = row.msecsSinceEpoch();
    bool out = time < m_from || m_to < time;
    double value = 0;
    for (int k = 0; k < m_ranges.size(); ++k) {
        if (!row.number(m_columns[k], value))
            return true;
        if (!out)
            out = m_ranges[k].from > value || value > m_ranges[k].to;
    }
    return out;
}
