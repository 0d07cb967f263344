// Protocol table assembly: merging protocols and filling the table widget the
// way the main window does, against a bare loop that fills a table of the same
// shape with plain items and sorts it once. Also the table filter over the
// filled widget against a bare loop over the same cells.
//
// Default sizes are small; --full runs one protocol of 100 000 ticks and four
// of 25 000 ticks, 16 channels each. Peak memory of every case is measured in
// a child process of its own (getrusage).

#include "bench/ratioreporter.h"
#include "protocol/channellookup.h"
#include "table/protocolassembly.h"
#include "table/protocoltablefiller.h"
#include "table/protocoltablerow.h"
#include "table/tablefilter.h"
#include "table/timetablewidgetitem.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QTableWidget>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int channelCount = 16;
constexpr quint16 tickMs = 100;
const QDateTime base(QDate(2024, 1, 31), QTime(22, 0));

class BenchLookup : public ChannelLookup
{
public:
    QString channelName(const QString& code) const override
    {
        return QStringLiteral("Канал %1").arg(code);
    }
    int rateById(int id) const override { return id % 4; }
    int rateByCode(const QString&) const override { return 0; }
    // Two enumerated channels, as a logger's mode and state channels.
    bool hasRefs(const QString& code) const override
    {
        return code == QLatin1String("C05") || code == QLatin1String("C11");
    }
    QString refText(const QString& code, int raw) const override
    {
        if (!hasRefs(code))
            return QString();
        if (raw == 0)
            return QStringLiteral("Выкл");
        if (raw == 1)
            return QStringLiteral("Вкл");
        return QString();
    }
    QString codeByTitle(const QString&) const override { return QString(); }
};

struct Shape
{
    int files;
    int ticks;
    std::string name() const { return std::to_string(files) + "x" + std::to_string(ticks); }
};

struct Input
{
    QDateTime start;
    ChannelRecords records;
    QStringList timeTexts; // for the bare loop, made before timing
};

const BenchLookup catalogue;

std::vector<Input> makeInput(const Shape& shape)
{
    std::vector<Input> inputs;
    for (int f = 0; f < shape.files; ++f) {
        Input input;
        // Each file overlaps half of the next one, so their rows interleave.
        input.start = base.addMSecs(qint64(f) * shape.ticks * tickMs / 2 + 50 * f);
        for (int c = 0; c < channelCount; ++c) {
            const QString code = QStringLiteral("C%1").arg(c + 1, 2, 10, QLatin1Char('0'));
            const bool enumerated = catalogue.hasRefs(code);
            QVector<LogRecord> records;
            records.reserve(shape.ticks);
            for (int j = 0; j < shape.ticks; ++j) {
                const qint32 raw = enumerated
                                       ? (j / 50 + c) % 3
                                       : qint32((qint64(j) * 7919 + c * 104729) % 50000) - 25000;
                records.append(LogRecord{quint8(c + 1), quint32(j), raw});
            }
            input.records.insert(code, records);
        }
        for (int j = 0; j < shape.ticks; ++j)
            input.timeTexts.append(
                input.start.addMSecs(qint64(j) * tickMs).toString("dd/MM/yyyy hh:mm:ss.zzz"));
        inputs.push_back(std::move(input));
    }
    return inputs;
}

std::unique_ptr<QTableWidget> makeTable()
{
    auto table = std::make_unique<QTableWidget>(0, 2);
    table->setHorizontalHeaderItem(0, new QTableWidgetItem(QString()));
    table->setHorizontalHeaderItem(1, new QTableWidgetItem(QStringLiteral("Дата")));
    return table;
}

// The main window's path: assembly, table rows, series, one sort.
std::unique_ptr<QTableWidget> assembleTable(const std::vector<Input>& inputs,
                                            std::vector<std::unique_ptr<ChannelSeries>>* kept)
{
    auto table = makeTable();
    ProtocolAssembly assembly(catalogue, base.addYears(10));
    for (const Input& input : inputs)
        assembly.addProtocol(input.start, tickMs, input.records);
    assembly.build();
    ProtocolTableFiller filler(*table, assembly);
    filler.setupColumns();
    ProtocolTableFiller::Hooks hooks;
    hooks.beforeRow = [](int record) {
        if (record % 1000 == 0)
            QCoreApplication::processEvents();
    };
    hooks.cancelled = [] { return false; };
    for (int i = 0; i < assembly.protocolCount(); ++i)
        filler.fillProtocol(i, hooks);
    auto series = assembly.takeSeries();
    filler.sortByTime();
    if (kept)
        *kept = std::move(series);
    return table;
}

// Plain items, texts as a bare loop makes them, rows in file order, one sort.
std::unique_ptr<QTableWidget> bareTable(const std::vector<Input>& inputs)
{
    auto table = makeTable();
    int rows = 0;
    for (const Input& input : inputs)
        rows += input.timeTexts.size();
    table->setColumnCount(2 + channelCount);
    table->setRowCount(rows);
    double divisor[256];
    for (int id = 0; id < 256; ++id)
        divisor[id] = std::pow(10.0, catalogue.rateById(id));
    int row = 0;
    for (const Input& input : inputs) {
        std::vector<const QVector<LogRecord>*> channels;
        for (auto it = input.records.cbegin(); it != input.records.cend(); ++it)
            channels.push_back(&it.value());
        for (int j = 0; j < input.timeTexts.size(); ++j, ++row) {
            table->setItem(row, 1, new QTableWidgetItem(input.timeTexts[j]));
            for (int c = 0; c < channelCount; ++c) {
                const LogRecord& r = (*channels[size_t(c)])[j];
                table->setItem(
                    row, 2 + c,
                    new QTableWidgetItem(QString::number(r.value / divisor[r.id], 'g', 6)));
            }
        }
    }
    table->sortItems(1);
    return table;
}

void runAssembly(benchmark::State& state, const Shape& shape)
{
    const auto inputs = makeInput(shape);
    for (auto _ : state) {
        auto table = assembleTable(inputs, nullptr);
        benchmark::DoNotOptimize(table->rowCount());
    }
}

void runBare(benchmark::State& state, const Shape& shape)
{
    const auto inputs = makeInput(shape);
    for (auto _ : state) {
        auto table = bareTable(inputs);
        benchmark::DoNotOptimize(table->rowCount());
    }
}

// Filter: two channel ranges and a time window over the filled table.
struct FilterSetup
{
    QDateTime from = base.addSecs(60);
    QDateTime to = base.addSecs(3600);
    QVector<Range> ranges = {{QStringLiteral("Канал C02 (C02)"), -2000, 2000},
                             {QStringLiteral("Канал C05 (C05)"), 0, 1}};
};

void runFilter(benchmark::State& state, const Shape& shape)
{
    const auto inputs = makeInput(shape);
    std::vector<std::unique_ptr<ChannelSeries>> series;
    auto table = assembleTable(inputs, &series);
    const FilterSetup setup;
    bool active = false;
    for (auto _ : state) {
        // Alternate on and off so that every pass changes rows.
        active = !active;
        const TableFilter filter(setup.ranges, ProtocolTableRow::headerTexts(*table), active,
                                 setup.from, setup.to);
        ProtocolTableRow::applyFilter(*table, filter);
    }
}

// `suspend`: with the table's updates off while rows are hidden, as the
// filter does; without, the plain loop.
void runFilterBare(benchmark::State& state, const Shape& shape, bool suspend)
{
    const auto inputs = makeInput(shape);
    std::vector<std::unique_ptr<ChannelSeries>> series;
    auto table = assembleTable(inputs, &series);
    const FilterSetup setup;
    const qint64 from = setup.from.toMSecsSinceEpoch();
    const qint64 to = setup.to.toMSecsSinceEpoch();
    const int first = 3;  // C02
    const int second = 6; // C05
    bool active = false;
    for (auto _ : state) {
        active = !active;
        if (suspend)
            table->setUpdatesEnabled(false);
        for (int row = 0; row < table->rowCount(); ++row) {
            bool hidden = false;
            if (active) {
                const qint64 time =
                    static_cast<const TimeTableWidgetItem*>(table->item(row, 1))->msecsSinceEpoch();
                const QTableWidgetItem* a = table->item(row, first);
                const QTableWidgetItem* b = table->item(row, second);
                hidden = !a || !b;
                if (!hidden) {
                    const double va = a->text().toDouble();
                    const double vb = b->text().toDouble();
                    hidden =
                        time < from || to < time || va < -2000 || va > 2000 || vb < 0 || vb > 1;
                }
            }
            if (table->isRowHidden(row) != hidden)
                table->setRowHidden(row, hidden);
        }
        if (suspend)
            table->setUpdatesEnabled(true);
    }
}

long residentKb()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

// Child process: one run of one case; prints the growth of peak memory.
int measurePeak(const std::string& which, const Shape& shape)
{
    const auto inputs = makeInput(shape);
    const long before = residentKb();
    {
        std::vector<std::unique_ptr<ChannelSeries>> series;
        auto table = which == "assembly" ? assembleTable(inputs, &series) : bareTable(inputs);
        benchmark::DoNotOptimize(table->rowCount());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld\n", usage.ru_maxrss - before);
    return 0;
}

long peakInChild(const std::string& which, const Shape& shape)
{
    QProcess child;
    const QStringList arguments = {
        QString::fromStdString("--peak=" + which),
        QStringLiteral("--shape=%1x%2").arg(shape.files).arg(shape.ticks)};
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(600000))
        return -1;
    return child.readAllStandardOutput().trimmed().toLong();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    bool full = false;
    std::string peak;
    Shape peakShape{1, 1};
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--full") == 0)
            full = true;
        else if (std::strncmp(argv[i], "--peak=", 7) == 0)
            peak = argv[i] + 7;
        else if (std::strncmp(argv[i], "--shape=", 8) == 0)
            std::sscanf(argv[i] + 8, "%dx%d", &peakShape.files, &peakShape.ticks);
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    QApplication app(restCount, rest.data());
    if (!peak.empty())
        return measurePeak(peak, peakShape);

    const std::vector<Shape> shapes = full ? std::vector<Shape>{{1, 100000}, {4, 25000}}
                                           : std::vector<Shape>{{1, 10000}, {4, 2500}};
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const Shape& shape : shapes) {
        const std::string a = "assembly/" + shape.name();
        const std::string b = "bare_fill/" + shape.name();
        benchmark::RegisterBenchmark(a.c_str(), runAssembly, shape)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
        benchmark::RegisterBenchmark(b.c_str(), runBare, shape)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
        pairs.emplace_back(a, b);
    }
    const Shape filterShape = shapes.front();
    const std::string fa = "filter/" + filterShape.name();
    const std::string fb = "bare_filter/" + filterShape.name();
    benchmark::RegisterBenchmark(fa.c_str(), runFilter, filterShape)->Unit(benchmark::kMillisecond);
    const std::string fp = "bare_filter_plain/" + filterShape.name();
    benchmark::RegisterBenchmark(fb.c_str(), runFilterBare, filterShape, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(fp.c_str(), runFilterBare, filterShape, false)
        ->Unit(benchmark::kMillisecond);
    pairs.emplace_back(fa, fb);
    pairs.emplace_back(fa, fp);

    int benchArgc = restCount;
    benchmark::Initialize(&benchArgc, rest.data());
    if (benchmark::ReportUnrecognizedArguments(benchArgc, rest.data()))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios(pairs);

    std::printf("\n%-40s %12s %12s %8s\n", "peak memory growth", "KiB", "bare KiB", "ratio");
    for (const Shape& shape : shapes) {
        const long ours = peakInChild("assembly", shape);
        const long bare = peakInChild("bare", shape);
        std::printf("%-40s %12ld %12ld %8.2f\n", ("assembly/" + shape.name()).c_str(), ours, bare,
                    bare > 0 ? double(ours) / double(bare) : 0.0);
    }
    benchmark::Shutdown();
    return 0;
}
