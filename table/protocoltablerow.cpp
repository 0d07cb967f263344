#include "table/protocoltablerow.h"

#include "table/tablefilter.h"
#include "table/timetablewidgetitem.h"
#include "table/timetextformatter.h"

#include <QTableWidget>

#include <limits>

qint64 ProtocolTableRow::msecsSinceEpoch() const
{
    const QTableWidgetItem* item = m_table.item(m_row, 1);
    if (item && item->type() == TimeTableWidgetItem::Type)
        return static_cast<const TimeTableWidgetItem*>(item)->msecsSinceEpoch();
    const QDateTime time =
        item ? QDateTime::fromString(item->text(), TimeTextFormatter::format()) : QDateTime();
    // A row without a readable time lies before any window.
    return time.isValid() ? time.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

bool ProtocolTableRow::text(int column, QString& text) const
{
    const QTableWidgetItem* item = m_table.item(m_row, column);
    if (!item)
        return false;
    text = item->text();
    return true;
}

QStringList ProtocolTableRow::headerTexts(const QTableWidget& table)
{
    QStringList texts;
    for (int column = 0; column < table.columnCount(); ++column) {
        const QTableWidgetItem* header = table.horizontalHeaderItem(column);
        texts.append(header ? header->text() : QString());
    }
    return texts;
}

void ProtocolTableRow::applyFilter(QTableWidget& table, const TableFilter& filter)
{
    // Hiding rows one by one in a table that repaints costs time quadratic in
    // the row count (seconds for 100 000 rows); with updates off it is linear.
    const bool updates = table.updatesEnabled();
    table.setUpdatesEnabled(false);
    for (int row = 0; row < table.rowCount(); ++row) {
        const bool hidden = filter.isHidden(ProtocolTableRow(table, row));
        if (table.isRowHidden(row) != hidden)
            table.setRowHidden(row, hidden);
    }
    table.setUpdatesEnabled(updates);
}
