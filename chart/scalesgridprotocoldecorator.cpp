#include "chart/scalesgridprotocoldecorator.h"

#include "chart/chart.h"
#include "gauges/scalefunctions.h"
#include "protocol/channellookup.h"

#include <cmath>

#include <QFontMetrics>
#include <QPainter>

namespace chart::Standard {

namespace {
// Far more state labels than any plot has pixel rows for.
constexpr int kMaxStateLabels = 10000;
} // namespace

ScalesGridProtocolDecorator::ScalesGridProtocolDecorator(std::unique_ptr<ChartDecorator> next,
                                                         quint16 msPerTick)
    : ChartDecorator(std::move(next)), layout(msPerTick), lookup(&ChannelLookup::streamLoger())
{
}

void ScalesGridProtocolDecorator::setTimeBase(const QDateTime& origin, quint16 msPerTick)
{
    layout.setTimeBase(origin, msPerTick);
}

void ScalesGridProtocolDecorator::setChannelLookup(const ChannelLookup* channelLookup)
{
    lookup = channelLookup ? channelLookup : &ChannelLookup::streamLoger();
}

bool ScalesGridProtocolDecorator::channelScaleRange(const Channel& channel, double minimum,
                                                    double maximum, double& lo, double& hi,
                                                    int steps, bool left, double increment) const
{
    const QString code = lookup->codeByTitle(channel.name());
    if (!code.isEmpty() && lookup->hasRefs(code)) {
        lo = minimum;
        hi = maximum;
        return false;
    }
    return scaleRange(minimum, maximum, lo, hi, steps, left, increment);
}

void ScalesGridProtocolDecorator::paint(QPainter* painter, Chart* chart)
{
    layout.begin(painter, chart);
    const int yMesh = chart->yMesh();
    const QFontMetrics metrics(chart->font());
    layout.paintValueColumns(
        painter, chart,
        [this, yMesh](const Channel& channel, double step, double& lo, double& hi) {
            channelScaleRange(channel, channel.minimum(), channel.maximum(), lo, hi, yMesh, true,
                              step);
        },
        [this, painter, chart, &metrics](const Channel& channel, double lo, double hi, double tick,
                                         bool draw) {
            const QString code = lookup->codeByTitle(channel.name());
            const bool state = !code.isEmpty() && lookup->hasRefs(code);
            // The caption first: labels give way to it.
            const QSize caption = metrics.size(Qt::TextSingleLine, code);
            if (draw)
                painter->drawText(QPointF(layout.scalesWidth, caption.height()), code);
            const double freeTop = code.isEmpty() ? 0.0 : caption.height() + metrics.descent();
            int widest = state
                             ? paintStateLabels(painter, chart, code, lo, hi, tick, freeTop, draw)
                             : layout.paintValueLabels(painter, chart, lo, hi, tick, freeTop, draw);
            widest = qMax(widest, caption.width());
            return widest + 7.0;
        });
    // Another chart's width read back here lines the plots up exactly.
    layout.scalesWidth = qMax(layout.scalesWidth, minimumScalesWidth);
    layout.finish(painter, chart);
    ChartDecorator::paint(painter, chart);
}

int ScalesGridProtocolDecorator::paintStateLabels(QPainter* painter, const Chart* chart,
                                                  const QString& code, double lo, double hi,
                                                  double tick, double freeTop, bool draw) const
{
    const QFontMetrics metrics(chart->font());
    const double plotHeight = layout.plotHeight;
    const double unit = plotHeight / (hi + tick - lo);
    if (!(unit > 0) || !std::isfinite(unit))
        return 0;
    // Every whole state value at the height where the curve draws it, from
    // the bottom up; values too close to the one below stay unlabelled.
    double value = std::trunc(lo);
    double y = plotHeight + (lo - value) * unit;
    double freeBelow = 1e9;
    int widest = 0;
    for (int n = 0; value <= hi && n < kMaxStateLabels && y >= 0; ++n, value += 1, y -= unit) {
        const double baseline = y - 2.5;
        if (baseline + metrics.descent() > freeBelow)
            continue;
        if (baseline - metrics.ascent() < freeTop)
            break;
        const bool inRange = std::fabs(value) < 2147483647.0;
        QString text = inRange ? lookup->refText(code, static_cast<int>(value)).left(3) : QString();
        if (text.isEmpty())
            text = std::fabs(value) < 9e15 ? QString::number(static_cast<qint64>(value))
                                           : QString::number(value, 'f', 0);
        if (draw)
            painter->drawText(QPointF(layout.scalesWidth, baseline), text);
        widest = qMax(widest, metrics.size(Qt::TextSingleLine, text).width());
        freeBelow = baseline - metrics.ascent();
    }
    return widest;
}

void ScalesGridProtocolDecorator::valuesAt(QPoint& point, QVector<QPointF>& values, Chart* chart,
                                           QRect& plotRect)
{
    layout.valuesAt(point, plotRect, chart);
    ChartDecorator::valuesAt(point, values, chart, plotRect);
}

} // namespace chart::Standard
