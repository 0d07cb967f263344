#include "chart/chartdecorator.h"

namespace chart {

ChartDecorator::ChartDecorator(std::unique_ptr<ChartDecorator> next) : successor(std::move(next)) {}

ChartDecorator::~ChartDecorator() = default;

void ChartDecorator::paint(QPainter* painter, Chart* chart)
{
    if (successor)
        successor->paint(painter, chart);
}

void ChartDecorator::valuesAt(QPoint& point, QVector<QPointF>& values, Chart* chart,
                              QRect& plotRect)
{
    if (successor)
        successor->valuesAt(point, values, chart, plotRect);
}

} // namespace chart
