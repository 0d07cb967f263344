#include "reports/tablewidgetreporttable.h"

#include "table/doubletablewidgetitem.h"

#include <QTableWidget>

int TableWidgetReportTable::columnCount() const
{
    return m_table.columnCount();
}

int TableWidgetReportTable::rowCount() const
{
    return m_table.rowCount();
}

bool TableWidgetReportTable::hasHeader(int column) const
{
    return m_table.horizontalHeaderItem(column) != nullptr;
}

QString TableWidgetReportTable::headerText(int column) const
{
    const QTableWidgetItem* item = m_table.horizontalHeaderItem(column);
    return item ? item->text() : QString();
}

bool TableWidgetReportTable::hasItem(int row, int column) const
{
    return m_table.item(row, column) != nullptr;
}

QString TableWidgetReportTable::text(int row, int column) const
{
    const QTableWidgetItem* item = m_table.item(row, column);
    return item ? item->text() : QString();
}

ReportTable::CellKind TableWidgetReportTable::cellKind(int row, int column) const
{
    if (column == 1)
        return CellKind::DateTime;
    return dynamic_cast<const DoubleTableWidgetItem*>(m_table.item(row, column)) ? CellKind::Number
                                                                                 : CellKind::Text;
}
