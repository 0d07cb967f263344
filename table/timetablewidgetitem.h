#pragma once

#include <QTableWidgetItem>

// The time cell of a protocol table row: shows the row's date-time, keeps the
// row's global tick under TickRole and orders by the stored time, so sorting
// a long table never parses its texts.
class TimeTableWidgetItem : public QTableWidgetItem
{
public:
    enum { Type = QTableWidgetItem::UserType + 2 };

    TimeTableWidgetItem(const QString& text, qint64 msecsSinceEpoch, qint32 tick);

    qint64 msecsSinceEpoch() const { return m_msecs; }

    QTableWidgetItem* clone() const override;
    bool operator<(const QTableWidgetItem& other) const override;

private:
    qint64 m_msecs = 0;
};
