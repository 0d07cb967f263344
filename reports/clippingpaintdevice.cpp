#include "reports/clippingpaintdevice.h"

#include <QImage>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QTextItem>

#include <utility>

#include <algorithm>

namespace clipping {
namespace {
// The part of the segment a-b inside rect (Liang-Barsky); false for none.
bool clipSegment(QPointF& a, QPointF& b, const QRectF& rect)
{
    const QPointF d = b - a;
    const double p[4] = {-d.x(), d.x(), -d.y(), d.y()};
    const double q[4] = {a.x() - rect.left(), rect.right() - a.x(), a.y() - rect.top(),
                         rect.bottom() - a.y()};
    double enter = 0;
    double leave = 1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
        if (enter > leave)
            return false;
    }
    const QPointF from = a + d * enter;
    b = a + d * leave;
    a = from;
    return true;
}
} // namespace

QVector<QPolygonF> clipPolyline(const QPolygonF& line, const QRectF& rect)
{
    QVector<QPolygonF> pieces;
    QPolygonF piece;
    const auto flush = [&] {
        if (piece.size() >= 2)
            pieces.append(piece);
        piece.clear();
    };
    for (int i = 0; i + 1 < line.size(); ++i) {
        QPointF a = line[i];
        QPointF b = line[i + 1];
        if (!clipSegment(a, b, rect)) {
            flush();
            continue;
        }
        // A segment that enters the rectangle starts a new piece.
        if (piece.isEmpty() || a != line[i]) {
            flush();
            piece.append(a);
        }
        piece.append(b);
    }
    flush();
    return pieces;
}
} // namespace clipping

namespace {

// Marks a placeholder; no label of this program holds it.
const QString kPlaceholder = QStringLiteral("VoltrekText%1x");

class ClippingEngine : public QPaintEngine
{
public:
    ClippingEngine(QPainter& target, std::shared_ptr<QStringList> texts)
        : QPaintEngine(AllFeatures), m_target(target), m_texts(std::move(texts))
    {
    }

    bool begin(QPaintDevice*) override
    {
        m_target.save();
        m_hasClip = false;
        m_clipEnabled = false;
        m_pending.clear();
        return true;
    }
    bool end() override
    {
        flushText();
        m_target.restore();
        return true;
    }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState& state) override;
    void drawPath(const QPainterPath& path) override;
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override;
    void drawPixmap(const QRectF& rect, const QPixmap& pixmap, const QRectF& source) override;
    void drawImage(const QRectF& rect, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags flags) override;
    void drawTextItem(const QPointF& position, const QTextItem& item) override;

private:
    // The clip in the painter's coordinates; false without one, and for a
    // rotated or sheared painter, which is then not cut.
    bool logicalClip(QRectF& rect) const;
    // The part of source that fills the part of rect inside the clip.
    static QRectF croppedSource(const QRectF& rect, const QRectF& shown, const QRectF& source);
    // Draws the text gathered from its pieces so far.
    void flushText();

    QPainter& m_target;
    std::shared_ptr<QStringList> m_texts;
    // The pieces of one text seen so far: each starts where the one before ended.
    QString m_pending;
    int m_pendingPieces = 0;
    QPointF m_pendingAt;
    double m_pendingEnd = 0;
    QFont m_pendingFont;
    bool m_pendingShown = false;
    QTransform m_transform;
    QRectF m_clip; // device coordinates
    bool m_hasClip = false;
    bool m_clipEnabled = false;
};

void ClippingEngine::updateState(const QPaintEngineState& state)
{
    flushText();
    const DirtyFlags flags = state.state();
    // The transform first: a clip comes in the coordinates of the one set with it.
    if (flags & DirtyTransform) {
        m_transform = state.transform();
        m_target.setTransform(m_transform);
    }
    if (flags & DirtyPen)
        m_target.setPen(state.pen());
    if (flags & DirtyBrush)
        m_target.setBrush(state.brush());
    if (flags & DirtyBrushOrigin)
        m_target.setBrushOrigin(state.brushOrigin());
    if (flags & DirtyBackground)
        m_target.setBackground(state.backgroundBrush());
    if (flags & DirtyBackgroundMode)
        m_target.setBackgroundMode(state.backgroundMode());
    if (flags & DirtyFont)
        m_target.setFont(state.font());
    if (flags & DirtyHints)
        m_target.setRenderHints(state.renderHints());
    if (flags & DirtyOpacity)
        m_target.setOpacity(state.opacity());
    if (flags & DirtyClipEnabled)
        m_clipEnabled = state.isClipEnabled();
    if (flags & (DirtyClipRegion | DirtyClipPath)) {
        const QRectF shape =
            m_transform.mapRect(flags & DirtyClipRegion ? QRectF(state.clipRegion().boundingRect())
                                                        : state.clipPath().boundingRect());
        switch (state.clipOperation()) {
        case Qt::NoClip:
            m_hasClip = false;
            break;
        case Qt::ReplaceClip:
            m_clip = shape;
            m_hasClip = true;
            break;
        case Qt::IntersectClip:
            m_clip = m_hasClip ? (m_clip & shape) : shape;
            m_hasClip = true;
            break;
        }
    }
}

bool ClippingEngine::logicalClip(QRectF& rect) const
{
    if (!m_hasClip || !m_clipEnabled || m_transform.type() > QTransform::TxScale)
        return false;
    bool invertible = false;
    const QTransform back = m_transform.inverted(&invertible);
    if (!invertible)
        return false;
    rect = back.mapRect(m_clip);
    return true;
}

void ClippingEngine::drawPath(const QPainterPath& path)
{
    flushText();
    QRectF clip;
    if (!logicalClip(clip) || clip.contains(path.controlPointRect())) {
        m_target.drawPath(path);
        return;
    }
    if (m_target.brush().style() != Qt::NoBrush) {
        QPainterPath inside;
        inside.addRect(clip);
        const QPen pen = m_target.pen();
        m_target.setPen(Qt::NoPen);
        m_target.drawPath(path.intersected(inside));
        m_target.setPen(pen);
    }
    if (m_target.pen().style() != Qt::NoPen) {
        for (const QPolygonF& outline : path.toSubpathPolygons()) {
            for (const QPolygonF& piece : clipping::clipPolyline(outline, clip))
                m_target.drawPolyline(piece);
        }
    }
}

void ClippingEngine::drawPolygon(const QPointF* points, int count, PolygonDrawMode mode)
{
    flushText();
    QPolygonF polygon;
    polygon.reserve(count);
    for (int i = 0; i < count; ++i)
        polygon.append(points[i]);
    QRectF clip;
    const bool whole = !logicalClip(clip) || clip.contains(polygon.boundingRect());
    if (mode == PolylineMode) {
        if (whole) {
            m_target.drawPolyline(polygon);
            return;
        }
        for (const QPolygonF& piece : clipping::clipPolyline(polygon, clip))
            m_target.drawPolyline(piece);
        return;
    }
    const Qt::FillRule rule = mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill;
    if (whole) {
        m_target.drawPolygon(polygon, rule);
        return;
    }
    QPainterPath path;
    path.addPolygon(polygon);
    path.closeSubpath();
    path.setFillRule(rule);
    drawPath(path);
}

QRectF ClippingEngine::croppedSource(const QRectF& rect, const QRectF& shown, const QRectF& source)
{
    const double sx = source.width() / rect.width();
    const double sy = source.height() / rect.height();
    return QRectF(source.left() + (shown.left() - rect.left()) * sx,
                  source.top() + (shown.top() - rect.top()) * sy, shown.width() * sx,
                  shown.height() * sy);
}

void ClippingEngine::drawPixmap(const QRectF& rect, const QPixmap& pixmap, const QRectF& source)
{
    flushText();
    QRectF clip;
    if (!logicalClip(clip) || clip.contains(rect)) {
        m_target.drawPixmap(rect, pixmap, source);
        return;
    }
    const QRectF shown = rect & clip;
    if (!shown.isEmpty())
        m_target.drawPixmap(shown, pixmap, croppedSource(rect, shown, source));
}

void ClippingEngine::drawImage(const QRectF& rect, const QImage& image, const QRectF& source,
                               Qt::ImageConversionFlags flags)
{
    flushText();
    QRectF clip;
    if (!logicalClip(clip) || clip.contains(rect)) {
        m_target.drawImage(rect, image, source, flags);
        return;
    }
    const QRectF shown = rect & clip;
    if (!shown.isEmpty())
        m_target.drawImage(shown, image, croppedSource(rect, shown, source), flags);
}

void ClippingEngine::drawTextItem(const QPointF& position, const QTextItem& item)
{
    QRectF clip;
    const QRectF box(position.x(), position.y() - item.ascent(), item.width(),
                     item.ascent() + item.descent());
    const bool shown = !logicalClip(clip) || clip.intersects(box);
    const bool continues = !m_pending.isEmpty() && item.font() == m_pendingFont &&
                           qAbs(position.y() - m_pendingAt.y()) < 1e-6 &&
                           qAbs(position.x() - m_pendingEnd) < 1e-3;
    if (!continues) {
        flushText();
        m_pendingAt = position;
        m_pendingFont = item.font();
        m_pendingShown = false;
        m_pendingPieces = 0;
    }
    m_pending += item.text();
    m_pendingEnd = position.x() + item.width();
    m_pendingShown = m_pendingShown || shown;
    ++m_pendingPieces;
}

void ClippingEngine::flushText()
{
    if (m_pending.isEmpty())
        return;
    QString text = m_pending;
    m_pending.clear();
    if (!m_pendingShown)
        return;
    if (m_pendingPieces > 1) {
        m_texts->append(text);
        text = kPlaceholder.arg(m_texts->size() - 1);
    }
    const QFont font = m_target.font();
    m_target.setFont(m_pendingFont);
    m_target.drawText(m_pendingAt, text);
    m_target.setFont(font);
}

} // namespace

ClippingPaintDevice::ClippingPaintDevice(QPainter& target)
    : m_target(target), m_texts(std::make_shared<QStringList>())
{
    m_engine = std::make_unique<ClippingEngine>(target, m_texts);
}

QString ClippingPaintDevice::restoreTexts(const QString& written) const
{
    QString restored = written;
    for (int i = m_texts->size() - 1; i >= 0; --i)
        restored.replace(QLatin1Char('>') + kPlaceholder.arg(i) + QLatin1Char('<'),
                         QLatin1Char('>') + m_texts->at(i).toHtmlEscaped() + QLatin1Char('<'));
    return restored;
}

ClippingPaintDevice::~ClippingPaintDevice() = default;

QPaintEngine* ClippingPaintDevice::paintEngine() const
{
    return m_engine.get();
}

int ClippingPaintDevice::metric(PaintDeviceMetric metric) const
{
    const QPaintDevice* device = m_target.device();
    if (!device)
        return metric == PdmDevicePixelRatio ? 1 : 0;
    switch (metric) {
    case PdmWidth:
        return device->width();
    case PdmHeight:
        return device->height();
    case PdmWidthMM:
        return device->widthMM();
    case PdmHeightMM:
        return device->heightMM();
    case PdmNumColors:
        return device->colorCount();
    case PdmDepth:
        return device->depth();
    case PdmDpiX:
        return device->logicalDpiX();
    case PdmDpiY:
        return device->logicalDpiY();
    case PdmPhysicalDpiX:
        return device->physicalDpiX();
    case PdmPhysicalDpiY:
        return device->physicalDpiY();
    case PdmDevicePixelRatio:
        return device->devicePixelRatio();
    case PdmDevicePixelRatioScaled:
        return int(device->devicePixelRatioF() * QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}
