#pragma once

#include <QtGlobal>

#include <cmath>
#include <limits>

// Maps the ticks of a view onto a scroll bar, whose values are ints: the bar
// counts from the first tick, one step per tick, or per several ticks when the
// view is longer than an int can count (ticks are 64-bit).
class ScrollScale
{
public:
    // Steps the bar may count, with room for page steps past either end.
    static constexpr qint64 kMostSteps = std::numeric_limits<int>::max() / 2;

    void setRange(qint64 firstTick, qint64 lastTick)
    {
        first = firstTick;
        const qint64 span = lastTick > firstTick ? lastTick - firstTick : 0;
        unit = span > kMostSteps ? (span + kMostSteps - 1) / kMostSteps : 1;
    }
    qint64 firstTick() const { return first; }
    qint64 ticksPerStep() const { return unit; }

    // The bar value of a tick, towards the first tick and within an int.
    int value(double tick) const { return steps(tick - double(first)); }
    // Ticks as a number of steps, e.g. a page.
    int steps(double ticks) const
    {
        const double limit = double(std::numeric_limits<int>::max());
        const double count = std::trunc(ticks / double(unit));
        if (std::isnan(count))
            return 0;
        return int(qBound(-limit, count, limit));
    }
    double tick(int value) const { return double(first) + double(value) * double(unit); }

private:
    qint64 first = 0;
    qint64 unit = 1;
};
