#pragma once

#include <QSize>

class QPainter;

namespace chart {

// The rounded translucent box behind the legend and the value box: its left
// edge at `left`, 15 px from the top, with a margin of 10 px around text of
// `textSize`; the first line of text goes at 35. Leaves the painter with the
// box's brush and white pen.
void paintLegendBox(QPainter* painter, int left, const QSize& textSize);

} // namespace chart
