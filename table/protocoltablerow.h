#pragma once

#include <QString>
#include <QStringList>

class QTableWidget;
class TableFilter;

// One row of the protocol table as the table filter reads it.
class ProtocolTableRow
{
public:
    ProtocolTableRow(const QTableWidget& table, int row) : m_table(table), m_row(row) {}

    // The time cell's stored time; a time cell of another kind is parsed
    // from its text.
    qint64 msecsSinceEpoch() const;
    bool text(int column, QString& text) const;

    // Header texts by column; null where a column has no header item.
    static QStringList headerTexts(const QTableWidget& table);
    // Hides and shows the rows in one pass.
    static void applyFilter(QTableWidget& table, const TableFilter& filter);

private:
    const QTableWidget& m_table;
    int m_row;
};
