#pragma once

#include <QRectF>
#include <QSize>

#include <functional>

class QImage;
class QPainter;

// A chart page's content that paints itself: the chart's own painting onto
// the report's painter, so that a PDF keeps its lines and texts as vectors.
struct ChartDrawing
{
    // The chart's size in its own pixels.
    QSize size;
    // Paints the whole chart scaled onto target (device coordinates).
    std::function<void(QPainter& painter, const QRectF& target)> paint;

    bool isNull() const { return size.isEmpty() || !paint; }

    // A drawing that stretches a picture over the target; null for a null image.
    static ChartDrawing fromImage(const QImage& image);
};
