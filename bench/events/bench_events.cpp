#include "bench/ratioreporter.h"
#include "bench/twochannels.h"
#include "events/eventfinder.h"
#include "table/protocolassembly.h"

#include <cstdio>
#include <random>

namespace {

constexpr std::size_t kRows = 10000000;
constexpr qint64 kMinTicks = 5;  // 500 ms at 100 ms a tick
constexpr qint64 kJoinTicks = 3; // 300 ms

// Voltage in 0.1 V wandering around 230 V with dips, current in 0.01 A.
struct Data
{
    TwoChannels catalogue;
    std::vector<qint32> u;
    std::vector<qint32> i;
    std::unique_ptr<ProtocolAssembly> assembly;

    Data() : u(kRows), i(kRows)
    {
        std::mt19937 random(36);
        std::uniform_int_distribution<int> step(-8, 8);
        std::uniform_int_distribution<int> dip(0, 4000);
        std::uniform_int_distribution<qint32> amperes(0, 2000);
        qint32 volts = 2300;
        for (std::size_t r = 0; r < kRows; ++r) {
            // Back towards 230 V within some twenty ticks of a dip.
            volts += step(random) + (2300 - volts) / 64;
            if (dip(random) == 0)
                volts = 2000;
            u[r] = volts;
            i[r] = amperes(random);
        }
        ProtocolColumns protocol;
        protocol.ticks.resize(kRows);
        for (std::size_t r = 0; r < kRows; ++r)
            protocol.ticks[r] = quint32(r);
        protocol.channels.push_back({QStringLiteral("I1"), 2, i, {}});
        protocol.channels.push_back({QStringLiteral("U1"), 1, u, {}});
        assembly = std::make_unique<ProtocolAssembly>(catalogue);
        assembly->addProtocol(QDateTime(QDate(2024, 1, 1), QTime(0, 0)), 100, std::move(protocol));
        assembly->build();
    }
};

Data& data()
{
    static Data made;
    return made;
}

EventDefinition definition(const QString& condition)
{
    EventDefinition d;
    d.name = QStringLiteral("U");
    d.condition = condition;
    d.minMs = kMinTicks * 100;
    d.joinMs = kJoinTicks * 100;
    return d;
}

std::size_t found = 0;

void findEvents(benchmark::State& state, const QString& condition)
{
    Data& d = data();
    const EventDefinitions definitions{definition(condition)};
    for (auto _ : state) {
        const EventList list = EventFinder::find(*d.assembly, definitions);
        found = list.events.size();
        benchmark::DoNotOptimize(list.events.data());
    }
    state.counters["events"] = double(found);
}

// The same spans by hand: one pass over the raw columns, joined and
// filtered as they end.
void bareLoop(benchmark::State& state)
{
    Data& d = data();
    std::vector<std::pair<qint64, qint64>> events;
    for (auto _ : state) {
        events.clear();
        qint64 start = -1;
        qint64 pendingStart = -1;
        qint64 pendingEnd = 0;
        const auto close = [&](qint64 s, qint64 e) {
            if (pendingStart >= 0 && s - pendingEnd <= kJoinTicks) {
                pendingEnd = e;
                return;
            }
            if (pendingStart >= 0 && pendingEnd - pendingStart >= kMinTicks)
                events.emplace_back(pendingStart, pendingEnd);
            pendingStart = s;
            pendingEnd = e;
        };
        for (std::size_t r = 0; r < kRows; ++r) {
            const bool holds = double(d.u[r]) / 10 < 207 && double(d.i[r]) / 100 > 5;
            if (holds && start < 0) {
                start = qint64(r);
            } else if (!holds && start >= 0) {
                close(start, qint64(r));
                start = -1;
            }
        }
        if (start >= 0)
            close(start, qint64(kRows));
        close(std::numeric_limits<qint64>::max() / 2, 0);
        benchmark::DoNotOptimize(events.data());
    }
    state.counters["events"] = double(events.size());
}

} // namespace

int main(int argc, char** argv)
{
    data();
    benchmark::RegisterBenchmark("find_events/10000000", findEvents,
                                 QStringLiteral("U1 < 207 && I1 > 5"))
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime();
    // Not a plain comparison: the formula parser computes every row.
    benchmark::RegisterBenchmark("find_events_parser/10000000", findEvents,
                                 QStringLiteral("(U1 < 207) * (I1 > 5)"))
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime();
    benchmark::RegisterBenchmark("bare_loop/10000000", bareLoop)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios({{"find_events/10000000", "bare_loop/10000000"},
                          {"find_events_parser/10000000", "bare_loop/10000000"}});
    // What the list holds per event, its spare capacity included.
    const EventList list = EventFinder::find(*data().assembly, {definition("U1 < 207 && I1 > 5")});
    std::printf("\n%zu events, %.1f bytes per event in the list\n", list.events.size(),
                list.events.empty()
                    ? 0.0
                    : double(list.events.capacity() * sizeof(Event)) / double(list.events.size()));
    benchmark::Shutdown();
    return 0;
}
