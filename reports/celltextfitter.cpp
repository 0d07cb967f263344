#include "reports/celltextfitter.h"

#include <cmath>

namespace {
constexpr qreal kStepPt = 0.5;
constexpr qreal kSmallestPt = 4.0;
} // namespace

CellTextFitter::CellTextFitter(const QFont& font, QPaintDevice* device, qreal width)
    : m_font(font), m_device(device), m_metrics(font, device), m_width(width),
      m_surelyFitting(m_metrics.maxWidth() > 0 ? int(width / m_metrics.maxWidth()) : 0)
{
}

QFont CellTextFitter::fontFor(const QString& text) const
{
    // Most cells hold short numbers: no need to measure them.
    if (text.size() <= m_surelyFitting)
        return m_font;
    const qreal width = m_metrics.horizontalAdvance(text);
    if (width <= m_width)
        return m_font;

    // Text width grows about in proportion to the point size; start there and
    // step down while hinting still makes it too wide.
    QFont fitted = m_font;
    qreal size = std::floor(m_font.pointSizeF() * m_width / width / kStepPt) * kStepPt;
    for (; size > kSmallestPt; size -= kStepPt) {
        fitted.setPointSizeF(size);
        if (QFontMetricsF(fitted, m_device).horizontalAdvance(text) <= m_width)
            return fitted;
    }
    fitted.setPointSizeF(kSmallestPt);
    return fitted;
}
