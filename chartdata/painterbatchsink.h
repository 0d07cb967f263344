#pragma once

#include "chartdata/curvedecimator.h"

#include <QLineF>
#include <QPointF>
#include <QTransform>

class QPainter;

namespace chart {

// Draws curve batches given in the painter's logical coordinates, mapped
// to device pixels by hand and drawn without the painter's transform: Qt
// draws thin lines fast only when they are not scaled. The pen is scaled
// as the transform would have scaled it, but never below one pixel.
// Restores the painter when it goes.
//
// A pen wider than kWidePen device pixels draws each batch as separate
// segments with square caps, which close the joins: the raster engine
// outlines a wide polyline as one shape, and the outline of a zig-zag that
// runs up and down a tall picture costs far more than the pixels it covers
// (a 16384 pixel picture took many minutes), while plain segments take the
// engine's line path, whose cost is the pixels they cover.
class PainterBatchSink : public CurveBatchSink
{
public:
    enum Mode { Polyline, Points };
    static constexpr double kWidePen = 2;

    PainterBatchSink(QPainter* painter, Mode mode);
    ~PainterBatchSink() override;
    PainterBatchSink(const PainterBatchSink&) = delete;
    PainterBatchSink& operator=(const PainterBatchSink&) = delete;

    void drawBatch(const QPoint* points, int count) override;

private:
    QPainter* painter;
    Mode mode;
    QTransform toDevice;
    bool segments = false;
    QPointF mapped[CurveDecimator::kBatchSize];
    QLineF lines[CurveDecimator::kBatchSize];
};

} // namespace chart
