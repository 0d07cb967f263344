#pragma once

#include <functional>
#include <vector>

#include <QDateTime>
#include <QVector>
#include <QPoint>
#include <QRect>
#include <QStringList>

class Chart;
class QFontMetrics;
class QPainter;
struct Channel;

namespace chart {

// The layers that the standard and the protocol scales decorators share:
// background, grid lines, the bottom (x) scale and the plot area. Each
// decorator adds its own left (value) scales.
class ScalesGridPainter
{
public:
    explicit ScalesGridPainter(quint16 msPerTick);

    void setTimeBase(const QDateTime& origin, quint16 msPerTick);

    // Saves the painter (the channel layer restores it), paints the
    // background and lays out the bottom band; scalesWidth starts at the
    // left margin of the first column.
    void begin(QPainter* painter, Chart* chart);

    // Picks the value range of a channel's scale for a step of `step`.
    using ScaleRange =
        std::function<void(const Channel& channel, double step, double& lo, double& hi)>;
    // Paints one value column at scalesWidth, or only measures it when draw
    // is false; returns the width it takes.
    using ValueColumn =
        std::function<double(const Channel& channel, double lo, double hi, double tick, bool draw)>;
    // Sets the scale range of every channel, then paints a column for each
    // channel name whose scale is shown, in that channel's pen. The columns
    // take at most kMaxScalesShare of the width: channels beyond that get
    // none, so that the plot stays wide enough to read.
    static constexpr double kMaxScalesShare = 0.4;
    // The names left without a column are listed in leftOutScales and
    // counted by a marker at the left of the bottom band (leftOutMarker).
    void paintValueColumns(QPainter* painter, Chart* chart, const ScaleRange& range,
                           const ValueColumn& column);
    // What the marker says: "+7 шкал скрыто", or "+7" where that is wider
    // than `room` pixels for metrics.
    static QString leftOutScalesText(int count, const QFontMetrics& metrics, double room);
    // The marker's tooltip: which scales are left out and how to show them.
    static QString leftOutScalesToolTip(const QStringList& names);
    // Grid lines and the bottom scale, then clips to the plot for the
    // layers after. With a time base the bottom scale is a time axis on the
    // clock's divisions, and the vertical grid lines stand at its marks.
    void finish(QPainter* painter, Chart* chart);

    // Labels of one numeric value column at scalesWidth: hi, hi - tick, ...
    // down to lo, one per main line, leaving out those that would reach
    // above freeTop or into the label before; returns the widest label's
    // width. Draws nothing when draw is false.
    int paintValueLabels(QPainter* painter, const Chart* chart, double lo, double hi, double tick,
                         double freeTop, bool draw) const;
    void valuesAt(QPoint& point, QRect& plotRect, const Chart* chart) const;

    double bandHeight = 0;
    double plotHeight = 0;
    double scalesWidth = 0;
    double xScaleMinimum = 0;
    double xScaleMaximum = 1;
    double cachedSpan = 0;
    bool anyScaleShown = false;
    QDateTime timeOrigin;
    quint16 msPerTick = 0;
    // A comparison's axis: marks on whole steps from the origin, labelled
    // with the signed time since it ("+00:12:30"), without dates.
    bool relativeTime = false;
    // The time axis at the last paint: the step between its marks, in
    // ticks (0 without a time axis), and the marks' ticks.
    double timeStepTicks = 0;
    std::vector<double> markTicks;
    // Channel names whose scale is on but found no room, at the last paint,
    // and the marker that says so (widget coordinates; null without one).
    QStringList leftOutScales;
    QRect leftOutMarker;

private:
    QVector<QDateTime> marks;
    QVector<qint64> relativeMarkMs; // the marks of a relative axis
    qint64 timeStepMs = 0;

    bool hasTimeAxis() const { return msPerTick != 0 && timeOrigin.isValid(); }
    // Picks the step of the time axis for the plot's width and finds its
    // marks in view.
    void layOutTimeMarks(Chart* chart);
    // Labels start right of freeFrom.
    void paintTimeLabels(QPainter* painter, Chart* chart, double baseline, double freeFrom);
    void paintNumberLabels(QPainter* painter, Chart* chart, double baseline);
    void paintTimeLines(QPainter* painter, Chart* chart, double top, double subTop,
                        double bottom) const;
    void paintHorizontalLines(QPainter* painter, Chart* chart) const;
    void paintBottomScale(QPainter* painter, Chart* chart);
    // Paints the left-out marker on the baseline; returns its right end.
    double paintLeftOutMarker(QPainter* painter, Chart* chart, double baseline);
    void paintVerticalLines(QPainter* painter, Chart* chart) const;
    // Clips to the plot and maps the whole widget onto it.
    void clipToPlot(QPainter* painter, Chart* chart) const;
};

// Snaps values that only differ from zero by rounding noise.
double snappedToZero(double value, double limit);

} // namespace chart
