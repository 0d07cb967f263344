#pragma once

#include <QString>

// Takes the cells of one table row that have an item, in column order: a
// report writer gets a whole row from one look-up instead of one per cell.
class CellSink
{
public:
    virtual ~CellSink() = default;
    virtual void take(int column, const QString& text) = 0;
};
