#include "chart/legenddecorator.h"

#include "chart/chart.h"
#include "chart/legendbox.h"

#include <QFontMetrics>
#include <QPainter>

namespace chart::Standard {

LegendDecorator::LegendDecorator(std::unique_ptr<ChartDecorator> next)
    : ChartDecorator(std::move(next))
{
}

void LegendDecorator::paint(QPainter* painter, Chart* chart)
{
    if (!chart->isBackgroundPass() && chart->isPaintOver() && chart->showLegend()) {
        painter->setFont(chart->font());
        const QFontMetrics metrics(chart->font());
        int widest = 0;
        int total = 0;
        for (const Channel& channel : chart->channels()) {
            const QSize size = metrics.size(Qt::TextSingleLine, channel.name());
            widest = qMax(widest, size.width());
            if (channel.visible() && channel.showInLegend())
                total += size.height();
        }
        if (total != 0) {
            const int width = chart->width();
            paintLegendBox(painter, width - widest - 35, QSize(widest, total));
            int y = 35;
            for (const Channel& channel : chart->channels()) {
                if (!channel.visible() || !channel.showInLegend())
                    continue;
                painter->setPen(channel.pen());
                painter->drawText(QPoint(width - widest - 25, y), channel.name());
                y += metrics.size(Qt::TextSingleLine, channel.name()).height();
            }
        }
    }
    ChartDecorator::paint(painter, chart);
}

} // namespace chart::Standard
