// The repaint while the user drags a compared protocol along the relative
// axis: a 1600 x 900 protocol chart of two compared curves of N points each,
// the whole span shown, one curve's origin moved before every paint (as the
// owner does on each protocolShiftDragged). Against it, the same repaint of
// the same curves in an ordinary chart (solid pens, no comparison), origin
// unchanged. Both paint the widget pass as paintEvent does, into an image,
// after a first paint has built the min/max pyramids.
//
//   bench_comparisondrag [--points=N] [benchmark options]
//
// N points per curve, 1 000 000 by default. Target: 16 ms CPU per drag paint.

#include "bench/sizeoption.h"
#include "chart/chartprotocol.h"
#include "chartdata/pairdatacontainer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>

namespace {
constexpr int kWidth = 1600;
constexpr int kHeight = 900;
constexpr qint64 kTickMs = 100;
int pointsPerCurve = 1000000;

enum Shape { Smooth, Noisy };

// Two runs of one channel, read in place from their columns as a loaded
// protocol keeps them.
struct Runs
{
    std::vector<quint32> ticks;
    std::vector<qint32> values[2];
};

struct Scene
{
    Runs runs;
    ColumnSeries compared[2];
    ColumnSeries ordinary[2];
    std::unique_ptr<ChartProtocol> comparison;
    std::unique_ptr<ChartProtocol> plain;
};

ColumnSeries seriesOf(const Runs& runs, int run, qint64 origin)
{
    ColumnSeries series;
    series.ticks = runs.ticks.data();
    series.values = runs.values[run].data();
    series.count = runs.ticks.size();
    series.divisor = 10;
    series.scale = kTickMs;
    series.origin = origin;
    return series;
}

std::unique_ptr<ChartProtocol> chartOf(ColumnSeries (&series)[2], bool compared)
{
    auto chart = std::make_unique<ChartProtocol>();
    chart->resize(kWidth, kHeight);
    if (compared)
        chart->setComparedProtocols({{"11.03.2024 08:00", 0}, {"12.03.2024 09:00", 0}});
    for (int run = 0; run < 2; ++run) {
        const QColor colour(230, 60, 60);
        Channel channel(0, 500, new ProtocolColumnData(&series[run]), QStringLiteral("U1"),
                        compared ? ChartProtocol::comparedPen(colour, run) : QPen(colour));
        if (compared)
            channel.setProtocol(run);
        chart->addChannel(channel);
    }
    const double span = double(pointsPerCurve) * kTickMs;
    chart->setSize(span);
    chart->setPosition(-0.05 * span);
    chart->setPaintOver();
    return chart;
}

Scene& scene(Shape shape)
{
    static std::map<Shape, Scene> scenes;
    Scene& s = scenes[shape];
    if (s.comparison)
        return s;
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, shape == Noisy ? 40 : 0.5);
    s.runs.ticks.resize(pointsPerCurve);
    for (int run = 0; run < 2; ++run)
        s.runs.values[run].resize(pointsPerCurve);
    for (int i = 0; i < pointsPerCurve; ++i) {
        s.runs.ticks[i] = quint32(i);
        const double wave = 2300 + 400 * std::sin(i * 6.0 / pointsPerCurve);
        for (int run = 0; run < 2; ++run)
            s.runs.values[run][i] = qint32(wave + 30 * run + noise(random));
    }
    for (int run = 0; run < 2; ++run) {
        s.compared[run] = seriesOf(s.runs, run, run == 1 ? -30000 : 0);
        s.ordinary[run] = seriesOf(s.runs, run, 0);
    }
    s.comparison = chartOf(s.compared, true);
    s.plain = chartOf(s.ordinary, false);
    return s;
}

// One widget pass, as paintEvent draws over the cached background.
void paintPass(ChartProtocol& chart, QImage& image)
{
    QPainter painter(&image);
    chart.paintLayers(&painter);
}

void dragPaint(benchmark::State& state, Shape shape)
{
    Scene& s = scene(shape);
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    paintPass(*s.comparison, image); // builds the pyramids
    qint64 step = 250;
    for (auto _ : state) {
        // Back and forth, so that the curve stays in view however long it runs.
        s.compared[1].origin += step;
        if (std::abs(s.compared[1].origin + 30000) > 600000)
            step = -step;
        s.comparison->update();
        paintPass(*s.comparison, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void plainPaint(benchmark::State& state, Shape shape)
{
    Scene& s = scene(shape);
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    paintPass(*s.plain, image);
    for (auto _ : state) {
        paintPass(*s.plain, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

// Console output plus the CPU time per iteration of each case.
class CpuReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration && run.iterations > 0)
                cpuMs[run.run_name.function_name] =
                    run.cpu_accumulated_time / double(run.iterations) * 1e3;
        }
    }
    std::map<std::string, double> cpuMs;
};
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::vector<char*> args = takeSizeOption(argc, argv, "--points=", pointsPerCurve, 10);
    int count = static_cast<int>(args.size());
    QApplication app(count, args.data());

    for (const Shape shape : {Smooth, Noisy}) {
        const std::string tag = shape == Smooth ? "smooth" : "noisy";
        benchmark::RegisterBenchmark(("plain/" + tag).c_str(), plainPaint, shape)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("drag/" + tag).c_str(), dragPaint, shape)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&count, args.data());
    CpuReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n2 curves x %d points, %dx%d, whole span; CPU ms per paint\n", pointsPerCurve,
                kWidth, kHeight);
    std::printf("%-10s %12s %12s %8s %s\n", "shape", "drag paint", "plain paint", "ratio",
                "(target: drag <= 16 ms)");
    for (const char* tag : {"smooth", "noisy"}) {
        const double drag = reporter.cpuMs["drag/" + std::string(tag)];
        const double plain = reporter.cpuMs["plain/" + std::string(tag)];
        if (drag > 0 && plain > 0)
            std::printf("%-10s %12.2f %12.2f %8.2f %s\n", tag, drag, plain, drag / plain,
                        drag <= 16 ? "ok" : "over");
    }
    return 0;
}
