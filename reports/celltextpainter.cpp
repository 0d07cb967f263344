#include "reports/celltextpainter.h"

#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {
constexpr qreal kStepPt = 0.5;
constexpr qreal kSmallestPt = 4.0;

// Latin and Cyrillic letters, digits and signs: one glyph per character,
// nothing that joins or combines.
bool isPlain(const QString& text)
{
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0) || (u >= 0x300 && u < 0x370) || u >= 0x530)
            return false;
    }
    return true;
}
} // namespace

CellTextPainter::CellTextPainter(const QFont& font, QPaintDevice* device, qreal width)
    : m_fitter(font, device, width), m_font(font), m_device(device), m_width(width),
      m_raw(QRawFont::fromFont(font))
{
    if (m_raw.isValid())
        m_raw.setPixelSize(font.pointSizeF() * device->logicalDpiY() / 72.0);
}

void CellTextPainter::draw(QPainter& painter, const QPointF& origin, const QString& text)
{
    for (const QGlyphRun& run : shaped(text))
        painter.drawGlyphRun(origin, run);
}

const QVector<QGlyphRun>& CellTextPainter::shaped(const QString& text)
{
    auto found = m_shaped.constFind(text);
    if (found == m_shaped.constEnd()) {
        if (m_shaped.size() >= kMaxKept)
            m_shaped.clear();
        found = m_shaped.insert(text, shape(text));
    }
    return *found;
}

void CellTextPainter::add(const QPointF& origin, const QString& text)
{
    for (const QGlyphRun& run : shaped(text)) {
        const QVector<QPointF> positions = run.positions();
        if (run.flags() != QGlyphRun::GlyphRunFlags()) {
            QGlyphRun placed = run;
            QVector<QPointF> moved = positions;
            for (QPointF& position : moved)
                position += origin;
            placed.setPositions(moved);
            m_unmerged.append(placed);
            continue;
        }
        const QRawFont font = run.rawFont();
        auto queue = std::find_if(m_queued.begin(), m_queued.end(),
                                  [&font](const Queued& q) { return q.font == font; });
        if (queue == m_queued.end())
            queue = m_queued.insert(m_queued.end(), Queued{font, {}, {}});
        queue->glyphs += run.glyphIndexes();
        for (const QPointF& position : positions)
            queue->positions.append(position + origin);
    }
}

void CellTextPainter::flush(QPainter& painter)
{
    for (const Queued& queued : qAsConst(m_queued)) {
        QGlyphRun run;
        run.setRawFont(queued.font);
        run.setGlyphIndexes(queued.glyphs);
        run.setPositions(queued.positions);
        painter.drawGlyphRun(QPointF(), run);
    }
    for (const QGlyphRun& run : qAsConst(m_unmerged))
        painter.drawGlyphRun(QPointF(), run);
    m_queued.clear();
    m_unmerged.clear();
}

QVector<QGlyphRun> CellTextPainter::shape(const QString& text)
{
    QVector<QGlyphRun> runs;
    if (m_raw.isValid() && m_font.pointSizeF() > 0 && isPlain(text) && placeGlyphs(text, runs))
        return runs;
    return layOut(text);
}

bool CellTextPainter::placeGlyphs(const QString& text, QVector<QGlyphRun>& runs)
{
    const QVector<quint32> glyphs = m_raw.glyphIndexesForString(text);
    if (glyphs.size() != text.size() || glyphs.contains(0))
        return false;
    const QRawFont::LayoutFlags flags = QRawFont::KernedAdvances;
    QVector<QPointF> advances = m_raw.advancesForGlyphIndexes(glyphs, flags);
    qreal width = 0;
    for (const QPointF& advance : qAsConst(advances))
        width += advance.x();

    QRawFont font = m_raw;
    if (width > m_width) {
        // Advances grow in proportion to the size: the first size below the
        // proportional one fits.
        const qreal points = m_font.pointSizeF();
        const qreal fitted =
            std::max(kSmallestPt, std::floor(points * m_width / width / kStepPt) * kStepPt);
        // One font per size: each copy made anew would be a font of its own.
        QRawFont& smaller = m_smaller[fitted];
        if (!smaller.isValid()) {
            smaller = m_raw;
            smaller.setPixelSize(m_raw.pixelSize() * fitted / points);
        }
        font = smaller;
        advances = font.advancesForGlyphIndexes(glyphs, flags);
    }
    QVector<QPointF> positions;
    positions.reserve(glyphs.size());
    QPointF at;
    for (const QPointF& advance : qAsConst(advances)) {
        positions.append(at);
        at.rx() += advance.x();
    }
    QGlyphRun run;
    run.setRawFont(font);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    runs = {run};
    return true;
}

QVector<QGlyphRun> CellTextPainter::layOut(const QString& text) const
{
    QTextLayout layout(text, m_fitter.fontFor(text), m_device);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid())
        line.setNumColumns(int(text.size()));
    layout.endLayout();
    if (!line.isValid())
        return {};
    // Glyph positions count from the line's top; drawn, they count from the baseline.
    const QPointF shift(-line.x(), -line.ascent() - line.y());
    QVector<QGlyphRun> runs;
    for (QGlyphRun run : layout.glyphRuns()) {
        QVector<QPointF> positions = run.positions();
        for (QPointF& position : positions)
            position += shift;
        run.setPositions(positions);
        runs.append(run);
    }
    return runs;
}
