#include "reports/chartdrawing.h"

#include <QImage>
#include <QPainter>

ChartDrawing ChartDrawing::fromImage(const QImage& image)
{
    if (image.isNull())
        return {};
    return {image.size(),
            [image](QPainter& painter, const QRectF& target) { painter.drawImage(target, image); }};
}
