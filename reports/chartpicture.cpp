#include "reports/chartpicture.h"

#include <QPixmap>
#include <QWidget>

bool isBlankImage(const QImage& image)
{
    if (image.isNull())
        return true;
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb first = pixels.pixel(0, 0);
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            if (line[x] != first)
                return false;
        }
    }
    return true;
}

QImage chartPicture(QWidget& chart, const ChartRenderer& render)
{
    QImage grabbed = chart.grab().toImage();
    if (!isBlankImage(grabbed) || !render)
        return grabbed;
    QImage rendered = render();
    return rendered.isNull() ? grabbed : rendered;
}
