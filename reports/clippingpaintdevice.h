#pragma once

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRectF>
#include <QStringList>
#include <QTransform>

#include <memory>

// Paints onto another painter and clips what is painted itself, for targets
// that ignore the painter's clip (the SVG generator writes every line and
// text whole, so curves would run out of their plots over labels and
// neighbouring charts). The clip is kept as a rectangle in device
// coordinates (a clip of another shape by its bounding rectangle): lines
// and outlines are cut at it, fills are intersected with it, pictures are
// cropped, and texts wholly outside it are left out.
//
// A painter hands a text over in pieces where its script changes
// ("Частота (F1)": the Cyrillic and the Latin part), and the SVG generator
// writes each piece as a text element of its own, placed with this
// program's font metrics: other renderers then run the pieces into each
// other or apart. The pieces of one text are therefore drawn as one
// placeholder of a single script, which restoreTexts turns back into the
// text in what the target wrote.
class ClippingPaintDevice : public QPaintDevice
{
public:
    // The target painter must be active and outlive the device; its device
    // gives the size and resolution.
    explicit ClippingPaintDevice(QPainter& target);
    ~ClippingPaintDevice() override;

    QPaintEngine* paintEngine() const override;
    // The target's output (an SVG document) with every placeholder replaced
    // by its text, escaped for XML. Valid once the painter on this device
    // has ended.
    QString restoreTexts(const QString& written) const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QPainter& m_target;
    std::unique_ptr<QPaintEngine> m_engine;
    // Texts drawn as placeholders, in the order of their numbers.
    std::shared_ptr<QStringList> m_texts;
};

namespace clipping {
// The pieces of a polyline inside rect, each a polyline of two or more points.
QVector<QPolygonF> clipPolyline(const QPolygonF& line, const QRectF& rect);
} // namespace clipping
