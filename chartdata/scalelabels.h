#pragma once

#include <QString>

namespace chart {

// Decimals that show every multiple of `step` as it is: 0.25 gives 2, 5
// gives 0. Rounding noise of single precision in the step is ignored.
int stepDecimals(double step);

// A value scale label: the value rounded to the precision of its step,
// without trailing zeros; a value that rounds to zero reads "0".
QString scaleLabel(double value, double step);

} // namespace chart
