// One update of the statistics dock while a cursor is dragged: 16 channels of
// 1 000 000 rows with both cursors at the ends of the data, against a bare
// pass that sums the same rows.

#include "bench/ratioreporter.h"
#include "statistics/cursorstatistics.h"

#include <cmath>

namespace {

constexpr int rowCount = 1000000;
constexpr int channelCount = 16;

// The assembled form: one tick column, raw values per channel with RATE 2.
struct Columns
{
    std::vector<quint32> ticks;
    std::vector<std::vector<qint32>> values;
    std::vector<ColumnSeries> series;
};

const Columns& columns()
{
    static const Columns all = [] {
        Columns result;
        result.ticks.resize(rowCount);
        for (int r = 0; r < rowCount; ++r)
            result.ticks[size_t(r)] = quint32(r);
        result.values.resize(channelCount);
        for (int c = 0; c < channelCount; ++c) {
            auto& values = result.values[size_t(c)];
            values.resize(rowCount);
            for (int r = 0; r < rowCount; ++r)
                values[size_t(r)] = qint32(std::sin(r * 0.001 + c) * 10000);
            ColumnSeries s;
            s.ticks = result.ticks.data();
            s.values = values.data();
            s.count = rowCount;
            s.divisor = 100;
            result.series.push_back(s);
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
            statistics.addPart(
                titles()[c], std::make_unique<ColumnStatisticsSource>(columns().series[size_t(c)]));
        benchmark::DoNotOptimize(&statistics);
    }
}

void update(benchmark::State& state)
{
    CursorStatistics statistics;
    const QStringList names = titles();
    for (int c = 0; c < channelCount; ++c)
        statistics.addPart(names[c],
                           std::make_unique<ColumnStatisticsSource>(columns().series[size_t(c)]));
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
        for (const ColumnSeries& s : columns().series) {
            for (size_t i = 0; i < s.size(); ++i) {
                const double y = s.y(i);
                total += y * y + y + s.x(i);
            }
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
