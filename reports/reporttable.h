#pragma once

#include "table/cellsink.h"

#include <QString>

// What a report reads from a table: headers and cell texts as the table shows
// them. Rows and columns count from 0; column 0 is the bookmark column, which
// no report prints.
class ReportTable
{
public:
    virtual ~ReportTable() = default;

    virtual int columnCount() const = 0;
    virtual int rowCount() const = 0;
    virtual bool hasHeader(int column) const = 0;
    virtual QString headerText(int column) const = 0;
    virtual bool hasItem(int row, int column) const = 0;
    virtual QString text(int row, int column) const = 0;
    // Both at once: false when the cell has no item, else its text. Tables
    // that make their texts on request answer it with one look-up.
    virtual bool cell(int row, int column, QString& text) const
    {
        if (!hasItem(row, column))
            return false;
        text = this->text(row, column);
        return true;
    }

    // The cells of a row from column 1 on that have an item, in column
    // order; tables that hold whole rows answer it with one look-up.
    virtual void rowCells(int row, CellSink& sink) const
    {
        QString text;
        for (int column = 1; column < columnCount(); ++column) {
            if (cell(row, column, text))
                sink.take(column, text);
        }
    }

    // What a cell's text stands for, so that a workbook can store numbers
    // and date-times as such; the text stays what is shown.
    enum class CellKind { Text, Number, DateTime };
    virtual CellKind cellKind(int row, int column) const
    {
        Q_UNUSED(row)
        Q_UNUSED(column)
        return CellKind::Text;
    }
};
