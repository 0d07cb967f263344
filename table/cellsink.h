#pragma once

#include <QString>

// Takes the cells of one table row that have an item, in column order: a
// report writer gets a whole row from one look-up instead of one per cell.
class CellSink
{
public:
    virtual ~CellSink() = default;
    virtual void take(int column, const QString& text) = 0;
    // A cell whose text is plain ASCII that needs no quoting (a number), as
    // bytes: writers that gather bytes take it without a QString between.
    virtual void takeAscii(int column, const char* text, int length)
    {
        take(column, QString::fromLatin1(text, length));
    }
};
