#pragma once

#include <QColor>
#include <QVector>

class QPainter;

// A span of ticks [start, end) shaded on a chart, e.g. an event.
struct EventBand
{
    qint64 start = 0;
    qint64 end = 0;
    QColor color;
};

// Paints light bands behind a chart's cursor lines. It visits only the
// bands that reach the visible ticks, so a long list costs little on
// every paint.
class EventBandPainter
{
public:
    // Bands in any order.
    void setBands(QVector<EventBand> bands);
    bool isEmpty() const { return m_bands.isEmpty(); }

    // `pixelsPerTick` and `position` (the tick at the left edge) map ticks
    // to the painter's x; the bands fill the painter's window in height.
    void paint(QPainter* painter, double pixelsPerTick, double position) const;

private:
    QVector<EventBand> m_bands; // by start
    qint64 m_longest = 0;
};
