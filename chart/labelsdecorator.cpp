#include "chart/labelsdecorator.h"

namespace chart::Standard {

LabelsDecorator::LabelsDecorator(std::unique_ptr<ChartDecorator> next)
    : ChartDecorator(std::move(next))
{
}

void LabelsDecorator::paint(QPainter*, Chart*) {}

} // namespace chart::Standard
