// Applying the table filter, two channel ranges and the time window, to
// 1 000 000 ticks x 16 channels (bench_tablefilter --rows=N for another
// count), against a bare loop over the same compact columns.

#include "bench/ratioreporter.h"
#include "bench/table/compacttable.h"
#include "table/tablefilter.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Ticks of the loaded protocol; --rows=N sets another count.
int tickCount = 1000000;
const QDateTime from = compacttable::kStart.addSecs(100);
const QDateTime to = compacttable::kStart.addSecs(9000);

void filter(benchmark::State& state)
{
    compacttable::Loaded loaded(tickCount);
    const QStringList headers = loaded.model.headerLabels();
    for (auto _ : state) {
        const TableFilter f({{headers[3], 10, 40}, {headers[5], 0, 100}}, headers, true, from, to);
        loaded.model.applyFilter(f);
        benchmark::DoNotOptimize(loaded.model.rowCount());
    }
}

void bareFilter(benchmark::State& state)
{
    const ProtocolColumns data = compacttable::columns(tickCount);
    const std::vector<qint32>& a = data.channels[1].values;
    const std::vector<qint32>& b = data.channels[3].values;
    const qint64 begin = from.toMSecsSinceEpoch();
    const qint64 end = to.toMSecsSinceEpoch();
    const qint64 start = compacttable::kStart.toMSecsSinceEpoch();
    std::vector<bool> hidden(data.ticks.size());
    for (auto _ : state) {
        std::vector<int> visible;
        for (size_t r = 0; r < data.ticks.size(); ++r) {
            const qint64 time = start + qint64(data.ticks[r]) * 10;
            const double va = a[r] / 100.0;
            const double vb = b[r] / 100.0;
            const bool out = time < begin || end < time || va < 10 || va > 40 || vb < 0 || vb > 100;
            hidden[r] = out;
            if (!out)
                visible.push_back(int(r));
        }
        benchmark::DoNotOptimize(visible.data());
    }
}

} // namespace

// "name/rows"
std::string sized(const char* name)
{
    return compacttable::sized(name, tickCount);
}

int main(int argc, char** argv)
{
    compacttable::takeRowsArgument(argc, argv, tickCount);
    benchmark::RegisterBenchmark(sized("filter").c_str(), filter)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(sized("bare_filter").c_str(), bareFilter)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios({{sized("filter"), sized("bare_filter")}});
    benchmark::Shutdown();
    return 0;
}
