#pragma once

#include "chart/chartdecorator.h"
#include "chart/scalesgridpainter.h"

namespace chart::Standard {

// Background gradient, value scales (one column per distinct channel name),
// grid and the bottom scale; then clips to the plot for the layers after it.
class ScalesGridDecorator : public ChartDecorator
{
public:
    // With msPerTick 0 the x labels are plain numbers, otherwise times of day.
    ScalesGridDecorator(std::unique_ptr<ChartDecorator> next, quint16 msPerTick);

    void paint(QPainter* painter, Chart* chart) override;
    void valuesAt(QPoint& point, QVector<QPointF>& values, Chart* chart, QRect& plotRect) override;

    void setTimeBase(const QDateTime& origin, quint16 msPerTick);
    double scalesWidth() const { return layout.scalesWidth; }

private:
    ScalesGridPainter layout;
};

} // namespace chart::Standard
