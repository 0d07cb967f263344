// One update of the statistics dock while a cursor is dragged: 16 channels of
// 1 000 000 rows with both cursors at the ends of the data, against a bare
// pass that sums the same rows.

#include "bench/ratioreporter.h"
#include "statistics/cursorstatistics.h"

#include <cmath>

namespace {

constexpr int rowCount = 1000000;
constexpr int channelCount = 16;

const std::vector<ChannelSeries>& series()
{
    static const std::vector<ChannelSeries> all = [] {
        std::vector<ChannelSeries> result(channelCount);
        for (int c = 0; c < channelCount; ++c) {
            result[size_t(c)].reserve(rowCount);
            for (int r = 0; r < rowCount; ++r)
                result[size_t(c)].emplace_back(r, std::sin(r * 0.001 + c) * 100);
        }
        return result;
    }();
    return all;
}

QStringList titles()
{
    QStringList titles;
    for (int c = 0; c < channelCount; ++c)
        titles.append(QStringLiteral("Канал %1").arg(c));
    return titles;
}

void buildIndex(benchmark::State& state)
{
    for (auto _ : state) {
        CursorStatistics statistics;
        for (int c = 0; c < channelCount; ++c)
            statistics.addPart(titles()[c],
                               std::make_unique<SeriesStatisticsSource>(series()[size_t(c)]));
        benchmark::DoNotOptimize(&statistics);
    }
}

void update(benchmark::State& state)
{
    CursorStatistics statistics;
    const QStringList names = titles();
    for (int c = 0; c < channelCount; ++c)
        statistics.addPart(names[c], std::make_unique<SeriesStatisticsSource>(series()[size_t(c)]));
    qint32 shift = 0;
    for (auto _ : state) {
        // A drag moves the cursor a little every time.
        shift = (shift + 7) % 100;
        auto rows = statistics.rows(shift, rowCount - 1 - shift, names);
        benchmark::DoNotOptimize(rows.data());
    }
}

void barePass(benchmark::State& state)
{
    for (auto _ : state) {
        double total = 0;
        for (const ChannelSeries& s : series()) {
            for (const auto& pair : s)
                total += pair.second * pair.second + pair.second;
        }
        benchmark::DoNotOptimize(total);
    }
}

} // namespace

BENCHMARK(buildIndex)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(update)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(barePass)->Unit(benchmark::kMillisecond)->Repetitions(3);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n16 channels x 1 000 000 rows between the cursors; target: update <= 20 ms\n");
    reporter.printRatios({{"update", "barePass"}, {"buildIndex", "barePass"}});
    return 0;
}
