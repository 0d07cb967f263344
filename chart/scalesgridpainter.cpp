#include "chart/scalesgridpainter.h"

#include "chart/chart.h"
#include "chartdata/scalelabels.h"
#include "chartdata/timeaxis.h"
#include "gauges/scalefunctions.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QSet>

namespace chart {

namespace {
// No picture needs more marks than this; it also bounds any walk whose
// step degenerates.
constexpr int kMaxMarks = 10000;
// The left margin of the bottom band's marker, as of the first value column.
constexpr double kMarkerLeft = 7;

// The date-time of tick v; invalid far outside any date the origin can be
// moved to.
QDateTime timeAt(double v, const QDateTime& origin, quint16 msPerTick)
{
    const double ms = v * msPerTick;
    if (!(std::fabs(ms) < 1e15))
        return QDateTime();
    return origin.addMSecs(static_cast<qint64>(ms));
}

// Index of the grid line at v, counted from x = 0.
long long gridIndex(double v, double tick)
{
    const double index = std::round(v / tick);
    return std::fabs(index) < 1e15 ? static_cast<long long>(index) : 0;
}

enum class Label { Drawn, Skipped, PastEnd };

// Draws a bottom label centred on x: whole labels only, clear of the one
// before (freeFrom, moved past it when drawn), none beyond the right edge.
Label placeLabel(QPainter* painter, const QFontMetrics& metrics, const QString& text, double x,
                 double plotLeft, int right, double baseline, double& freeFrom)
{
    const int width = metrics.size(Qt::TextSingleLine, text).width();
    const int half = width / 2;
    const double left = x - half;
    if (!(left < right))
        return Label::PastEnd;
    const int start = static_cast<int>(left);
    if (start + half < plotLeft || start < freeFrom || start < 0 || start + width > right)
        return Label::Skipped;
    painter->drawText(QPointF(start, baseline), text);
    freeFrom = start + width + metrics.horizontalAdvance(QLatin1Char(' '));
    return Label::Drawn;
}
} // namespace

double snappedToZero(double value, double limit)
{
    return std::fabs(value) < limit ? 0 : value;
}

ScalesGridPainter::ScalesGridPainter(quint16 msPerTick)
    : timeOrigin(msPerTick != 0 ? QDateTime::currentDateTime() : QDateTime()), msPerTick(msPerTick)
{
}

void ScalesGridPainter::setTimeBase(const QDateTime& origin, quint16 ms)
{
    timeOrigin = origin;
    msPerTick = ms;
}

void ScalesGridPainter::begin(QPainter* painter, Chart* chart)
{
    painter->save();
    anyScaleShown = false;

    const int w = chart->width();
    const int h = chart->height();
    QLinearGradient gradient(0, 0, 0, h);
    gradient.setColorAt(0, chart->topBackgroundColor());
    gradient.setColorAt(1, chart->bottomBackgroundColor());
    // Filled edge to edge without an outline: a pen's outline one pixel in
    // from the edges, scaled onto a page, showed as black bands beside the
    // grid and shifted the gradient against it.
    painter->fillRect(QRect(0, 0, w, h), gradient);

    painter->setFont(chart->font());
    if (chart->showScale()) {
        bandHeight = 2 * QFontMetrics(chart->font()).height();
        plotHeight = h - bandHeight;
        scalesWidth = 7;
    } else {
        bandHeight = 0;
        plotHeight = h;
        scalesWidth = 0;
    }
}

void ScalesGridPainter::paintValueColumns(QPainter* painter, Chart* chart, const ScaleRange& range,
                                          const ValueColumn& column)
{
    const int yMesh = chart->yMesh();
    const double budget = kMaxScalesShare * chart->width();
    bool full = false;
    QSet<QString> drawn;
    leftOutScales.clear();
    leftOutMarker = QRect();
    for (int i = 0; i < chart->channelCount(); ++i) {
        Channel& channel = *chart->channelAt(i);
        anyScaleShown |= channel.showScale();
        const double step = scaleStep(channel.maximum() - channel.minimum(), yMesh);
        double lo = 0;
        double hi = 0;
        range(channel, step, lo, hi);
        const double tick = (hi - lo) / yMesh;
        channel.setScaleRange(lo, hi + tick);
        if (!channel.showScale() || drawn.contains(channel.name()))
            continue;
        drawn.insert(channel.name());
        // The first column is always drawn: without it nothing is readable.
        if (full ||
            (drawn.size() > 1 && scalesWidth + column(channel, lo, hi, tick, false) > budget)) {
            full = true;
            leftOutScales.append(channel.name());
            continue;
        }
        painter->setPen(channel.pen());
        scalesWidth += column(channel, lo, hi, tick, true);
    }
}

void ScalesGridPainter::finish(QPainter* painter, Chart* chart)
{
    paintHorizontalLines(painter, chart);
    paintBottomScale(painter, chart);
    paintVerticalLines(painter, chart);
    clipToPlot(painter, chart);
}

void ScalesGridPainter::paintHorizontalLines(QPainter* painter, Chart* chart) const
{
    const ScaleSettings& s = chart->scaleSettings();
    painter->setPen(chart->gridColor());
    long long count = static_cast<long long>(s.yMesh) + 1;
    long long period = 1;
    double right = scalesWidth;
    if (s.showGrid) {
        period = s.ySubMesh + 1LL;
        count *= period;
        right = chart->width();
    }
    for (long long i = 0; i < count && i < kMaxMarks; ++i) {
        const double y = i * plotHeight / count;
        const double x = i % period == 0 ? 0 : scalesWidth;
        painter->drawLine(QPointF(x, y), QPointF(right, y));
    }
    if (anyScaleShown || s.showGrid || s.showScale)
        painter->drawLine(QPointF(scalesWidth, 0), QPointF(scalesWidth, plotHeight));
    if (s.showGrid && !s.showScale)
        painter->drawLine(QPointF(0, chart->height() - 1),
                          QPointF(chart->width(), chart->height() - 1));
}

void ScalesGridPainter::paintBottomScale(QPainter* painter, Chart* chart)
{
    const ScaleSettings& s = chart->scaleSettings();
    if (s.visibleSpan != cachedSpan) {
        cachedSpan = s.visibleSpan;
        const double step = scaleStep(cachedSpan, s.xMesh);
        scaleRange(0, cachedSpan, xScaleMinimum, xScaleMaximum, s.xMesh, true, step);
    }
    chart->setVisibleRange(s.position + xScaleMinimum, s.position + cachedSpan);
    markTicks.clear();
    timeStepTicks = 0;
    if (hasTimeAxis())
        layOutTimeMarks(chart);
    if (!s.showScale)
        return;

    painter->setFont(chart->font());
    painter->setPen(s.scalePen);
    const double baseline =
        plotHeight + 0.6 * (chart->height() - static_cast<int>(plotHeight)) + 2.5;
    const double freeFrom = paintLeftOutMarker(painter, chart, baseline);
    if (hasTimeAxis())
        paintTimeLabels(painter, chart, baseline, freeFrom);
    else
        paintNumberLabels(painter, chart, baseline);
    painter->setPen(chart->gridColor());
    painter->drawLine(QPointF(0, plotHeight), QPointF(chart->width(), plotHeight));
}

QString ScalesGridPainter::leftOutScalesText(int count, const QFontMetrics& metrics, double room)
{
    const int lastTwo = count % 100;
    const int last = count % 10;
    const char* words = "шкал скрыто";
    if (last == 1 && lastTwo != 11)
        words = "шкала скрыта";
    else if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        words = "шкалы скрыты";
    const QString number = QStringLiteral("+%1").arg(count);
    const QString text = QStringLiteral("%1 %2").arg(number, QString::fromUtf8(words));
    return metrics.horizontalAdvance(text) <= room ? text : number;
}

QString ScalesGridPainter::leftOutScalesToolTip(const QStringList& names)
{
    return QStringLiteral("Не поместились шкалы: %1.\n"
                          "Чтобы показать их, скройте шкалы других каналов в меню «Шкала» "
                          "(правый щелчок по графику) или расширьте окно.")
        .arg(names.join(QStringLiteral(", ")));
}

double ScalesGridPainter::paintLeftOutMarker(QPainter* painter, Chart* chart, double baseline)
{
    leftOutMarker = QRect();
    if (leftOutScales.isEmpty())
        return -1e9;
    // Under the value columns, where the time labels leave room.
    const QFontMetrics metrics(chart->font());
    const double left = kMarkerLeft;
    const QString text = leftOutScalesText(int(leftOutScales.size()), metrics, scalesWidth - left);
    const int width = metrics.horizontalAdvance(text);
    painter->drawText(QPointF(left, baseline), text);
    leftOutMarker = QRect(int(left), int(baseline) - metrics.ascent(), width, metrics.height());
    return left + width + 2 * metrics.horizontalAdvance(QLatin1Char(' '));
}

void ScalesGridPainter::layOutTimeMarks(Chart* chart)
{
    const ScaleSettings& s = chart->scaleSettings();
    const double p = (chart->width() - scalesWidth) / cachedSpan;
    const double pixelsPerMs = p / msPerTick;
    if (!(pixelsPerMs > 0) || !std::isfinite(pixelsPerMs))
        return;
    // No finer than a tick, no denser than twice the grid's divisions, and
    // wide enough for the labels, whose width depends on the step.
    const QFontMetrics metrics(chart->font());
    const int gap = metrics.horizontalAdvance(QLatin1Char(' '));
    const double plotWidth = chart->width() - scalesWidth;
    qint64 step =
        timeStepAtLeast(std::max<double>(msPerTick, plotWidth / (2.0 * s.xMesh) / pixelsPerMs));
    // A relative label is as wide as its sign and hours make it: the end
    // of the view farther from the zero has the most digits.
    const double farthest =
        std::max(std::fabs(s.position), std::fabs(s.position + cachedSpan)) * msPerTick;
    const qint64 widestRelative = -static_cast<qint64>(std::min(farthest, 1e15));
    for (int tries = 0; tries < 8; ++tries) {
        const QString widest = relativeTime ? relativeAxisLabel(widestRelative, step)
                                            : timeAxisLabel(timeOrigin, step, false);
        const double need = metrics.size(Qt::TextSingleLine, widest).width() + 4.0 * gap;
        if (step * pixelsPerMs >= need)
            break;
        step = timeStepAtLeast(need / pixelsPerMs);
    }
    timeStepMs = step;
    timeStepTicks = static_cast<double>(step) / msPerTick;
    if (relativeTime) {
        marks.clear();
        const double from = s.position * msPerTick;
        const double to = (s.position + cachedSpan) * msPerTick;
        if (!(std::fabs(from) < 1e15) || !(std::fabs(to) < 1e15))
            return;
        relativeMarkMs = relativeMarks(static_cast<qint64>(std::ceil(from)),
                                       static_cast<qint64>(std::floor(to)), step, kMaxMarks);
        markTicks.reserve(relativeMarkMs.size());
        for (const qint64 mark : qAsConst(relativeMarkMs))
            markTicks.push_back(static_cast<double>(mark) / msPerTick);
        return;
    }
    const QDateTime from = timeAt(s.position, timeOrigin, msPerTick);
    const QDateTime to = timeAt(s.position + cachedSpan, timeOrigin, msPerTick);
    marks = timeMarks(from, to, step, kMaxMarks);
    markTicks.reserve(marks.size());
    for (const QDateTime& mark : qAsConst(marks))
        markTicks.push_back(static_cast<double>(timeOrigin.msecsTo(mark)) / msPerTick);
}

void ScalesGridPainter::paintTimeLabels(QPainter* painter, Chart* chart, double baseline,
                                        double freeFrom)
{
    const ScaleSettings& s = chart->scaleSettings();
    const int w = chart->width();
    const double p = (w - scalesWidth) / cachedSpan;
    const QFontMetrics metrics(chart->font());
    QDate lastDate;
    for (std::size_t i = 0; i < markTicks.size(); ++i) {
        const double x = scalesWidth + (markTicks[i] - s.position) * p;
        if (relativeTime) {
            const QString text = relativeAxisLabel(relativeMarkMs.at(int(i)), timeStepMs);
            if (placeLabel(painter, metrics, text, x, scalesWidth, w, baseline, freeFrom) ==
                Label::PastEnd)
                break;
            continue;
        }
        const QDateTime& mark = marks.at(static_cast<int>(i));
        // The first label and the first of each new day carry the date.
        const bool withDate = timeStepMs < kMsPerDay && mark.date() != lastDate;
        const QString text = timeAxisLabel(mark, timeStepMs, withDate);
        const Label placed =
            placeLabel(painter, metrics, text, x, scalesWidth, w, baseline, freeFrom);
        if (placed == Label::PastEnd)
            break;
        if (placed == Label::Drawn)
            lastDate = mark.date();
    }
}

void ScalesGridPainter::paintNumberLabels(QPainter* painter, Chart* chart, double baseline)
{
    const ScaleSettings& s = chart->scaleSettings();
    const double tick = (xScaleMaximum - xScaleMinimum) / s.xMesh;
    const int w = chart->width();
    const QFontMetrics metrics(chart->font());
    const double p = (w - scalesWidth) / cachedSpan;
    // A plot squeezed to nothing, or a degenerate scale, has no labels.
    if (!(p > 0) || !std::isfinite(p) || !(tick > 0) || !std::isfinite(tick))
        return;
    const double remainder = std::fmod(s.position, tick);
    double v = s.position - remainder;
    double o = -p * remainder;
    // Labels on every n-th grid line, n as small as lets them stand apart;
    // counted from x = 0 so that they do not hop while the view scrolls.
    const int gap = metrics.horizontalAdvance(QLatin1Char(' '));
    const double labelWidth = metrics.size(Qt::TextSingleLine, scaleLabel(v, tick)).width() + gap;
    const long long every =
        static_cast<long long>(std::min(1e15, std::max(1.0, std::ceil(labelWidth / (tick * p)))));
    double freeFrom = -1e9;
    for (int n = 0; n < kMaxMarks; ++n, o += tick * p, v += tick) {
        v = snappedToZero(v, 1e-12);
        if (scalesWidth + o - labelWidth >= w)
            break;
        if (gridIndex(v, tick) % every != 0)
            continue;
        if (placeLabel(painter, metrics, scaleLabel(v, tick), scalesWidth + o, scalesWidth, w,
                       baseline, freeFrom) == Label::PastEnd)
            break;
    }
}

void ScalesGridPainter::paintVerticalLines(QPainter* painter, Chart* chart) const
{
    const ScaleSettings& s = chart->scaleSettings();
    if (!s.showGrid && !s.showScale)
        return;
    painter->setPen(chart->gridColor());
    const int w = chart->width();
    const int h = chart->height();
    double mainTop = plotHeight;
    double subTop = plotHeight;
    const double mainBottom = plotHeight + 0.25 * (h - plotHeight);
    if (s.showGrid) {
        painter->drawLine(QPointF(w - 1, 0), QPointF(w - 1, plotHeight));
        mainTop = 0;
        subTop = 0;
    }
    if (hasTimeAxis()) {
        paintTimeLines(painter, chart, mainTop, subTop, mainBottom);
        return;
    }
    const double mainStep = (xScaleMaximum - xScaleMinimum) / s.xMesh;
    const double p = (w - scalesWidth) / cachedSpan;
    const double pixelStep = mainStep * p;
    if (!(pixelStep > 0) || !std::isfinite(pixelStep))
        return;
    const long long subCount = static_cast<long long>(s.xSubMesh) + 1;
    const double subStep = pixelStep / static_cast<double>(subCount);
    double x = scalesWidth - std::fmod(s.position, mainStep) * p;
    for (int n = 0; x <= w && n < kMaxMarks; ++n, x += pixelStep) {
        if (x >= scalesWidth)
            painter->drawLine(QPointF(x, mainBottom), QPointF(x, mainTop));
        if (subTop == plotHeight)
            continue; // without the grid, sub lines have no length
        for (long long i = -subCount, k = 0; i <= s.xSubMesh && k < kMaxMarks; ++i, ++k) {
            const double sx = x + static_cast<double>(i) * subStep;
            if (sx > scalesWidth)
                painter->drawLine(QPointF(sx, plotHeight), QPointF(sx, subTop));
        }
    }
}

void ScalesGridPainter::paintTimeLines(QPainter* painter, Chart* chart, double top, double subTop,
                                       double bottom) const
{
    const ScaleSettings& s = chart->scaleSettings();
    const int w = chart->width();
    const double p = (w - scalesWidth) / cachedSpan;
    const double pixelStep = timeStepTicks * p;
    if (markTicks.empty() || !(pixelStep > 0) || !std::isfinite(pixelStep))
        return;
    const long long subCount = static_cast<long long>(s.xSubMesh) + 1;
    const double subStep = pixelStep / static_cast<double>(subCount);
    // Sub lines also in the part step before the first mark.
    const double before = scalesWidth + (markTicks.front() - s.position) * p - pixelStep;
    for (std::size_t i = 0; i <= markTicks.size(); ++i) {
        const double x = i == 0 ? before : scalesWidth + (markTicks[i - 1] - s.position) * p;
        if (i > 0 && x >= scalesWidth && x <= w)
            painter->drawLine(QPointF(x, bottom), QPointF(x, top));
        if (subTop == plotHeight)
            continue; // without the grid, sub lines have no length
        for (long long k = 1; k < subCount && k < kMaxMarks; ++k) {
            const double sx = x + static_cast<double>(k) * subStep;
            if (sx > scalesWidth && sx <= w)
                painter->drawLine(QPointF(sx, plotHeight), QPointF(sx, subTop));
        }
    }
}

int ScalesGridPainter::paintValueLabels(QPainter* painter, const Chart* chart, double lo, double hi,
                                        double tick, double freeTop, bool draw) const
{
    const int yMesh = chart->scaleSettings().yMesh;
    const QFontMetrics metrics(chart->font());
    const double d = plotHeight / (yMesh + 1.0);
    int widest = 0;
    double freeFrom = freeTop;
    double v = hi;
    for (int k = 1; v + 1e-6 > lo && k - 1 <= yMesh && k <= kMaxMarks; ++k, v -= tick) {
        const double baseline = k * d - 2.5;
        // A plot too low for every label keeps the ones that stand apart.
        if (baseline - metrics.ascent() < freeFrom)
            continue;
        const QString text = scaleLabel(snappedToZero(v, 1e-6), tick);
        if (draw)
            painter->drawText(QPointF(scalesWidth, baseline), text);
        widest = qMax(widest, metrics.size(Qt::TextSingleLine, text).width());
        freeFrom = baseline + metrics.descent();
    }
    return widest;
}

void ScalesGridPainter::clipToPlot(QPainter* painter, Chart* chart) const
{
    const int left = static_cast<int>(scalesWidth);
    const int width = qMax(0, static_cast<int>(chart->width() - scalesWidth));
    const QRect plot(left, 0, width, qMax(0, static_cast<int>(plotHeight)));
    painter->setClipRect(plot, Qt::ReplaceClip);
    painter->setViewport(chart->deviceMapping().mapRect(plot));
}

void ScalesGridPainter::valuesAt(QPoint& point, QRect& plotRect, const Chart* chart) const
{
    const int left = static_cast<int>(scalesWidth);
    plotRect.setCoords(left, 0, left + static_cast<int>(chart->width() - scalesWidth) - 1,
                       static_cast<int>(plotHeight));
    point.rx() -= left;
}

} // namespace chart
