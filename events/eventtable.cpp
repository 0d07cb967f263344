#include "events/eventtable.h"

#include "events/conditionscan.h"
#include "table/protocolassembly.h"

#include <cmath>
#include <limits>

namespace {
QString numberText(double value)
{
    QString text = QString::number(value, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}
} // namespace

EventTable::EventTable(const ProtocolAssembly* assembly, const EventDefinitions& definitions,
                       const EventList& list)
    : m_assembly(assembly), m_definitions(definitions), m_list(list)
{
    std::vector<QStringList> inputs;
    for (const EventDefinition& definition : m_definitions) {
        ConditionScan scan;
        inputs.push_back(scan.setCondition(definition.condition) ? scan.inputs() : QStringList());
        for (const QString& code : inputs.back()) {
            if (!m_codes.contains(code))
                m_codes.append(code);
        }
    }
    for (const QStringList& read : inputs) {
        std::vector<bool> reads;
        for (const QString& code : qAsConst(m_codes))
            reads.push_back(read.contains(code));
        m_reads.push_back(reads);
    }
    if (m_assembly)
        m_startMs = m_assembly->commonStart().toMSecsSinceEpoch();
}

QString EventTable::headerText(int column) const
{
    switch (column) {
    case NameColumn:
        return QStringLiteral("Событие");
    case StartColumn:
        return QStringLiteral("Начало");
    case EndColumn:
        return QStringLiteral("Конец");
    case DurationColumn:
        return QStringLiteral("Длительность");
    case NoteColumn:
        return QStringLiteral("Примечание");
    default:
        break;
    }
    if (column < FirstValueColumn || column >= columnCount())
        return QString();
    static const QString kinds[] = {QStringLiteral("мин"), QStringLiteral("макс"),
                                    QStringLiteral("сред")};
    const int value = column - FirstValueColumn;
    return QStringLiteral("%1 %2").arg(m_codes.at(value / 3), kinds[value % 3]);
}

const EventStatistics* EventTable::statistics(int row, int column, int& which) const
{
    const int value = column - FirstValueColumn;
    const int code = value / 3;
    which = value % 3;
    const Event& e = event(row);
    if (!m_assembly || size_t(e.definition) >= m_reads.size() ||
        !m_reads[size_t(e.definition)][size_t(code)])
        return nullptr;
    if (m_statistics.empty()) {
        EventStatistics unknown;
        unknown.count = -1;
        m_statistics.assign(size_t(rowCount()) * size_t(m_codes.size()), unknown);
    }
    EventStatistics& kept = m_statistics[size_t(row) * size_t(m_codes.size()) + size_t(code)];
    if (kept.count < 0)
        kept = EventFinder::statistics(*m_assembly, e, m_codes.at(code));
    return kept.count > 0 ? &kept : nullptr;
}

bool EventTable::hasItem(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column <= 0 || column >= columnCount())
        return false;
    if (column < FirstValueColumn)
        return true;
    int which = 0;
    return statistics(row, column, which) != nullptr;
}

QDateTime EventTable::dateTime(qint64 tick) const
{
    return QDateTime::fromMSecsSinceEpoch(m_startMs + tick * m_list.tickMs);
}

QString EventTable::text(int row, int column) const
{
    if (!hasItem(row, column))
        return QString();
    const Event& e = event(row);
    switch (column) {
    case NameColumn:
        return m_definitions[size_t(e.definition)].name;
    case StartColumn:
        return dateTime(e.start).toString(timeFormat());
    case EndColumn:
        return dateTime(e.end).toString(timeFormat());
    case DurationColumn:
        return durationText(milliseconds(e));
    case NoteColumn:
        if (e.flags & Event::ToProtocolEnd)
            return QStringLiteral("до конца протокола");
        if (e.flags & Event::EndedByNoValue)
            return QStringLiteral("нет данных");
        return QString();
    default:
        break;
    }
    int which = 0;
    const EventStatistics* values = statistics(row, column, which);
    return numberText(which == 0 ? values->minimum : which == 1 ? values->maximum : values->mean);
}

ReportTable::CellKind EventTable::cellKind(int row, int column) const
{
    Q_UNUSED(row)
    if (column == StartColumn || column == EndColumn)
        return CellKind::DateTime;
    return column >= FirstValueColumn ? CellKind::Number : CellKind::Text;
}

double EventTable::sortValue(int row, int column) const
{
    const Event& e = event(row);
    switch (column) {
    case NameColumn:
        return e.definition;
    case StartColumn:
        return double(e.start);
    case EndColumn:
        return double(e.end);
    case DurationColumn:
        return double(e.ticks());
    case NoteColumn:
        return e.flags;
    default:
        break;
    }
    int which = 0;
    const EventStatistics* values = hasItem(row, column) ? statistics(row, column, which) : nullptr;
    if (!values)
        return std::numeric_limits<double>::quiet_NaN();
    return which == 0 ? values->minimum : which == 1 ? values->maximum : values->mean;
}

QStringList EventTable::summaryLines() const
{
    QStringList lines;
    for (size_t d = 0; d < m_definitions.size(); ++d) {
        const EventSummary summary =
            d < m_list.summaries.size() ? m_list.summaries[d] : EventSummary();
        lines.append(QStringLiteral("%1: %2, всего %3")
                         .arg(m_definitions[d].name)
                         .arg(QStringLiteral("событий %1").arg(summary.count))
                         .arg(durationText(summary.ticks * m_list.tickMs)));
    }
    return lines;
}

QString EventTable::bookmarkNote(int row) const
{
    const Event& e = event(row);
    return QStringLiteral("%1, %2").arg(m_definitions[size_t(e.definition)].name,
                                        durationText(milliseconds(e)));
}
