#include "chart/legendbox.h"

#include <QLinearGradient>
#include <QPainter>

namespace chart {

void paintLegendBox(QPainter* painter, int left, const QSize& textSize)
{
    QLinearGradient gradient(0, 0, 0, (textSize.height() + 35) / 2);
    gradient.setColorAt(0, QColor(0, 150, 150, 150));
    gradient.setColorAt(1, QColor(50, 150, 90, 150));
    painter->setBrush(gradient);
    QPen frame(Qt::white);
    frame.setWidthF(1.5);
    painter->setPen(frame);
    painter->drawRoundedRect(QRect(left, 15, textSize.width() + 20, textSize.height() + 10), 9, 18,
                             Qt::RelativeSize);
}

} // namespace chart
