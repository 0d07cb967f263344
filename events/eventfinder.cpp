#include "events/eventfinder.h"

#include "events/conditionscan.h"
#include "table/protocolassembly.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// A stretch of records of one protocol where the condition held.
struct Span
{
    qint64 start = 0;
    qint64 end = 0;
    bool endedByNoValue = false;
    bool afterNoValue = false; // a record without a value lies between this and the one before
    bool toProtocolEnd = false;
};

// Record range [first, last) of a protocol whose ticks lie in [from, to].
void recordRange(const std::vector<quint32>& ticks, qint64 offset, qint64 from, qint64 to,
                 std::size_t& first, std::size_t& last)
{
    const auto lower = [offset](quint32 tick, qint64 limit) {
        return qint64(tick) + offset < limit;
    };
    first = from == EventFinder::noLimitFrom
                ? 0
                : std::size_t(std::lower_bound(ticks.begin(), ticks.end(), from, lower) -
                              ticks.begin());
    last = to == EventFinder::noLimitTo
               ? ticks.size()
               : std::size_t(std::lower_bound(ticks.begin(), ticks.end(), to + 1, lower) -
                             ticks.begin());
    last = std::max(first, last);
}

// The spans of one protocol.
void scanProtocol(const ProtocolAssembly& assembly, int protocol, ConditionScan& scan, qint64 from,
                  qint64 to, std::vector<Span>& spans)
{
    std::vector<FormulaInput> columns;
    for (const QString& code : scan.inputs()) {
        FormulaInput input;
        if (!assembly.formulaInput(protocol, code, input))
            return; // the protocol lacks an input: no value anywhere
        columns.push_back(input);
    }
    const std::vector<quint32>& ticks = assembly.recordTicks(protocol);
    const qint64 offset = assembly.offset(protocol);
    std::size_t first = 0;
    std::size_t last = 0;
    recordRange(ticks, offset, from, to, first, last);
    if (first == last)
        return;
    for (FormulaInput& input : columns) {
        if (input.real)
            input.real += std::min(first, input.count);
        else
            input.values += std::min(first, input.count);
        if (input.ids)
            input.ids += std::min(first, input.count);
        input.count = input.count > first ? input.count - first : 0;
    }

    const quint32* tick = ticks.data() + first;
    bool inSpan = false;
    bool noValueSeen = false;
    Span span;
    scan.scan(
        columns, last - first, [&](std::size_t start, const unsigned char* states, std::size_t n) {
            std::size_t j = 0;
            while (j < n) {
                if (!inSpan) {
                    // Most rows hold no event: look for the next one that does.
                    const auto* found = static_cast<const unsigned char*>(
                        std::memchr(states + j, ConditionScan::RowTrue, n - j));
                    const std::size_t next = found ? std::size_t(found - states) : n;
                    noValueSeen =
                        noValueSeen || std::memchr(states + j, ConditionScan::RowNoValue, next - j);
                    j = next;
                    if (j == n)
                        break;
                    inSpan = true;
                    span = Span();
                    span.start = qint64(tick[start + j]) + offset;
                    span.afterNoValue = noValueSeen;
                    noValueSeen = false;
                }
                while (j < n && states[j] == ConditionScan::RowTrue)
                    ++j;
                if (j == n)
                    break;
                inSpan = false;
                span.end = qint64(tick[start + j]) + offset;
                span.endedByNoValue = states[j] == ConditionScan::RowNoValue;
                spans.push_back(span);
            }
        });
    if (inSpan) {
        span.end = qint64(tick[last - first - 1]) + offset + 1;
        span.toProtocolEnd = last == ticks.size();
        spans.push_back(span);
    }
}

} // namespace

EventList EventFinder::find(const ProtocolAssembly& assembly, const EventDefinitions& definitions,
                            qint64 from, qint64 to)
{
    EventList list;
    list.tickMs = assembly.tickMs();
    list.summaries.resize(definitions.size());
    if (!assembly.isBuilt() || assembly.tickMs() == 0)
        return list;
    const qint64 tickMs = assembly.tickMs();
    std::vector<Span> spans;
    for (std::size_t d = 0; d < definitions.size(); ++d) {
        const EventDefinition& definition = definitions[d];
        ConditionScan scan;
        if (!scan.setCondition(definition.condition))
            continue;
        spans.clear();
        for (int p = 0; p < assembly.protocolCount(); ++p)
            scanProtocol(assembly, p, scan, from, to, spans);
        // Protocols come in read order, not in time order.
        std::stable_sort(spans.begin(), spans.end(),
                         [](const Span& a, const Span& b) { return a.start < b.start; });
        // Whole ticks: a gap of joinMs that is no multiple of the tick still joins
        // the spans it reaches.
        const qint64 joinTicks = definition.joinMs / tickMs;
        const qint64 minTicks = (definition.minMs + tickMs - 1) / tickMs;
        EventSummary& summary = list.summaries[d];
        const auto emitEvent = [&](const Span& span) {
            if (span.end - span.start < minTicks)
                return;
            Event event;
            event.start = span.start;
            event.end = span.end;
            event.definition = qint32(d);
            event.flags = quint8((span.toProtocolEnd ? Event::ToProtocolEnd : 0) |
                                 (span.endedByNoValue ? Event::EndedByNoValue : 0));
            list.events.push_back(event);
            ++summary.count;
            summary.ticks += event.ticks();
        };
        for (std::size_t i = 0; i < spans.size(); ++i) {
            Span current = spans[i];
            while (i + 1 < spans.size()) {
                const Span& next = spans[i + 1];
                if (next.start - current.end > joinTicks || current.endedByNoValue ||
                    next.afterNoValue)
                    break;
                if (next.end >= current.end) {
                    current.end = next.end;
                    current.toProtocolEnd = next.toProtocolEnd;
                    current.endedByNoValue = next.endedByNoValue;
                }
                ++i;
            }
            emitEvent(current);
        }
    }
    std::stable_sort(list.events.begin(), list.events.end(), [](const Event& a, const Event& b) {
        return a.start != b.start ? a.start < b.start : a.definition < b.definition;
    });
    return list;
}

EventStatistics EventFinder::statistics(const ProtocolAssembly& assembly, const Event& event,
                                        const QString& code)
{
    EventStatistics result;
    double sum = 0;
    for (int p = 0; p < assembly.protocolCount(); ++p) {
        FormulaInput input;
        if (!assembly.formulaInput(p, code, input))
            continue;
        std::size_t first = 0;
        std::size_t last = 0;
        recordRange(assembly.recordTicks(p), assembly.offset(p), event.start, event.end - 1, first,
                    last);
        last = std::min(last, input.count);
        for (std::size_t r = first; r < last; ++r) {
            double value = 0;
            if (input.real)
                value = input.real[r];
            else
                value = double(input.values[r]) /
                        (input.ids ? input.divisorById[input.ids[r]] : input.divisor);
            if (std::isnan(value))
                continue;
            if (result.count == 0 || value < result.minimum)
                result.minimum = value;
            if (result.count == 0 || value > result.maximum)
                result.maximum = value;
            sum += value;
            ++result.count;
        }
    }
    if (result.count > 0)
        result.mean = sum / double(result.count);
    return result;
}
