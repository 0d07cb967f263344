#pragma once

#include "reports/reporttable.h"

#include <QDateTime>

#include <functional>
#include <vector>

// The rows of a table whose time lies between two instants, both included;
// an invalid limit leaves that end open. Rows keep their order; a row whose
// time cannot be read is left out once a limit is set.
//
// A row's time is an instant, so that the hour repeated when summer time
// ends is told apart: either given by the caller (the protocol table knows
// its rows' instants), or read from the text of column 1 ("dd/MM/yyyy
// hh:mm:ss.zzz") as local time, a repeated hour as its first occurrence.
class TimeRangeReportTable : public ReportTable
{
public:
    // The instant of a row in milliseconds since the epoch; false when it has none.
    using RowInstant = std::function<bool(int row, qint64& msecs)>;

    TimeRangeReportTable(const ReportTable& table, const QDateTime& from, const QDateTime& to);
    TimeRangeReportTable(const ReportTable& table, const RowInstant& instantOf,
                         const QDateTime& from, const QDateTime& to);

    // Whether an instant lies between the limits, the rule the rows follow.
    static bool holds(qint64 msecs, const QDateTime& from, const QDateTime& to)
    {
        return (!from.isValid() || msecs >= from.toMSecsSinceEpoch()) &&
               (!to.isValid() || msecs <= to.toMSecsSinceEpoch());
    }

    int columnCount() const override { return m_table.columnCount(); }
    int rowCount() const override { return m_whole ? m_table.rowCount() : int(m_rows.size()); }
    bool hasHeader(int column) const override { return m_table.hasHeader(column); }
    QString headerText(int column) const override { return m_table.headerText(column); }
    bool hasItem(int row, int column) const override
    {
        return m_table.hasItem(tableRow(row), column);
    }
    QString text(int row, int column) const override { return m_table.text(tableRow(row), column); }
    bool cell(int row, int column, QString& text) const override
    {
        return m_table.cell(tableRow(row), column, text);
    }
    void rowCells(int row, CellSink& sink) const override { m_table.rowCells(tableRow(row), sink); }
    CellKind cellKind(int row, int column) const override
    {
        return m_table.cellKind(tableRow(row), column);
    }
    // The row of the whole table that a row of the range shows.
    int tableRow(int row) const { return m_whole ? row : m_rows[size_t(row)]; }

private:
    const ReportTable& m_table;
    bool m_whole = true; // no limits: every row, without a list of them
    std::vector<int> m_rows;
};
