#pragma once

#include <memory>

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QVector>

class Chart;
class QPainter;

namespace chart {

// One element of a chart's painting chain. Each element paints its layer
// and passes the painter on; it owns the rest of the chain.
class ChartDecorator
{
public:
    explicit ChartDecorator(std::unique_ptr<ChartDecorator> next = nullptr);
    ChartDecorator(const ChartDecorator&) = delete;
    ChartDecorator& operator=(const ChartDecorator&) = delete;

    virtual void paint(QPainter* painter, Chart* chart);
    // Values of every channel under point (widget coordinates); leaves the
    // plot area in plotRect and shifts point by the plot's left edge.
    virtual void valuesAt(QPoint& point, QVector<QPointF>& values, Chart* chart, QRect& plotRect);
    virtual ~ChartDecorator();

    ChartDecorator* next() const { return successor.get(); }

private:
    std::unique_ptr<ChartDecorator> successor;
};

} // namespace chart
