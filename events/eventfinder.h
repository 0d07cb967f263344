#pragma once

#include "events/eventdefinition.h"
#include "events/eventlist.h"

#include <QStringList>

#include <limits>

class ProtocolAssembly;

// The ranges over which one channel went during an event.
struct EventStatistics
{
    double minimum = 0;
    double maximum = 0;
    double mean = 0;
    qint64 count = 0; // rows with a value; the rest is empty when none
};

// Finds the events of a list of definitions in the protocols of an assembly.
//
// Rules per protocol, scanning its records in order: a record where the
// condition holds starts or continues a span; a record where it does not,
// or where an input has no value, ends it (no data is no violation); the
// protocol's last record ends it with Event::ToProtocolEnd. Then per
// definition, over all protocols in order of time: spans whose gap (from the
// end of one to the start of the next) is at most joinMs become one event,
// unless a record without a value lies between them; the gap between two
// protocols counts as any other, so an event never joins across a pause
// longer than joinMs. Last, events shorter than minMs are dropped.
//
// The search covers the records whose ticks lie in [from, to].
class EventFinder
{
public:
    static constexpr qint64 noLimitFrom = std::numeric_limits<qint64>::min();
    static constexpr qint64 noLimitTo = std::numeric_limits<qint64>::max();

    // Definitions whose condition cannot be evaluated find nothing.
    static EventList find(const ProtocolAssembly& assembly, const EventDefinitions& definitions,
                          qint64 from = noLimitFrom, qint64 to = noLimitTo);

    // The values of one channel over the records in [event.start, event.end)
    // of every protocol.
    static EventStatistics statistics(const ProtocolAssembly& assembly, const Event& event,
                                      const QString& code);
};
