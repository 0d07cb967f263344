#pragma once

#include "chart/chartdecorator.h"

namespace chart::Standard {

// A box in the top right corner listing the names of the shown channels in
// their colours; drawn at full quality only.
class LegendDecorator : public ChartDecorator
{
public:
    explicit LegendDecorator(std::unique_ptr<ChartDecorator> next = nullptr);
    void paint(QPainter* painter, Chart* chart) override;
};

} // namespace chart::Standard
