// Painting a 1600 x 900 chart of 16 long channels into an image, against a
// bare painter that does the least any chart must: fill the background with
// its gradient, read every point the chart shows and draw each channel as
// one antialiased polyline of at most four points per pixel column (first,
// lowest, highest, last). Dense windows of the chart read their channels'
// min/max pyramids instead of the points, built once on the first paint;
// building them is timed apart.
//
//   bench_chartpaint [--points=N] [benchmark options]
//
// N points per channel, 1 000 000 by default.

#include "bench/sizeoption.h"
#include "bench/ratioreporter.h"
#include "chart/chart.h"
#include "chartdata/curvedecimator.h"
#include "chartdata/pairdatacontainer.h"
#include "chartdata/painterbatchsink.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>

namespace {
constexpr int kChannels = 16;
constexpr int kWidth = 1600;
constexpr int kHeight = 900;
int pointsPerChannel = 1000000;

enum Shape { Ramp, Noise };
enum Window { Thousand, Whole };

struct Scene
{
    std::vector<ChannelSeries> series;
    std::vector<ProtocolSeriesData*> data; // owned by the chart
    std::unique_ptr<Chart> chart;
};

Scene& scene(Shape shape)
{
    static std::map<Shape, Scene> scenes;
    Scene& s = scenes[shape];
    if (s.chart)
        return s;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> uniform(0, 100);
    s.series.resize(kChannels);
    s.chart = std::make_unique<Chart>();
    s.chart->resize(kWidth, kHeight);
    for (int c = 0; c < kChannels; ++c) {
        ChannelSeries& points = s.series[c];
        points.reserve(pointsPerChannel);
        for (int i = 0; i < pointsPerChannel; ++i) {
            const double y = shape == Ramp ? 100.0 * i / pointsPerChannel + c : uniform(random);
            points.emplace_back(i, y);
        }
        auto* data = new ProtocolSeriesData(&points);
        s.data.push_back(data);
        QPen pen(QColor::fromHsv(c * 360 / kChannels, 255, 255));
        s.chart->addChannel(Channel(0, 120, data, QStringLiteral("ch %1").arg(c), pen));
    }
    return s;
}

void showWindow(Chart& chart, Window window)
{
    if (window == Thousand) {
        chart.setSize(1000.0);
        chart.setPosition(pointsPerChannel / 2.0);
    } else {
        chart.setSize(static_cast<double>(pointsPerChannel));
        chart.setPosition(0.0);
    }
}

void paintChart(benchmark::State& state, Shape shape, Window window)
{
    Scene& s = scene(shape);
    showWindow(*s.chart, window);
    for (auto _ : state) {
        QImage image = s.chart->renderToImage();
        benchmark::DoNotOptimize(image.constBits());
    }
}

// The bare painter: the background, every shown point read, four points
// per pixel column drawn.
constexpr int kPiece = 51;
void barePaint(benchmark::State& state, Shape shape, Window window)
{
    Scene& s = scene(shape);
    showWindow(*s.chart, window);
    s.chart->renderToImage(); // lays out the visible range
    const ScaleSettings& view = s.chart->scaleSettings();
    const double from = view.position;
    const double span = view.visibleEnd - view.visibleStart;
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    QLinearGradient gradient(0, 0, 0, kHeight);
    gradient.setColorAt(0, QColor(0, 0, 150));
    gradient.setColorAt(1, Qt::black);
    QPolygonF line;
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), gradient);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int c = 0; c < kChannels; ++c) {
            int first = 0;
            int last = 0;
            s.data[c]->visibleRange(from, from + span, first, last);
            const ChannelSeries& points = s.series[c];
            line.clear();
            int column = -1;
            double low = 0;
            double high = 0;
            double end = 0;
            const auto flush = [&] {
                if (column >= 0) {
                    line.append(QPointF(column, low));
                    line.append(QPointF(column, high));
                    line.append(QPointF(column, end));
                }
            };
            for (int i = first; i < last; ++i) {
                const int x = int((points[i].first - from) * kWidth / span);
                const double y = kHeight - points[i].second * kHeight / 120.0;
                if (x != column) {
                    flush();
                    column = x;
                    low = high = end = y;
                    line.append(QPointF(x, y));
                    continue;
                }
                low = std::min(low, y);
                high = std::max(high, y);
                end = y;
            }
            flush();
            painter.setPen(QPen(QColor::fromHsv(c * 360 / kChannels, 255, 255))); // as the chart
            // In short pieces, as the chart draws: one long antialiased
            // polyline that crosses itself is stroked as a single path,
            // which takes QPainter seconds.
            for (int at = 0; at + 1 < line.size(); at += kPiece - 1)
                painter.drawPolyline(line.constData() + at, std::min(kPiece, line.size() - at));
        }
    }
    benchmark::DoNotOptimize(image.constBits());
}

// Sixteen curves of four points per pixel column, drawn as the chart draws.
void fourPointsPerColumn(benchmark::State& state)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> height(0, kHeight - 60);
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setViewport(60, 0, kWidth - 60, kHeight - 40);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int c = 0; c < kChannels; ++c) {
            painter.setPen(QColor::fromHsv(c * 360 / kChannels, 255, 255));
            chart::PainterBatchSink sink(&painter, chart::PainterBatchSink::Polyline);
            chart::CurveDecimator batches(sink);
            batches.begin(false);
            for (int x = 0; x < kWidth; ++x)
                for (int k = 0; k < 4; ++k)
                    batches.add(x + k * 0.2, height(random));
            batches.finish();
        }
    }
}

// The min/max pyramids of all channels, as the first dense paint builds them.
void buildPyramids(benchmark::State& state)
{
    Scene& s = scene(Noise);
    for (auto _ : state) {
        for (ChannelSeries& points : s.series) {
            ProtocolSeriesData data(&points);
            double low = 0;
            double high = 0;
            data.extremes(0, 1, low, high);
            benchmark::DoNotOptimize(low);
        }
    }
}

void printRatios(const RatioReporter& reporter)
{
    const auto at = [&](const std::string& name) { return reporter.median(name) * 1000.0; };
    std::printf("\n%d channels x %d points, %dx%d; ms per paint\n", kChannels, pointsPerChannel,
                kWidth, kHeight);
    std::printf("%-28s %10s %12s %12s\n", "case", "paint", "bare paint", "paint/bare");
    for (const char* shape : {"ramp", "noise"}) {
        for (const char* window : {"1000", "whole"}) {
            const std::string tag = std::string(shape) + "/" + window;
            const double paint = at("paint/" + tag);
            const double bare = at("bare/" + tag);
            if (paint == 0 || bare == 0)
                continue;
            std::printf("%-28s %10.2f %12.2f %12.2f\n", tag.c_str(), paint, bare, paint / bare);
        }
    }
    std::printf("%-28s %10.2f\n", "draw 4 points per column", at("draw/four_points_per_column"));
    const double build = at("pyramid/build");
    if (build > 0)
        std::printf("%-28s %10.2f (%.1f x the bare paint of the whole noise)\n",
                    "build 16 pyramids, once", build, build / at("bare/noise/whole"));
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::vector<char*> args = takeSizeOption(argc, argv, "--points=", pointsPerChannel, 10);
    int count = static_cast<int>(args.size());
    QApplication app(count, args.data());

    for (Shape shape : {Ramp, Noise}) {
        for (Window window : {Thousand, Whole}) {
            const std::string tag = std::string(shape == Ramp ? "ramp" : "noise") + "/" +
                                    (window == Thousand ? "1000" : "whole");
            benchmark::RegisterBenchmark(("bare/" + tag).c_str(), barePaint, shape, window)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("paint/" + tag).c_str(), paintChart, shape, window)
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::RegisterBenchmark("draw/four_points_per_column", fourPointsPerColumn)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("pyramid/build", buildPyramids)->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    return 0;
}
