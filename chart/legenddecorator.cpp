#include "chart/legenddecorator.h"

#include "chart/chart.h"

#include <QFontMetrics>
#include <QLinearGradient>
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
            QLinearGradient gradient(0, 0, 0, (total + 35) / 2);
            gradient.setColorAt(0, QColor(0, 150, 150, 150));
            gradient.setColorAt(1, QColor(50, 150, 90, 150));
            painter->setBrush(gradient);
            QPen frame(Qt::white);
            frame.setWidthF(1.5);
            painter->setPen(frame);
            const int width = chart->width();
            painter->drawRoundedRect(QRect(width - widest - 35, 15, widest + 20, total + 10), 9, 18,
                                     Qt::RelativeSize);
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
