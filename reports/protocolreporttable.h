#pragma once

#include "reports/reporttable.h"

class ProtocolTableModel;

// The protocol table as reports see it: every row in the table's current
// order, hidden rows included, with the texts the table shows, made one
// cell at a time as the writer asks.
class ProtocolReportTable : public ReportTable
{
public:
    explicit ProtocolReportTable(const ProtocolTableModel& model) : m_model(model) {}

    int columnCount() const override;
    int rowCount() const override;
    bool hasHeader(int column) const override;
    QString headerText(int column) const override;
    bool hasItem(int row, int column) const override;
    QString text(int row, int column) const override;
    bool cell(int row, int column, QString& text) const override;
    void rowCells(int row, CellSink& sink) const override;
    CellKind cellKind(int row, int column) const override;

private:
    const ProtocolTableModel& m_model;
};
