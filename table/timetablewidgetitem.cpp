#include "table/timetablewidgetitem.h"

#include "table/tickrole.h"

TimeTableWidgetItem::TimeTableWidgetItem(const QString& text, qint64 msecsSinceEpoch, qint32 tick)
    : QTableWidgetItem(text, Type), m_msecs(msecsSinceEpoch)
{
    // Stored unsigned, read back with toInt().
    setData(TickRole, QVariant(quint32(tick)));
}

QTableWidgetItem* TimeTableWidgetItem::clone() const
{
    // The base copy constructor would reset the type; assignment keeps it.
    auto* copy = new TimeTableWidgetItem(QString(), m_msecs, 0);
    *copy = *this;
    return copy;
}

bool TimeTableWidgetItem::operator<(const QTableWidgetItem& other) const
{
    if (other.type() == Type)
        return m_msecs < static_cast<const TimeTableWidgetItem&>(other).m_msecs;
    return QTableWidgetItem::operator<(other);
}
