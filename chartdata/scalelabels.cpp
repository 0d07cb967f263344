#include "chartdata/scalelabels.h"

#include <cmath>

namespace chart {

namespace {
constexpr int kMaxDecimals = 12;
} // namespace

int stepDecimals(double step)
{
    step = std::fabs(step);
    if (!(step > 0) || !std::isfinite(step))
        return 0;
    double scaled = step;
    for (int decimals = 0; decimals < kMaxDecimals; ++decimals, scaled *= 10) {
        // Steps come from single-precision bounds now and then: 0.15 may
        // arrive as 0.15000000596.
        if (std::fabs(scaled - std::round(scaled)) <= 1e-5 * scaled)
            return decimals;
    }
    return kMaxDecimals;
}

QString scaleLabel(double value, double step)
{
    if (!std::isfinite(value) || std::fabs(value) >= 1e15)
        return QString::number(value, 'G', 12);
    const int decimals = stepDecimals(step);
    const double unit = std::pow(10.0, decimals);
    const double rounded = std::round(value * unit) / unit;
    if (rounded == 0)
        return QStringLiteral("0");
    QString text = QString::number(rounded, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

} // namespace chart
