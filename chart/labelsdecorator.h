#pragma once

#include "chart/chartdecorator.h"

namespace chart::Standard {

// Ends a chain: paints nothing and calls no successor.
class LabelsDecorator : public ChartDecorator
{
public:
    explicit LabelsDecorator(std::unique_ptr<ChartDecorator> next = nullptr);
    void paint(QPainter* painter, Chart* chart) override;
};

} // namespace chart::Standard
