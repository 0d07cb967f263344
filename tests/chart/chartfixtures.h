#pragma once

#include "chart/chart.h"
#include "protocol/channellookup.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPolygon>
#include <QString>
#include <QTransform>
#include <QVector>

// Ticks 0 .. count - 1 with the values f(tick).
template <typename F> ChannelSeries seriesOf(int count, F f)
{
    ChannelSeries series;
    for (int i = 0; i < count; ++i)
        series.emplace_back(i, f(i));
    return series;
}

// What was drawn: texts with their baseline position and polylines, both
// in device coordinates.
struct Recording
{
    struct Text
    {
        QPointF position;
        QString text;
        QRectF rect; // from the ascent to the descent, in device pixels
    };
    struct Polyline
    {
        QPolygon points;
        QColor colour;
    };
    QVector<Text> texts;
    QVector<Polyline> polylines;

    QStringList textsAt(double x) const
    {
        QStringList found;
        for (const Text& t : texts)
            if (t.position.x() == x)
                found << t.text;
        return found;
    }
    QStringList textsBelow(double y) const
    {
        QStringList found;
        for (const Text& t : texts)
            if (t.position.y() > y)
                found << t.text;
        return found;
    }
    const Text* find(const QString& text) const
    {
        for (const Text& t : texts)
            if (t.text == text)
                return &t;
        return nullptr;
    }
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
        const QRectF rect = transform.mapRect(
            QRectF(p.x(), p.y() - item.ascent(), item.width(), item.ascent() + item.descent()));
        if (!recorded.texts.isEmpty()) {
            Recording::Text& last = recorded.texts.last();
            if (last.position.y() == at.y() && qAbs(lastEnd - at.x()) < 0.5) {
                last.text += item.text();
                last.rect |= rect;
                lastEnd = transform.map(p + QPointF(item.width(), 0)).x();
                return;
            }
        }
        recorded.texts.append({at, item.text(), rect});
        lastEnd = transform.map(p + QPointF(item.width(), 0)).x();
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override
    {
        if (mode == PolylineMode)
            recorded.polylines.append(
                {transform.map(QPolygon(QVector<QPoint>(points, points + count))), colour});
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
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return 96; // the resolution; nothing reads the rest
        }
    }

private:
    int width;
    int height;
};

// A chart whose widget pass is recorded instead of painted.
template <typename Base> class Recorded : public Base
{
public:
    using Base::Base;
    Recording record()
    {
        RecordingDevice device(this->width(), this->height());
        QPainter painter(&device);
        this->setBackgroundPass(false);
        this->paintLayers(&painter);
        painter.end();
        return device.engine.recorded;
    }
    // The plot above the bottom scale's band.
    double plotHeight() const { return this->height() - 2 * QFontMetrics(this->font()).height(); }
};

// Two channels: Ток (I1), numeric, and Режим (ST), with state texts for 0,
// 1 and 3.
class Catalogue : public ChannelLookup
{
public:
    QString channelName(const QString&) const override { return QString(); }
    int rateById(int) const override { return 0; }
    // Ток (I1) is given in thousandths.
    int rateByCode(const QString& code) const override
    {
        return code == QStringLiteral("I1") ? 3 : 0;
    }
    QString codeByTitle(const QString& title) const override
    {
        if (title == QStringLiteral("Ток (I1)"))
            return QStringLiteral("I1");
        if (title == QStringLiteral("Режим (ST)"))
            return QStringLiteral("ST");
        return QString();
    }
    bool hasRefs(const QString& code) const override { return code == QStringLiteral("ST"); }
    QString refText(const QString& code, int raw) const override
    {
        static const QStringList texts{"Останов", "Работа", QString(), "Авария"};
        return code == QStringLiteral("ST") && raw >= 0 && raw < texts.size() ? texts[raw]
                                                                              : QString();
    }
};
