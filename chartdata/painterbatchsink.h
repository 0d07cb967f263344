#pragma once

#include "chartdata/curvedecimator.h"

#include <QPointF>
#include <QTransform>

class QPainter;

namespace chart {

// Draws curve batches given in the painter's logical coordinates, mapped
// to device pixels by hand and drawn without the painter's transform: Qt
// draws thin lines fast only when they are not scaled. The pen is scaled
// as the transform would have scaled it, but never below one pixel.
// Restores the painter when it goes.
class PainterBatchSink : public CurveBatchSink
{
public:
    enum Mode { Polyline, Points };

    PainterBatchSink(QPainter* painter, Mode mode);
    ~PainterBatchSink() override;
    PainterBatchSink(const PainterBatchSink&) = delete;
    PainterBatchSink& operator=(const PainterBatchSink&) = delete;

    void drawBatch(const QPoint* points, int count) override;

private:
    QPainter* painter;
    Mode mode;
    QTransform toDevice;
    QPointF mapped[CurveDecimator::kBatchSize];
};

} // namespace chart
