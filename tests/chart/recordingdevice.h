#pragma once

#include <QColor>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPolygon>
#include <QString>
#include <QTransform>
#include <QVector>

// What was drawn: texts with their baseline position and polylines, both
// in device coordinates.
struct Recording
{
    struct Text
    {
        QPointF position;
        QString text;
    };
    struct Polyline
    {
        QPolygon points;
        QColor colour;
    };
    QVector<Text> texts;
    QVector<Polyline> polylines;

    // The polylines drawn in one colour, as one would draw a curve.
    QVector<QPolygon> curves(const QColor& colour) const
    {
        QVector<QPolygon> found;
        for (const Polyline& p : polylines)
            if (p.colour == colour)
                found.append(p.points);
        return found;
    }
};

// A paint device that keeps what was drawn on it instead of pixels.
class RecordingEngine : public QPaintEngine
{
public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState& state) override
    {
        if (state.state() & QPaintEngine::DirtyTransform)
            transform = state.transform();
        if (state.state() & QPaintEngine::DirtyPen)
            colour = state.pen().color();
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        // One text may come in several items (a run per script).
        const QPointF at = transform.map(p);
        if (!recorded.texts.isEmpty()) {
            Recording::Text& last = recorded.texts.last();
            if (last.position.y() == at.y() && qAbs(lastEnd - at.x()) < 0.5) {
                last.text += item.text();
                lastEnd = transform.map(p + QPointF(item.width(), 0)).x();
                return;
            }
        }
        recorded.texts.append({at, item.text()});
        lastEnd = transform.map(p + QPointF(item.width(), 0)).x();
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override
    {
        if (mode == PolylineMode)
            recorded.polylines.append(
                {transform.map(QPolygon(QVector<QPoint>(points, points + count))), colour});
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        if (mode == PolylineMode)
            recorded.polylines.append(
                {transform.map(QPolygonF(QVector<QPointF>(points, points + count))).toPolygon(),
                 colour});
    }
    Type type() const override { return QPaintEngine::User; }

    QTransform transform;
    QColor colour;
    double lastEnd = 0;
    Recording recorded;
};

class RecordingDevice : public QPaintDevice
{
public:
    RecordingDevice(int width, int height) : width(width), height(height) {}
    QPaintEngine* paintEngine() const override { return &engine; }

    mutable RecordingEngine engine;

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return width;
        case PdmHeight:
            return height;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return 1 * QPaintDevice::devicePixelRatioFScale();
        default:
            return 100;
        }
    }

private:
    int width;
    int height;
};
