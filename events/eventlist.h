#pragma once

#include <QtGlobal>

#include <vector>

// One event: the ticks [start, end) of the common time base during which
// its definition's condition held. end is the tick of the row that ended
// it, or one tick past the protocol's last record.
struct Event
{
    enum Flag : quint8 {
        ToProtocolEnd = 1, // ran to its protocol's last record ("до конца протокола")
        EndedByNoValue = 2 // ended by a row where an input had no value
    };

    qint64 start = 0;
    qint64 end = 0;
    qint32 definition = 0; // index in the definitions searched
    quint8 flags = 0;

    qint64 ticks() const { return end - start; }
    bool operator==(const Event& other) const
    {
        return start == other.start && end == other.end && definition == other.definition &&
               flags == other.flags;
    }
};
static_assert(sizeof(Event) <= 24, "an event list of many events stays small");

// Count and total duration of one definition's events.
struct EventSummary
{
    int count = 0;
    qint64 ticks = 0;
};

// The events of every definition in order of start, then definition.
struct EventList
{
    std::vector<Event> events;
    std::vector<EventSummary> summaries; // per definition
    quint16 tickMs = 0;

    bool isEmpty() const { return events.empty(); }
    int size() const { return int(events.size()); }
    void clear()
    {
        events.clear();
        summaries.clear();
    }
};
