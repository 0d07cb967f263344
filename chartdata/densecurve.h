#pragma once

#include "chartdata/channeldata.h"

class QPainter;

namespace chart {

// Draws a curve that has many points per pixel column as one vertical span
// per device pixel column, from its lowest to its highest point, stretched
// to the last point of the column before so that the curve stays joined;
// columns apart (a gap in the data) are joined by a line. The extremes come
// from the data's pyramid, so a frame costs what the plot's width costs,
// not what the series' length does. The spans are drawn without
// antialiasing in the pen's colour and as wide as the pen, in the painter's
// clip; mapping takes points to the painter's logical coordinates.
// With bandAlpha below 255 the spans are filled with that much of the pen's
// opacity, each pixel once: a noisy channel then shows as a light band
// that lets the channels under it through.
void paintDenseCurve(QPainter* painter, IndexedChannelData& data, int first, int last,
                     const CurveMapping& mapping, int bandAlpha = 255);

// Draw a series densely when it has more than this many points per pixel
// column of the plot.
constexpr int kDensePointsPerColumn = 4;

} // namespace chart
