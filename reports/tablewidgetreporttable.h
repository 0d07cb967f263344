#pragma once

#include "reports/reporttable.h"

class QTableWidget;

// A table widget as reports see it: its rows in their current order, hidden
// rows included, and the texts its items show.
class TableWidgetReportTable : public ReportTable
{
public:
    explicit TableWidgetReportTable(const QTableWidget& table) : m_table(table) {}

    int columnCount() const override;
    int rowCount() const override;
    bool hasHeader(int column) const override;
    QString headerText(int column) const override;
    bool hasItem(int row, int column) const override;
    QString text(int row, int column) const override;
    CellKind cellKind(int row, int column) const override;

private:
    const QTableWidget& m_table;
};
