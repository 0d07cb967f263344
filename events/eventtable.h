#pragma once

#include "events/eventdefinition.h"
#include "events/eventfinder.h"
#include "reports/reporttable.h"

#include <QDateTime>
#include <QStringList>

#include <vector>

// The event list as a table, for the dock, the workbook, the PDF and the
// CSV alike: column 0 is the empty bookmark column of every report table,
// then "Событие", "Начало", "Конец", "Длительность", "Примечание" and the
// minimum, maximum and mean of each channel that a condition reads (empty
// for the events of definitions that do not read it). The statistics are
// worked out when a cell first asks for them and kept.
class EventTable : public ReportTable
{
public:
    enum Column {
        NameColumn = 1,
        StartColumn,
        EndColumn,
        DurationColumn,
        NoteColumn,
        FirstValueColumn
    };

    // The assembly must outlive the table; `list` is copied.
    EventTable(const ProtocolAssembly* assembly, const EventDefinitions& definitions,
               const EventList& list);

    int columnCount() const override { return FirstValueColumn + 3 * m_codes.size(); }
    int rowCount() const override { return int(m_list.events.size()); }
    bool hasHeader(int column) const override { return column > 0; }
    QString headerText(int column) const override;
    bool hasItem(int row, int column) const override;
    QString text(int row, int column) const override;
    CellKind cellKind(int row, int column) const override;

    // The number a column sorts by: ticks for times and durations, the
    // value for statistics; NaN where the cell is empty.
    double sortValue(int row, int column) const;
    const Event& event(int row) const { return m_list.events[size_t(row)]; }
    const EventList& list() const { return m_list; }
    const EventDefinitions& definitions() const { return m_definitions; }
    // The channel codes of the value columns, in order.
    const QStringList& codes() const { return m_codes; }
    QDateTime dateTime(qint64 tick) const;
    qint64 milliseconds(const Event& event) const { return event.ticks() * m_list.tickMs; }
    // "Напряжение: 12 событий, 00:01:30.250" per definition.
    QStringList summaryLines() const;
    // "Напряжение, 00:00:01.250": the note of a bookmark at the event's start.
    QString bookmarkNote(int row) const;

    static QString timeFormat() { return QStringLiteral("dd/MM/yyyy hh:mm:ss.zzz"); }

private:
    const EventStatistics* statistics(int row, int column, int& which) const;

    const ProtocolAssembly* m_assembly;
    EventDefinitions m_definitions;
    EventList m_list;
    QStringList m_codes;
    std::vector<std::vector<bool>> m_reads; // per definition, per code
    qint64 m_startMs = 0;
    mutable std::vector<EventStatistics> m_statistics; // per row and code, count -1 until asked
};
