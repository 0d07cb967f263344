#pragma once

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRectF>
#include <QTransform>

#include <memory>

// Paints onto another painter and clips what is painted itself, for targets
// that ignore the painter's clip (the SVG generator writes every line and
// text whole, so curves would run out of their plots over labels and
// neighbouring charts). The clip is kept as a rectangle in device
// coordinates (a clip of another shape by its bounding rectangle): lines
// and outlines are cut at it, fills are intersected with it, pictures are
// cropped, and texts wholly outside it are left out.
class ClippingPaintDevice : public QPaintDevice
{
public:
    // The target painter must be active and outlive the device; its device
    // gives the size and resolution.
    explicit ClippingPaintDevice(QPainter& target);
    ~ClippingPaintDevice() override;

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QPainter& m_target;
    std::unique_ptr<QPaintEngine> m_engine;
};

namespace clipping {
// The pieces of a polyline inside rect, each a polyline of two or more points.
QVector<QPolygonF> clipPolyline(const QPolygonF& line, const QRectF& rect);
} // namespace clipping
