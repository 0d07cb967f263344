#include "gauges/scalefunctions.h"

#include <cmath>

#include <QtGlobal>

namespace {
// Above this many single steps a walk is shortened by one multiplication;
// below it the repeated additions give the exact historical results.
constexpr double kMaxSingleSteps = 1e6;

// Passes of the widening loop before a range is given up as unreachable.
constexpr int kMaxPasses = 10000;

// Raises s by whole steps until it reaches target; false when the step is
// too small to move s at its magnitude.
bool raiseTo(double& s, double target, double step)
{
    const double gap = (target - s) / step;
    if (gap > kMaxSingleSteps)
        s += std::floor(gap - 2) * step;
    while (target > s) {
        if (s + step == s)
            return false;
        s += step;
    }
    return true;
}

// The smallest multiple of increment whose `steps` times cover span.
bool coveringStep(double span, int steps, double increment, double& step)
{
    step = 0;
    const double count = span / (steps * increment);
    if (count > kMaxSingleSteps)
        step = std::floor(count - 2) * increment;
    while (steps * step < span) {
        if (step + increment == step)
            return false;
        step += increment;
    }
    return true;
}
} // namespace

double scaleStep(double span, int count)
{
    const double q = std::fabs(span) / count;
    if (count < 1 || !std::isfinite(q) || q == 0) {
        qWarning("scaleStep: span %g over %d divisions has no step", span, count);
        return 1;
    }
    if (q >= 6) {
        double candidate = 5;
        while (candidate * 10 < q)
            candidate *= 10;
        if (candidate * 10 == q)
            return candidate / 5;
        return candidate;
    }
    return q > 5 ? 5 : 1;
}

bool scaleRange(double low, double high, double& minimum, double& maximum, int steps, bool left,
                double increment)
{
    const double entryMinimum = minimum;
    const double entryMaximum = maximum;
    const auto changed = [&] { return minimum != entryMinimum || maximum != entryMaximum; };
    const auto refuse = [&] {
        qWarning("scaleRange: no scale for [%g, %g] in %d steps of %g", low, high, steps,
                 increment);
        minimum = low;
        maximum = high;
        return changed();
    };

    const double span = high - low;
    if (!(high > low) || !std::isfinite(span) || steps < 1 || !(increment > 0) ||
        !std::isfinite(increment))
        return refuse();

    minimum = low;
    maximum = high;
    while (span < steps * increment && increment / 10 > 0)
        increment /= 10;

    double step = 0;
    if (!coveringStep(span, steps, increment, step))
        return refuse();
    for (int pass = 0;; ++pass) {
        if (pass == kMaxPasses)
            return refuse();
        double s = 0;
        if (pass == 0 ? high < 0 : maximum < 0) {
            // The remainder is taken in single precision by the step count,
            // which is how the scales have always been laid out.
            const double base = pass == 0 ? low : minimum;
            s = base - std::fmod(static_cast<float>(base), static_cast<float>(steps));
        }
        if (!raiseTo(s, high, step))
            return refuse();
        maximum = s;
        minimum = maximum - steps * step;
        if (low >= minimum)
            break;
        step += increment;
    }

    if (left) {
        while (minimum + step <= low && minimum + step != minimum) {
            minimum += step;
            maximum += step;
        }
    }
    return changed();
}
