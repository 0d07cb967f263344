// Loading a protocol into the table (assembly, row order and model) and
// sorting it by a value column, 1 000 000 ticks x 16 channels (--rows=N for
// another count), against bare loops over the same compact columns.

#include "bench/ratioreporter.h"
#include "bench/table/compacttable.h"
#include "table/numbertext.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <numeric>

namespace {

// Ticks of the loaded protocol; --rows=N sets another count.
int tickCount = 1000000;

void load(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        ProtocolColumns data = compacttable::columns(tickCount);
        compacttable::Catalogue catalogue;
        state.ResumeTiming();
        ProtocolAssembly assembly(catalogue, compacttable::kStart.addYears(1));
        assembly.addProtocol(compacttable::kStart, 10, std::move(data));
        assembly.build();
        ProtocolTableModel model;
        model.setAssembly(&assembly);
        benchmark::DoNotOptimize(model.rowCount());
    }
}

// Taking the columns over, their ranges and the row order: what a load needs.
void bareLoad(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        ProtocolColumns data = compacttable::columns(tickCount);
        state.ResumeTiming();
        ProtocolColumns kept = std::move(data);
        double sum = 0;
        for (const ChannelColumn& column : kept.channels) {
            const auto [low, high] =
                std::minmax_element(column.values.begin(), column.values.end());
            sum += *low + *high;
        }
        std::vector<int> order(kept.ticks.size());
        std::iota(order.begin(), order.end(), 0);
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(order.data());
    }
}

void sortByValue(benchmark::State& state)
{
    compacttable::Loaded loaded(tickCount);
    Qt::SortOrder order = Qt::AscendingOrder;
    for (auto _ : state) {
        loaded.model.sort(5, order);
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
    state.counters["bytes_per_cell"] = compacttable::bytesPerCell(loaded);
}

// A state column mixes texts and numbers.
void sortByState(benchmark::State& state)
{
    compacttable::Loaded loaded(tickCount, true);
    Qt::SortOrder order = Qt::AscendingOrder;
    for (auto _ : state) {
        loaded.model.sort(2 + compacttable::kChannels - 1, order);
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
}

void bareSortByValue(benchmark::State& state)
{
    const ProtocolColumns data = compacttable::columns(tickCount);
    const std::vector<qint32>& values = data.channels[3].values;
    std::vector<int> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    bool ascending = true;
    for (auto _ : state) {
        std::vector<std::pair<double, int>> items;
        items.reserve(order.size());
        for (const int row : order)
            items.emplace_back(values[size_t(row)] / 100.0, row);
        if (ascending)
            std::stable_sort(items.begin(), items.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
        else
            std::stable_sort(items.begin(), items.end(),
                             [](const auto& a, const auto& b) { return b.first < a.first; });
        for (size_t i = 0; i < items.size(); ++i)
            order[i] = items[i].second;
        ascending = !ascending;
        benchmark::DoNotOptimize(order.data());
    }
}

// The texts of 100 000 rows, as a report asks for them cell by cell.
void cellTexts(benchmark::State& state)
{
    compacttable::Loaded loaded(100000);
    QString text;
    for (auto _ : state) {
        qint64 length = 0;
        for (int row = 0; row < loaded.model.allRowCount(); ++row)
            for (int column = 1; column < loaded.model.columnCount(); ++column)
                if (loaded.model.cellText(loaded.model.globalRowAt(row), column, text))
                    length += text.size();
        benchmark::DoNotOptimize(length);
    }
}

void bareCellTexts(benchmark::State& state)
{
    const ProtocolColumns data = compacttable::columns(100000);
    char buffer[32];
    for (auto _ : state) {
        qint64 length = 0;
        for (size_t row = 0; row < data.ticks.size(); ++row)
            for (const ChannelColumn& column : data.channels)
                length += numbertext::write(column.values[row] / 100.0, buffer);
        benchmark::DoNotOptimize(length);
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
    benchmark::RegisterBenchmark(sized("load").c_str(), load)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(sized("bare_load").c_str(), bareLoad)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(sized("sort_value").c_str(), sortByValue)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(sized("bare_sort_value").c_str(), bareSortByValue)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(sized("sort_state").c_str(), sortByState)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("cell_texts/100000", cellTexts)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("bare_cell_texts/100000", bareCellTexts)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios({{sized("load"), sized("bare_load")},
                          {sized("sort_value"), sized("bare_sort_value")},
                          {sized("sort_state"), sized("bare_sort_value")},
                          {"cell_texts/100000", "bare_cell_texts/100000"}});
    compacttable::Loaded loaded(tickCount);
    std::printf("\nmemory per table cell: %.2f bytes (16 channels, %d rows, rows on screen "
                "not counted)\n",
                compacttable::bytesPerCell(loaded), tickCount);
    benchmark::Shutdown();
    return 0;
}
