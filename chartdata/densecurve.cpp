#include "chartdata/densecurve.h"

#include "chartdata/curvedecimator.h"
#include "chartdata/painterbatchsink.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include <QPainter>

namespace chart {

namespace {
// Neighbouring columns whose spans share a common band are filled as one
// rectangle over that band, plus what sticks out per column: far fewer
// pixel runs for the raster engine than one tall rectangle per column.
constexpr int kBlockColumns = 16;

// Pixels covered by one column: columns [left, right], rows [top, bottom].
struct Column
{
    int left;
    int right;
    int top;
    int bottom;
};

// Within int range, as the decimator truncates.
double truncated(double v)
{
    constexpr double limit = 1 << 30;
    return std::trunc(std::max(-limit, std::min(limit, v)));
}

// Columns that span fewer device pixels than this join their neighbours by
// lines, as thin curves are drawn; taller ones are filled.
constexpr double kTallSpan = 12;
// Thin columns of up to this many points are drawn from every point, like
// sparse curves; denser thin columns from their first, lowest, highest and
// last points.
constexpr int kExactColumnPoints = 64;
// A band's edge runs along the extremes of this many pixel columns on
// either side.
constexpr std::size_t kEdgeReach = 8;

// The pixels a pen of width w covers across a line at device coordinate v,
// as the raster engine fills them: a one-pixel pen the pixel v lies in, a
// wider one those whose centres lie in [v - w / 2, v + w / 2).
int firstPixel(double v, double w)
{
    if (w <= 1)
        return static_cast<int>(std::floor(v));
    return static_cast<int>(std::ceil(v - w / 2 - 0.5));
}
int lastPixel(double v, double w)
{
    if (w <= 1)
        return static_cast<int>(std::floor(v));
    return static_cast<int>(std::ceil(v + w / 2 - 0.5)) - 1;
}

// The columns one pixel wide each, from the lowest top to the highest
// bottom of the columns that cover that pixel column, left to right.
std::vector<Column> pixelColumns(const std::vector<Column>& columns)
{
    std::vector<Column> pixels;
    if (columns.empty())
        return pixels;
    int left = INT_MAX;
    int right = INT_MIN;
    for (const Column& c : columns) {
        left = std::min(left, c.left);
        right = std::max(right, c.right);
    }
    std::vector<Column> byX(static_cast<std::size_t>(right - left) + 1,
                            Column{0, 0, INT_MAX, INT_MIN});
    for (const Column& c : columns) {
        for (int x = c.left; x <= c.right; ++x) {
            Column& p = byX[static_cast<std::size_t>(x - left)];
            p.top = std::min(p.top, c.top);
            p.bottom = std::max(p.bottom, c.bottom);
        }
    }
    for (std::size_t i = 0; i < byX.size(); ++i) {
        if (byX[i].top > byX[i].bottom)
            continue;
        const int x = left + static_cast<int>(i);
        pixels.push_back({x, x, byX[i].top, byX[i].bottom});
    }
    return pixels;
}

QVector<QRect> rectangles(const std::vector<Column>& columns)
{
    QVector<QRect> rects;
    rects.reserve(static_cast<int>(columns.size()) + 16);
    const auto add = [&rects](int left, int right, int top, int bottom) {
        if (bottom >= top && right >= left)
            rects.append(QRect(left, top, right - left + 1, bottom - top + 1));
    };
    std::size_t i = 0;
    while (i < columns.size()) {
        std::size_t end = i + 1;
        while (end < columns.size() && end - i < kBlockColumns &&
               columns[end].left <= columns[end - 1].right + 1)
            ++end;
        int coreTop = INT_MIN;
        int coreBottom = INT_MAX;
        for (std::size_t k = i; k < end; ++k) {
            coreTop = std::max(coreTop, columns[k].top);
            coreBottom = std::min(coreBottom, columns[k].bottom);
        }
        if (end - i > 1 && coreBottom - coreTop >= 2) {
            add(columns[i].left, columns[end - 1].right, coreTop, coreBottom);
            for (std::size_t k = i; k < end; ++k) {
                add(columns[k].left, columns[k].right, columns[k].top, coreTop - 1);
                add(columns[k].left, columns[k].right, coreBottom + 1, columns[k].bottom);
            }
        } else {
            for (std::size_t k = i; k < end; ++k)
                add(columns[k].left, columns[k].right, columns[k].top, columns[k].bottom);
        }
        i = end;
    }
    return rects;
}
} // namespace

void paintDenseCurve(QPainter* painter, IndexedChannelData& data, int first, int last,
                     const CurveMapping& mapping, int bandAlpha)
{
    if (first >= last || !(mapping.xFactor > 0) || !std::isfinite(mapping.xFactor))
        return;
    // Charts map without rotation: device = scale * logical + offset.
    const QTransform t = painter->combinedTransform();
    if (!(std::fabs(t.m11()) > 0) || !std::isfinite(t.m11()))
        return;
    // Spans are filled at the pixels the decimator's whole logical units
    // would have drawn them at.
    const auto deviceX = [&](double logical) { return t.m11() * truncated(logical) + t.dx(); };
    const auto deviceY = [&](double logical) { return t.m22() * truncated(logical) + t.dy(); };
    const auto logicalY = [&](double value) { return mapping.yFactor * value + mapping.yOffset; };
    const auto logicalAt = [&](int i) {
        double x = 0;
        double y = 0;
        data.pointAt(i, x, y);
        return QPointF(mapping.xFactor * x + mapping.xOffset, logicalY(y));
    };
    const double scale = std::sqrt(
        std::max(t.m11() * t.m11() + t.m12() * t.m12(), t.m21() * t.m21() + t.m22() * t.m22()));
    const double width = std::max(1.0, painter->pen().widthF() * scale);
    const QColor colour = painter->pen().color();
    const Qt::PenStyle style = painter->pen().style();

    // The logical columns that reach the device area painted on.
    QRectF area(0, 0, painter->device()->width(), painter->device()->height());
    if (painter->hasClipping())
        area &= t.mapRect(painter->clipBoundingRect());
    if (area.isEmpty())
        return;
    const double fromColumn = std::floor(std::min((area.left() - width - t.dx()) / t.m11(),
                                                  (area.right() + width - t.dx()) / t.m11()));
    const double toColumn = std::ceil(std::max((area.left() - width - t.dx()) / t.m11(),
                                               (area.right() + width - t.dx()) / t.m11()));
    const auto firstIndexFrom = [&](double column, int from) {
        return std::clamp(data.firstAtOrAfter((column - mapping.xOffset) / mapping.xFactor, from),
                          first, last);
    };

    std::vector<Column> columns;
    {
        // Thin stretches and the joins between columns go through the
        // decimator as every curve does.
        PainterBatchSink sink(painter, PainterBatchSink::Polyline);
        CurveDecimator decimator(sink);
        bool open = false;
        const auto add = [&](const QPointF& p) {
            if (std::isnan(p.y())) {
                // No value at a column's end: the line stops there.
                if (open)
                    decimator.breakLine();
                return;
            }
            if (!open) {
                decimator.begin(true);
                open = true;
            }
            decimator.add(p.x(), p.y());
        };
        const auto close = [&] {
            if (open)
                decimator.finish();
            open = false;
        };

        bool haveLast = false;
        bool lastTall = false;
        double lastColumn = -1e300;
        QPointF lastPoint;
        int begin = firstIndexFrom(fromColumn, first);
        if (begin > first) {
            lastPoint = logicalAt(begin - 1);
            haveLast = true;
        }
        for (double column = fromColumn; column <= toColumn; column += 1) {
            const int end = firstIndexFrom(column + 1, begin);
            double low = 0;
            double high = 0;
            if (end > begin && data.extremes(begin, end, low, high)) {
                const double top = std::min(deviceY(logicalY(low)), deviceY(logicalY(high)));
                const double bottom = std::max(deviceY(logicalY(low)), deviceY(logicalY(high)));
                const QPointF firstPoint = logicalAt(begin);
                const QPointF endPoint = logicalAt(end - 1);
                // Reaching the neighbour's last point joins the spans. In a
                // band a column is tall with its join, so that a noisy curve
                // of a point or two per column is a band, not a solid zig-zag.
                const bool joined =
                    haveLast && lastColumn == column - 1 && (lastTall || bandAlpha < 255);
                const double spanTop = joined ? std::min(top, deviceY(lastPoint.y())) : top;
                const double spanBottom =
                    joined ? std::max(bottom, deviceY(lastPoint.y())) : bottom;
                const bool tall = spanBottom - spanTop >= kTallSpan;
                if (tall) {
                    if (haveLast && !joined) {
                        if (!open)
                            add(lastPoint);
                        add(firstPoint);
                    }
                    close();
                    const double x = deviceX(column);
                    columns.push_back({firstPixel(x, width), lastPixel(x, width),
                                       firstPixel(spanTop, width), lastPixel(spanBottom, width)});
                } else {
                    if (haveLast && !open)
                        add(lastPoint);
                    if (end - begin <= kExactColumnPoints) {
                        if (!open) {
                            decimator.begin(true);
                            open = true;
                        }
                        data.feed(begin, end, mapping, decimator);
                    } else {
                        // The column's extremes, the one nearer to its
                        // first point first, then its last point.
                        double nearer = logicalY(low);
                        double farther = logicalY(high);
                        if (std::fabs(farther - firstPoint.y()) <
                            std::fabs(nearer - firstPoint.y()))
                            std::swap(nearer, farther);
                        add(firstPoint);
                        add(QPointF(firstPoint.x(), nearer));
                        add(QPointF(firstPoint.x(), farther));
                        add(endPoint);
                    }
                }
                lastPoint = endPoint;
                lastColumn = column;
                lastTall = tall;
                haveLast = true;
            } else if (end > begin) {
                // Points without a value (a computed channel's gap): the
                // curve breaks here rather than bridging the stretch.
                close();
                haveLast = false;
            }
            begin = end;
        }
        if (haveLast && begin < last) {
            if (!open)
                add(lastPoint);
            add(logicalAt(begin));
        }
        close();
    }

    painter->save();
    painter->setWorldMatrixEnabled(false);
    painter->setViewTransformEnabled(false);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(Qt::NoPen);
    if (bandAlpha < 255) {
        // Neighbouring spans share pixels; one span per pixel column, over
        // all that reach it, fills each pixel once, so none is blended twice.
        QColor light = colour;
        light.setAlphaF(colour.alphaF() * std::clamp(bandAlpha, 0, 255) / 255.0);
        painter->setBrush(light);
        const std::vector<Column> pixels = pixelColumns(columns);
        painter->drawRects(rectangles(pixels));
        // The band's edges in the full colour: where bands of several
        // channels overlap, their fills mix, the outlines still tell them
        // apart. An edge follows the extremes of a few columns around each,
        // so that it runs along a noisy band instead of zig-zagging in it.
        painter->setBrush(Qt::NoBrush);
        // In the pen's pattern: a compared protocol's band tells its run.
        painter->setPen(QPen(colour, 1, style));
        QPolygon top;
        QPolygon bottom;
        const auto flush = [&] {
            if (top.size() > 1) {
                painter->drawPolyline(top);
                painter->drawPolyline(bottom);
            }
            top.clear();
            bottom.clear();
        };
        std::size_t runStart = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            if (i > 0 && pixels[i].left > pixels[i - 1].right + 1) {
                flush();
                runStart = i;
            }
            std::size_t runEnd = i;
            while (runEnd + 1 < pixels.size() && runEnd < i + kEdgeReach &&
                   pixels[runEnd + 1].left <= pixels[runEnd].right + 1)
                ++runEnd;
            int high = INT_MAX;
            int low = INT_MIN;
            for (std::size_t k = std::max(runStart, i > kEdgeReach ? i - kEdgeReach : 0);
                 k <= runEnd; ++k) {
                high = std::min(high, pixels[k].top);
                low = std::max(low, pixels[k].bottom);
            }
            top << QPoint(pixels[i].left, high);
            bottom << QPoint(pixels[i].left, low);
        }
        flush();
    } else {
        painter->setBrush(colour);
        painter->drawRects(rectangles(columns));
    }
    painter->restore();
}

} // namespace chart
