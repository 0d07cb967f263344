#include "bench/twochannels.h"
#include "compare/comparisonsession.h"
#include "compare/comparisontable.h"
#include "compare/comparisontablemodel.h"
#include "table/protocolassembly.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr std::size_t kRows = 1000000;

const TwoChannels catalogue;

// A run of a million ticks: voltage in 0.1 V wandering around 230 V, current
// in 0.01 A; the second run's tick is 250 ms, the first's 100 ms.
std::unique_ptr<ProtocolAssembly> run(const QDateTime& start, quint16 tickMs, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> step(-8, 8);
    std::uniform_int_distribution<qint32> amperes(0, 2000);
    ProtocolColumns protocol;
    protocol.ticks.resize(kRows);
    std::vector<qint32> u(kRows);
    std::vector<qint32> i(kRows);
    qint32 volts = 2300;
    for (std::size_t r = 0; r < kRows; ++r) {
        protocol.ticks[r] = quint32(r);
        volts += step(random) + (2300 - volts) / 64;
        u[r] = volts;
        i[r] = amperes(random);
    }
    protocol.channels.push_back({QStringLiteral("I1"), 2, i, {}});
    protocol.channels.push_back({QStringLiteral("U1"), 1, u, {}});
    auto assembly = std::make_unique<ProtocolAssembly>(catalogue);
    assembly->addProtocol(start, tickMs, std::move(protocol));
    assembly->build();
    return assembly;
}

ComparisonSession& session()
{
    static ComparisonSession* opened = [] {
        auto* s = new ComparisonSession;
        std::vector<std::unique_ptr<ProtocolAssembly>> runs;
        runs.push_back(run(QDateTime(QDate(2024, 1, 1), QTime(8, 0)), 100, 1));
        runs.push_back(run(QDateTime(QDate(2024, 1, 2), QTime(9, 0)), 250, 2));
        s->openAssemblies(
            std::move(runs),
            {QStringLiteral("/nonexistent/a.log"), QStringLiteral("/nonexistent/b.log")},
            AlignmentRule());
        return s;
    }();
    return *opened;
}

void difference(benchmark::State& state)
{
    ComparisonSession& s = session();
    for (auto _ : state) {
        s.addDifference(QStringLiteral("U1"), 1);
        benchmark::DoNotOptimize(s.differences().front().points.data());
        s.removeDifference(QStringLiteral("U1"), 1);
    }
}

void rebuildRows(benchmark::State& state)
{
    ComparisonSession& s = session();
    for (auto _ : state)
        s.rebuildRows();
}

void sortColumn(benchmark::State& state)
{
    ComparisonTableModel& model = *session().tableModel();
    // U1 [1], by value, then back to time order.
    for (auto _ : state) {
        model.sort(3, Qt::DescendingOrder);
        model.sort(0, Qt::AscendingOrder);
    }
}

void filterRows(benchmark::State& state)
{
    ComparisonTableModel& model = *session().tableModel();
    for (auto _ : state) {
        model.setFilter(true, 0, 50000000, {{QStringLiteral("U1"), 229, 231}});
        benchmark::DoNotOptimize(model.rowCount());
    }
    model.setFilter(false, 0, 0, {});
}

void writeRows(benchmark::State& state)
{
    const auto table = session().reportTable();
    class Count : public CellSink
    {
    public:
        qint64 bytes = 0;
        void take(int, const QString& text) override { bytes += text.size(); }
        void takeAscii(int, const char*, int length) override { bytes += length; }
    } sink;
    for (auto _ : state) {
        for (int row = 0; row < table->rowCount(); ++row)
            table->rowCells(row, sink);
    }
    benchmark::DoNotOptimize(sink.bytes);
}

} // namespace

int main(int argc, char** argv)
{
    session();
    for (const auto& [name, function] :
         std::vector<std::pair<const char*, void (*)(benchmark::State&)>>{
             {"difference_channel/2x1000000", difference},
             {"rebuild_rows/2x1000000", rebuildRows},
             {"sort_column/2x1000000", sortColumn},
             {"filter_rows/2x1000000", filterRows},
             {"row_cells/2x1000000", writeRows}})
        benchmark::RegisterBenchmark(name, function)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
