#pragma once

#include "chart/chartdecorator.h"

#include <QRect>

struct Channel;

namespace chart::Standard {

// The curves of the visible channels, in the plot area that the scales
// layer set up; restores the painter state the scales layer saved.
class ChannelDecorator : public ChartDecorator
{
public:
    explicit ChannelDecorator(std::unique_ptr<ChartDecorator> next = nullptr);

    void paint(QPainter* painter, Chart* chart) override;
    void valuesAt(QPoint& point, QVector<QPointF>& values, Chart* chart, QRect& plotRect) override;

private:
    void computeMapping(const Channel& channel, const Chart* chart);
    void paintCurve(QPainter* painter, const Channel& channel) const;
    // Whether the channel is drawn as a band at the current mapping.
    bool drawnDense(const Channel& channel) const;

    double xFactor = 0;
    double yFactor = 0;
    double xOffset = 0;
    double yOffset = 0;
    double windowWidth = 0;
    QRect window;
    QRect viewport;
    int bandAlpha = 255;
};

} // namespace chart::Standard
