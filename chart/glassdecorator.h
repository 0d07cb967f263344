#pragma once

#include "chart/chartdecorator.h"

namespace chart::Standard {

// A red glass shine over the whole widget.
class GlassDecorator : public ChartDecorator
{
public:
    explicit GlassDecorator(std::unique_ptr<ChartDecorator> next = nullptr);
    void paint(QPainter* painter, Chart* chart) override;
};

} // namespace chart::Standard
