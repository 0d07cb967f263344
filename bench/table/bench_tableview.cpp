// The protocol table's view over 10 000 000 ticks x 16 channels: a load (model
// reset), a sort by a value column and a filter, each until the view has
// followed and painted, against the same model work with no view at all (the
// bare baseline). A QTableView, which keeps a row header section per row, runs
// the same steps for comparison, and is the reference for a scroll step. The
// heap each view keeps is printed at the end.
//
//   bench_tableview [--rows=N] [benchmark options]

#include "bench/ratioreporter.h"
#include "bench/table/compacttable.h"
#include "table/frozencolumnstableview.h"
#include "table/tablefilter.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include <cstring>
#include <malloc.h>
#include <memory>

namespace {

int rows = 10000000;

enum Kind { Bare, Frozen, Table };
const char* const kKindNames[] = {"bare", "frozen_view", "qtableview"};

compacttable::Loaded& loaded()
{
    static compacttable::Loaded table(rows);
    return table;
}

std::size_t heapInUse()
{
    // Large blocks are mapped apart from the heap's arena.
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

std::size_t viewBytes[3] = {};

// Closed before the application ends.
std::unique_ptr<QAbstractItemView> views[3];

QAbstractItemView* view(Kind kind)
{
    // Made before any step is timed.
    loaded();
    if (kind == Bare)
        return nullptr;
    if (!views[kind]) {
        if (kind == Frozen) {
            views[kind] = std::make_unique<FrozenColumnsTableView>();
        } else {
            // As the table was built before: a hidden row header of fixed sections.
            auto table = std::make_unique<QTableView>();
            table->verticalHeader()->hide();
            table->verticalHeader()->setMinimumSectionSize(22);
            table->verticalHeader()->setDefaultSectionSize(22);
            table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
            views[kind] = std::move(table);
        }
        views[kind]->setSelectionBehavior(QAbstractItemView::SelectRows);
        views[kind]->resize(1200, 800);
        views[kind]->show();
        QCoreApplication::processEvents();
        // What the rows cost, without the window and its backing store.
        const std::size_t before = heapInUse();
        views[kind]->setModel(&loaded().model);
        QCoreApplication::processEvents();
        viewBytes[kind] = heapInUse() - before;
    }
    return views[kind].get();
}

// Lets the view take in what changed and paint it, as the event loop would.
void settle(QAbstractItemView* shown)
{
    if (shown)
        QCoreApplication::processEvents();
}

void reset(benchmark::State& state, Kind kind)
{
    QAbstractItemView* shown = view(kind);
    for (auto _ : state) {
        loaded().model.setAssembly(&loaded().assembly);
        settle(shown);
    }
}

void sortByValue(benchmark::State& state, Kind kind)
{
    QAbstractItemView* shown = view(kind);
    Qt::SortOrder order = Qt::AscendingOrder;
    for (auto _ : state) {
        loaded().model.sort(5, order);
        settle(shown);
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
}

void filter(benchmark::State& state, Kind kind)
{
    QAbstractItemView* shown = view(kind);
    const QStringList headers = loaded().model.headerLabels();
    const QDateTime from = compacttable::kStart.addSecs(100);
    const QDateTime to = compacttable::kStart.addSecs(qint64(rows) / 100 - 100);
    bool narrow = true;
    for (auto _ : state) {
        // Narrowing and widening again, so that every step changes the rows.
        const TableFilter f({{headers[3], narrow ? 10.0 : -100.0, 40}, {headers[5], 0, 100}},
                            headers, true, from, to);
        loaded().model.applyFilter(f);
        settle(shown);
        narrow = !narrow;
    }
}

void scrollStep(benchmark::State& state, Kind kind)
{
    QAbstractItemView* shown = view(kind);
    QScrollBar* bar = shown->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    int step = bar->singleStep();
    for (auto _ : state) {
        bar->setValue(bar->value() + step);
        settle(shown);
        step = -step;
    }
}

std::string name(const char* what, Kind kind)
{
    return std::string(what) + "/" + kKindNames[kind];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rows=", 7) == 0)
            rows = std::max(1000, std::atoi(argv[i] + 7));
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    QApplication app(count, args.data());

    const std::pair<const char*, void (*)(benchmark::State&, Kind)> steps[] = {
        {"reset", reset}, {"scroll", scrollStep}, {"sort_value", sortByValue}, {"filter", filter}};
    // A scroll step does no model work: the view before this one is its reference.
    for (const auto& step : steps)
        for (Kind kind : {Bare, Frozen, Table})
            if (kind != Bare || step.second != scrollStep)
                benchmark::RegisterBenchmark(name(step.first, kind).c_str(), step.second, kind)
                    ->Unit(benchmark::kMillisecond)
                    ->MinTime(2);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%d rows x %d channels\n", rows, compacttable::kChannels);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const auto& step : steps) {
        const Kind reference = step.second == scrollStep ? Table : Bare;
        for (Kind kind : {Frozen, Table})
            if (kind != reference)
                pairs.emplace_back(name(step.first, kind), name(step.first, reference));
    }
    reporter.printRatios(pairs);
    for (Kind kind : {Frozen, Table})
        if (viewBytes[kind] > 0)
            std::printf("heap taken by the model in %s: %.1f MB\n", kKindNames[kind],
                        viewBytes[kind] / 1e6);
    for (auto& shown : views)
        shown.reset();
    benchmark::Shutdown();
    return 0;
}
