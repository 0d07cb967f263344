#pragma once

#include <cmath>

#include <QPoint>

namespace chart {

// Receives the curve in polyline (or point) batches.
class CurveBatchSink
{
public:
    virtual ~CurveBatchSink() = default;
    virtual void drawBatch(const QPoint* points, int count) = 0;
};

// Thins a mapped curve before it is drawn. A point is kept when it lies more
// than one unit (in x or in y) from the last kept point; kept points are
// truncated to whole units and handed to the sink in batches of kBatchSize,
// each later batch starting with the last point of the batch before.
//
// Dense curves (many points per unit column) additionally cut every run of
// kept points in one column to at most six: the first two, the lowest and
// the highest, and the last two. All points of such a run share one x, so a
// non-antialiased polyline covers the same pixels either way: the vertical
// span of the run and the lines into and out of it. The two points at each
// end keep the directions in which the lines meet, and each extreme is taken
// where the curve turns on it (an arrival inside the run), since that is
// what paints its pixel.
class CurveDecimator
{
public:
    static constexpr int kBatchSize = 51;

    explicit CurveDecimator(CurveBatchSink& sink) : sink(sink) {}
    CurveDecimator(const CurveDecimator&) = delete;
    CurveDecimator& operator=(const CurveDecimator&) = delete;

    void begin(bool reduceColumns);
    inline void add(double x, double y);
    // Ends the line at the last point: the next one starts a new line, so a
    // stretch without values (a computed channel's gap) shows as a gap.
    void breakLine();
    void finish();

    // Points kept by the one-unit rule since begin.
    int keptCount() const { return kept; }

private:
    static int truncated(double v);
    inline void keep(QPoint p);
    void flushColumn();
    void bufferPoint(QPoint p);

    CurveBatchSink& sink;
    QPoint buffer[kBatchSize];
    int buffered = 0;
    bool carried = false;
    QPoint last{-1, -1};
    bool first = true;
    int kept = 0;

    bool reduce = false;
    // The run of kept points in the current column, with the order in which
    // they arrived so that they go out in that order.
    bool runOpen = false;
    int runX = 0;
    int runCount = 0;
    QPoint runFirst, runSecond, runLow, runHigh, runPenultimate, runLast;
    int runLowAt = 0, runHighAt = 0;
    int runLowBefore = -1, runHighBefore = -1;
};

inline int CurveDecimator::truncated(double v)
{
    // Far beyond any picture; keeps the conversion defined.
    constexpr double limit = 1 << 30;
    if (v > limit)
        return 1 << 30;
    if (v < -limit)
        return -(1 << 30);
    return static_cast<int>(v);
}

inline void CurveDecimator::add(double x, double y)
{
    if (std::isnan(x) || std::isnan(y))
        return;
    if (!first && std::fabs(x - last.x()) <= 1 && std::fabs(y - last.y()) <= 1)
        return;
    first = false;
    last = QPoint(truncated(x), truncated(y));
    ++kept;
    keep(last);
}

inline void CurveDecimator::keep(QPoint p)
{
    if (!reduce) {
        bufferPoint(p);
        return;
    }
    if (runOpen && p.x() == runX) {
        if (runCount == 1)
            runSecond = p;
        // The latest arrival of each extreme; the one before it is kept too,
        // since the latest may turn out to be the run's last point.
        if (p.y() <= runLow.y()) {
            runLowBefore = p.y() == runLow.y() ? runLowAt : -1;
            runLow = p;
            runLowAt = runCount;
        }
        if (p.y() >= runHigh.y()) {
            runHighBefore = p.y() == runHigh.y() ? runHighAt : -1;
            runHigh = p;
            runHighAt = runCount;
        }
        runPenultimate = runLast;
        runLast = p;
        ++runCount;
        return;
    }
    flushColumn();
    runOpen = true;
    runX = p.x();
    runFirst = runSecond = runLow = runHigh = runPenultimate = runLast = p;
    runLowAt = runHighAt = 0;
    runLowBefore = runHighBefore = -1;
    runCount = 1;
}

} // namespace chart
