#pragma once

#include "reports/celltextfitter.h"

#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QVector>

class QPainter;
class QPaintDevice;

// Draws the texts of table cells, each in the cell's font or smaller where
// it would not fit (see CellTextFitter). A report repeats a few values over
// many rows, so each distinct text is shaped once and its glyphs are drawn
// from then on; the painter's own text drawing would shape it every time.
// Texts of plain letters, digits and signs (what numbers, times and most
// state texts are made of) are laid out glyph by glyph from the font's own
// advances, without the full shaper; others go through it.
class CellTextPainter
{
public:
    // `width` is what a text may take, in units of `device`.
    CellTextPainter(const QFont& font, QPaintDevice* device, qreal width);

    // Draws text with the left end of its baseline at `origin`.
    void draw(QPainter& painter, const QPointF& origin, const QString& text);
    // Queues text at `origin`; flush() draws what was queued, the texts of
    // one font as one glyph run. A PDF writes a text object with its state
    // for every run, which for short cell texts weighs as much as the
    // glyphs: a row drawn as one run makes a page about a third smaller.
    void add(const QPointF& origin, const QString& text);
    void flush(QPainter& painter);

    // Distinct texts kept; beyond this the store starts afresh, so that a
    // column of unique texts (times) does not grow it without end.
    static constexpr int kMaxKept = 20000;

private:
    struct Queued
    {
        QRawFont font;
        QVector<quint32> glyphs;
        QVector<QPointF> positions;
    };
    const QVector<QGlyphRun>& shaped(const QString& text);
    QVector<QGlyphRun> shape(const QString& text);
    // False when the text needs the shaper (joined or combined characters,
    // glyphs the font lacks).
    bool placeGlyphs(const QString& text, QVector<QGlyphRun>& runs);
    QVector<QGlyphRun> layOut(const QString& text) const;

    CellTextFitter m_fitter;
    QFont m_font;
    QPaintDevice* m_device;
    qreal m_width;
    QRawFont m_raw;
    QHash<qreal, QRawFont> m_smaller; // by point size
    QHash<QString, QVector<QGlyphRun>> m_shaped;
    QVector<Queued> m_queued;      // by font
    QVector<QGlyphRun> m_unmerged; // runs with flags (direction, lines), placed
};
