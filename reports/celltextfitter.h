#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>

class QPaintDevice;

// Picks the font for a text in a table cell: the cell's own font when the
// text fits, else the same font at a point size at which it does, so that no
// text runs over a cell line into its neighbour.
class CellTextFitter
{
public:
    // `width` is what the text may take, in units of `device`.
    CellTextFitter(const QFont& font, QPaintDevice* device, qreal width);

    QFont fontFor(const QString& text) const;

private:
    QFont m_font;
    QPaintDevice* m_device;
    QFontMetricsF m_metrics;
    qreal m_width;
    int m_surelyFitting; // texts up to this length fit whatever their characters
};
