#include "chart/scalesgriddecorator.h"

#include "chart/chart.h"
#include "gauges/scalefunctions.h"

#include <QPainter>

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
    layout.paintValueColumns(
        painter, chart,
        [yMesh](const Channel& channel, double step, double& lo, double& hi) {
            scaleRange(channel.minimum(), channel.maximum(), lo, hi, yMesh, true, step);
        },
        [this, painter, chart](const Channel&, double lo, double hi, double tick, bool draw) {
            return layout.paintValueLabels(painter, chart, lo, hi, tick, 0, draw) + 7.0;
        });
    layout.finish(painter, chart);
    ChartDecorator::paint(painter, chart);
}

void ScalesGridDecorator::valuesAt(QPoint& point, QVector<QPointF>& values, Chart* chart,
                                   QRect& plotRect)
{
    layout.valuesAt(point, plotRect, chart);
    ChartDecorator::valuesAt(point, values, chart, plotRect);
}

} // namespace chart::Standard
