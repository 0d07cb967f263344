#pragma once

#include <QColor>

namespace chart {

// Relative luminance of a colour, 0 for black to 1 for white, as the
// common readability guidelines define it.
double relativeLuminance(const QColor& color);

// Contrast ratio of two colours, from 1 (equal) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// Text needs this much contrast to its background to be read with ease.
constexpr double kReadableContrast = 4.5;

// The colour to outline text of colour `text` with, so that it can be read
// on `background`: invalid when the text reads well on it as it is,
// otherwise white or black, whichever stands out more from both the
// background and the text.
QColor outlineFor(const QColor& text, const QColor& background);

} // namespace chart
