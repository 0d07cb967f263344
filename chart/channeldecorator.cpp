#include "chart/channeldecorator.h"

#include "chartdata/channeldata.h"
#include "chart/chart.h"
#include "chartdata/curvedecimator.h"
#include "chartdata/densecurve.h"
#include "chartdata/painterbatchsink.h"

#include <QPainter>

namespace chart::Standard {

namespace {
// A channel's span over a pixel column is a light band: a noisy channel
// must not hide those drawn before it. Several bands share the plot's
// opacity, down to a least one, and their outlines stay in full colour.
constexpr int kBandAlpha = 110;
constexpr int kLeastBandAlpha = 28;
} // namespace

ChannelDecorator::ChannelDecorator(std::unique_ptr<ChartDecorator> next)
    : ChartDecorator(std::move(next))
{
}

void ChannelDecorator::paint(QPainter* painter, Chart* chart)
{
    const QPainter::RenderHints hints = painter->renderHints();
    if (!chart->isBackgroundPass()) {
        window = painter->window();
        // In the chart's own pixels, also when it is painted scaled.
        viewport = chart->deviceMapping().inverted().mapRect(painter->viewport());
        if (chart->isPaintOver() && chart->antialiasing())
            painter->setRenderHint(QPainter::Antialiasing, true);
        int bands = 0;
        for (const Channel& channel : chart->channels()) {
            if (channel.visible()) {
                computeMapping(channel, chart);
                bands += drawnDense(channel) ? 1 : 0;
            }
        }
        bandAlpha = qBound(kLeastBandAlpha, 2 * kBandAlpha / qMax(2, bands + 1), kBandAlpha);
        for (const Channel& channel : chart->channels()) {
            if (!channel.visible())
                continue;
            painter->save();
            painter->setPen(channel.pen());
            computeMapping(channel, chart);
            paintCurve(painter, channel);
            painter->restore();
        }
    }
    painter->setRenderHints(hints);
    painter->setRenderHints(~hints, false);
    painter->restore();
    ChartDecorator::paint(painter, chart);
}

void ChannelDecorator::computeMapping(const Channel& channel, const Chart* chart)
{
    const ScaleSettings& s = chart->scaleSettings();
    const double w = window.width();
    const double h = window.height();
    windowWidth = w;
    xFactor = w / (s.visibleEnd - s.visibleStart);
    xOffset = -xFactor * s.position;
    const double range = channel.scaleMaximum() - channel.scaleMinimum();
    yFactor = -h / range;
    yOffset = channel.scaleMaximum() * h / range;
}

void ChannelDecorator::paintCurve(QPainter* painter, const Channel& channel) const
{
    ChannelData* data = channel.data();
    if (!data)
        return;
    const int columns = qMax(1, viewport.width());
    const bool polyline = channel.type() == Channel::Polyline;
    const CurveMapping mapping{xFactor, xOffset, yFactor, yOffset};
    const PainterBatchSink::Mode mode =
        polyline ? PainterBatchSink::Polyline : PainterBatchSink::Points;

    auto* indexed = dynamic_cast<IndexedChannelData*>(data);
    if (indexed && indexed->isAscending()) {
        const double from = -xOffset / xFactor;
        const double to = (windowWidth - xOffset) / xFactor;
        int first = 0;
        int last = 0;
        indexed->visibleRange(from, to, first, last);
        if (first >= last)
            return;
        // Many points per pixel column: one span per column, read from the
        // pyramid; fewer: the extremes of each column only, the same pixels
        // at a fraction of the cost.
        if (polyline && last - first > kDensePointsPerColumn * columns) {
            paintDenseCurve(painter, *indexed, first, last, mapping, bandAlpha);
            return;
        }
        PainterBatchSink sink(painter, mode);
        CurveDecimator decimator(sink);
        decimator.begin(polyline && last - first > 2 * columns);
        indexed->feed(first, last, mapping, decimator);
        decimator.finish();
        return;
    }

    if (!data->rewind())
        return;
    PainterBatchSink sink(painter, mode);
    CurveDecimator decimator(sink);
    decimator.begin(polyline && data->size() > 2 * columns);
    double x = 0;
    double y = 0;
    while (data->next(x, y))
        decimator.add(mapping.xFactor * x + mapping.xOffset, mapping.yFactor * y + mapping.yOffset);
    decimator.finish();
}

bool ChannelDecorator::drawnDense(const Channel& channel) const
{
    auto* indexed = dynamic_cast<IndexedChannelData*>(channel.data());
    if (channel.type() != Channel::Polyline || !indexed || !indexed->isAscending())
        return false;
    int first = 0;
    int last = 0;
    indexed->visibleRange(-xOffset / xFactor, (windowWidth - xOffset) / xFactor, first, last);
    return last - first > kDensePointsPerColumn * qMax(1, viewport.width());
}

void ChannelDecorator::valuesAt(QPoint& point, QVector<QPointF>& values, Chart* chart, QRect&)
{
    const ScaleSettings& s = chart->scaleSettings();
    const double factor = viewport.width() / (s.visibleEnd - s.visibleStart);
    const double x = point.x() / factor + s.position;
    for (const Channel& channel : chart->channels()) {
        const double range = channel.scaleMaximum() - channel.scaleMinimum();
        values.append(QPointF(x, channel.scaleMaximum() - point.y() * range / viewport.height()));
    }
}

} // namespace chart::Standard
