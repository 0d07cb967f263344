#pragma once

#include "reports/reporttable.h"

#include <vector>

// A table with only some of its channel columns, in a chosen order: columns
// 0 (bookmarks) and 1 (time) stay, then the chosen ones follow.
class ChannelColumnsReportTable : public ReportTable
{
public:
    // `columns`: columns of the whole table, each from 2 on.
    ChannelColumnsReportTable(const ReportTable& table, std::vector<int> columns);

    int columnCount() const override { return 2 + int(m_columns.size()); }
    int rowCount() const override { return m_table.rowCount(); }
    bool hasHeader(int column) const override { return m_table.hasHeader(source(column)); }
    QString headerText(int column) const override { return m_table.headerText(source(column)); }
    bool hasItem(int row, int column) const override
    {
        return m_table.hasItem(row, source(column));
    }
    QString text(int row, int column) const override { return m_table.text(row, source(column)); }
    bool cell(int row, int column, QString& text) const override
    {
        return m_table.cell(row, source(column), text);
    }
    CellKind cellKind(int row, int column) const override
    {
        return m_table.cellKind(row, source(column));
    }

private:
    int source(int column) const { return column < 2 ? column : m_columns[size_t(column - 2)]; }

    const ReportTable& m_table;
    std::vector<int> m_columns;
};
