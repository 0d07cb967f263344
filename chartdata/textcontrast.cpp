#include "chartdata/textcontrast.h"

#include <algorithm>
#include <cmath>

namespace chart {

namespace {
double linear(double channel)
{
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}
} // namespace

double relativeLuminance(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor outlineFor(const QColor& text, const QColor& background)
{
    if (contrastRatio(text, background) >= kReadableContrast)
        return QColor();
    // The outline draws the line's silhouette, so it must stand out from the
    // background first; the glyph inside it keeps the channel's colour.
    const QColor white(Qt::white);
    const QColor black(Qt::black);
    const auto weakest = [&](const QColor& outline) {
        return std::min(contrastRatio(outline, background), contrastRatio(outline, text));
    };
    return weakest(white) >= weakest(black) ? white : black;
}

} // namespace chart
