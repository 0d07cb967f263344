#include "chartdata/painterbatchsink.h"

#include <algorithm>
#include <cmath>

#include <QPainter>

namespace chart {

PainterBatchSink::PainterBatchSink(QPainter* painter, Mode mode)
    : painter(painter), mode(mode), toDevice(painter->combinedTransform())
{
    painter->save();
    QPen pen = painter->pen();
    if (pen.widthF() > 0) {
        // The factor by which the transform widens a pen.
        const double scale =
            std::sqrt(std::max(toDevice.m11() * toDevice.m11() + toDevice.m12() * toDevice.m12(),
                               toDevice.m21() * toDevice.m21() + toDevice.m22() * toDevice.m22()));
        // Thinner than a pixel, a line is drawn translucent by the raster
        // engine and with gaps by OpenGL.
        pen.setWidthF(std::max(1.0, pen.widthF() * scale));
    }
    painter->setWorldMatrixEnabled(false);
    painter->setViewTransformEnabled(false);
    painter->setPen(pen);
}

PainterBatchSink::~PainterBatchSink()
{
    painter->restore();
}

void PainterBatchSink::drawBatch(const QPoint* points, int count)
{
    for (int i = 0; i < count; ++i)
        mapped[i] = toDevice.map(QPointF(points[i]));
    if (mode == Points)
        painter->drawPoints(mapped, count);
    else
        painter->drawPolyline(mapped, count);
}

} // namespace chart
