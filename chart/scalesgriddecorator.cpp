#include "chart/scalesgriddecorator.h"

#include "chart/chart.h"
#include "gauges/scalefunctions.h"

#include <QPainter>
#include <QSet>

namespace chart::Standard {

ScalesGridDecorator::ScalesGridDecorator(std::unique_ptr<ChartDecorator> next, quint16 msPerTick)
    : ChartDecorator(std::move(next)), layout(msPerTick)
{
}

void ScalesGridDecorator::setTimeBase(const QDateTime& origin, quint16 msPerTick)
{
    layout.setTimeBase(origin, msPerTick);
}

void ScalesGridDecorator::paint(QPainter* painter, Chart* chart)
{
    layout.begin(painter, chart);

    const int yMesh = chart->yMesh();
    QSet<QString> drawn;
    for (int i = 0; i < chart->channelCount(); ++i) {
        Channel& channel = *chart->channelAt(i);
        layout.anyScaleShown |= channel.showScale();
        const double step = scaleStep(channel.maximum() - channel.minimum(), yMesh);
        double lo = 0;
        double hi = 0;
        scaleRange(channel.minimum(), channel.maximum(), lo, hi, yMesh, true, step);
        const double tick = (hi - lo) / yMesh;
        channel.setScaleRange(lo, hi + tick);
        if (!channel.showScale() || drawn.contains(channel.name()))
            continue;
        drawn.insert(channel.name());
        painter->setPen(channel.pen());
        layout.scalesWidth += layout.paintValueLabels(painter, chart, lo, hi, tick) + 7;
    }

    layout.paintHorizontalLines(painter, chart);
    layout.paintBottomScale(painter, chart);
    layout.paintVerticalLines(painter, chart);
    layout.clipToPlot(painter, chart);
    ChartDecorator::paint(painter, chart);
}

void ScalesGridDecorator::valuesAt(QPoint& point, QVector<QPointF>& values, Chart* chart,
                                   QRect& plotRect)
{
    layout.valuesAt(point, plotRect, chart);
    ChartDecorator::valuesAt(point, values, chart, plotRect);
}

} // namespace chart::Standard
