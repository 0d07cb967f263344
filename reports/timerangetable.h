#pragma once

#include "reports/reporttable.h"

#include <QDateTime>

#include <vector>

// The rows of a table whose time (the text of column 1, "dd/MM/yyyy
// hh:mm:ss.zzz") lies between two local date-times, both included; an
// invalid limit leaves that end open. Rows keep their order; a row whose time
// cannot be read is left out once a limit is set.
class TimeRangeReportTable : public ReportTable
{
public:
    TimeRangeReportTable(const ReportTable& table, const QDateTime& from, const QDateTime& to);

    int columnCount() const override { return m_table.columnCount(); }
    int rowCount() const override { return m_whole ? m_table.rowCount() : int(m_rows.size()); }
    bool hasHeader(int column) const override { return m_table.hasHeader(column); }
    QString headerText(int column) const override { return m_table.headerText(column); }
    bool hasItem(int row, int column) const override
    {
        return m_table.hasItem(tableRow(row), column);
    }
    QString text(int row, int column) const override
    {
        return m_table.text(tableRow(row), column);
    }
    bool cell(int row, int column, QString& text) const override
    {
        return m_table.cell(tableRow(row), column, text);
    }
    CellKind cellKind(int row, int column) const override
    {
        return m_table.cellKind(tableRow(row), column);
    }

private:
    int tableRow(int row) const { return m_whole ? row : m_rows[size_t(row)]; }

    const ReportTable& m_table;
    bool m_whole = true; // no limits: every row, without a list of them
    std::vector<int> m_rows;
};
