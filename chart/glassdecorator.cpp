#include "chart/glassdecorator.h"

#include "chart/chart.h"

#include <QLinearGradient>
#include <QPainter>

namespace chart::Standard {

GlassDecorator::GlassDecorator(std::unique_ptr<ChartDecorator> next)
    : ChartDecorator(std::move(next))
{
}

void GlassDecorator::paint(QPainter* painter, Chart* chart)
{
    QLinearGradient gradient(0, 0, 0, chart->width());
    gradient.setColorAt(0, QColor(255, 0, 0, 170));
    gradient.setColorAt(1, QColor(255, 0, 0, 0));
    painter->fillRect(chart->rect(), gradient);
    ChartDecorator::paint(painter, chart);
}

} // namespace chart::Standard
