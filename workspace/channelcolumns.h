#pragma once

#include "reports/reporttable.h"

#include <QStringList>

#include <vector>

// The bookmark and time columns of a table and the channel columns named by
// code ("U1") or by title ("Напряжение (U1)"); every column when no channel
// is named. Headers name a channel as "name (CODE)".
class ChannelColumnsTable : public ReportTable
{
public:
    ChannelColumnsTable(const ReportTable& table, const QStringList& channels);

    int columnCount() const override
    {
        return m_all ? m_table.columnCount() : int(m_columns.size());
    }
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
    void rowCells(int row, CellSink& sink) const override
    {
        if (m_all)
            m_table.rowCells(row, sink);
        else
            ReportTable::rowCells(row, sink);
    }
    CellKind cellKind(int row, int column) const override
    {
        return m_table.cellKind(row, source(column));
    }

    // The code a header names: the text in its last brackets, else all of it.
    static QString codeOf(const QString& header);

private:
    int source(int column) const { return m_all ? column : m_columns[size_t(column)]; }

    const ReportTable& m_table;
    bool m_all = true;
    std::vector<int> m_columns;
};
