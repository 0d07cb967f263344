#pragma once

#include <QPointF>

namespace chart {

class CurveDecimator;

// The points of one chart channel as the chart walks them: rewind once, then
// next until it returns false. The extremes and any other query share the
// one cursor, so they disturb a walk in progress.
class ChannelData
{
public:
    virtual bool rewind() = 0;
    virtual bool next(double& x, double& y) = 0;
    virtual bool maxX(double& value) = 0;
    virtual bool minX(double& value) = 0;
    virtual bool maxY(double& value) = 0;
    virtual bool minY(double& value) = 0;
    virtual int size() = 0;
    virtual ~ChannelData() = default;
};

// Affine map from (x, y) values to painter coordinates.
struct CurveMapping
{
    double xFactor = 1;
    double xOffset = 0;
    double yFactor = 1;
    double yOffset = 0;
};

// What a data object offers when its points can be read by index: painting
// then reads only what is visible instead of walking the whole series.
class IndexedChannelData
{
public:
    virtual ~IndexedChannelData() = default;

    // True when x never decreases from one point to the next.
    virtual bool isAscending() = 0;
    // Index range [first, last) of the points with from <= x <= to and one
    // more point beyond each end, so lines to off-screen neighbours show.
    // Only meaningful on an ascending series.
    virtual void visibleRange(double from, double to, int& first, int& last) = 0;
    // Maps the points [first, last) and hands them to the decimator in order.
    virtual void feed(int first, int last, const CurveMapping& mapping,
                      CurveDecimator& decimator) = 0;

    // The point at index i, 0 <= i < size.
    virtual void pointAt(int i, double& x, double& y) = 0;
    // Index of the first point from `from` on whose x is not below x; only
    // meaningful on an ascending series. The search starts at `from`, so
    // walking the series in steps costs what the steps cost.
    virtual int firstAtOrAfter(double x, int from) = 0;
    // Lowest and highest y of the points [first, last), from a min/max
    // pyramid (see MinMaxPyramid) built on first use and rebuilt when the
    // series changes; false when the range holds no number.
    virtual bool extremes(int first, int last, double& low, double& high) = 0;
};

// Protocol channel data also answers the value at any x (the value cursor).
class ProtocolChannelData
{
public:
    virtual ~ProtocolChannelData() = default;

    // The point at x, the interpolation between the points around x, or
    // (0, 0) before the first point, after the last one and on an empty series.
    virtual QPointF valueAt(double x) = 0;
    // The same value; false where the series has none (outside its points),
    // which a value of 0 cannot tell apart from a measured 0.
    virtual bool valueAt(double x, double& value) = 0;
};

} // namespace chart
