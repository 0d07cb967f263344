#include "reports/protocolreporttable.h"

#include "table/protocoltablemodel.h"

int ProtocolReportTable::columnCount() const
{
    return m_model.columnCount();
}

int ProtocolReportTable::rowCount() const
{
    return m_model.allRowCount();
}

bool ProtocolReportTable::hasHeader(int column) const
{
    return column >= 0 && column < m_model.headerLabels().size();
}

QString ProtocolReportTable::headerText(int column) const
{
    return m_model.headerLabels().value(column);
}

bool ProtocolReportTable::hasItem(int row, int column) const
{
    QString text;
    return cell(row, column, text);
}

QString ProtocolReportTable::text(int row, int column) const
{
    QString text;
    cell(row, column, text);
    return text;
}

ReportTable::CellKind ProtocolReportTable::cellKind(int row, int column) const
{
    if (column == 1)
        return CellKind::DateTime;
    return m_model.isNumberCell(m_model.globalRowAt(row), column) ? CellKind::Number
                                                                  : CellKind::Text;
}

void ProtocolReportTable::rowCells(int row, CellSink& sink) const
{
    m_model.rowCells(m_model.globalRowAt(row), sink);
}

bool ProtocolReportTable::cell(int row, int column, QString& text) const
{
    return m_model.cellText(m_model.globalRowAt(row), column, text);
}
