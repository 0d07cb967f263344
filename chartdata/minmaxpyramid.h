#pragma once

#include <limits>
#include <vector>

namespace chart {

// The lowest and highest y over blocks of a series, level above level:
// blocks of kFanOut points, then blocks of kFanOut blocks, and so on. The
// extremes of any index range then cost a few dozen reads however long the
// range is, so a frame costs what its pixels cost, not what the series does.
// The pyramid keeps about 2 / (kFanOut - 1) doubles per point.
class MinMaxPyramid
{
public:
    static constexpr int kFanOut = 16;

    // Builds the levels over count values read by yAt(i). NaN is no value.
    template <typename YAt> void build(int count, YAt yAt);
    void clear();
    // Number of points the pyramid was built over.
    int size() const { return points; }

    // Extremes of y over the points [first, last), reading single points
    // with yAt; false when the range holds no number.
    template <typename YAt>
    bool extremes(int first, int last, YAt yAt, double& low, double& high) const;

private:
    struct Level
    {
        std::vector<double> low;
        std::vector<double> high;
    };
    void addLevelAbove(const Level& below);

    std::vector<Level> levels;
    int points = 0;
};

template <typename YAt> void MinMaxPyramid::build(int count, YAt yAt)
{
    clear();
    points = count < 0 ? 0 : count;
    if (points <= kFanOut)
        return;
    Level first;
    const int blocks = (points + kFanOut - 1) / kFanOut;
    first.low.resize(blocks);
    first.high.resize(blocks);
    for (int b = 0; b < blocks; ++b) {
        double lo = std::numeric_limits<double>::infinity();
        double hi = -lo;
        const int end = b == blocks - 1 ? points : (b + 1) * kFanOut;
        for (int i = b * kFanOut; i < end; ++i) {
            const double y = yAt(i);
            if (y < lo)
                lo = y;
            if (y > hi)
                hi = y;
        }
        first.low[b] = lo;
        first.high[b] = hi;
    }
    levels.push_back(std::move(first));
    while (levels.back().low.size() > static_cast<std::size_t>(kFanOut))
        addLevelAbove(levels.back());
}

template <typename YAt>
bool MinMaxPyramid::extremes(int first, int last, YAt yAt, double& low, double& high) const
{
    low = std::numeric_limits<double>::infinity();
    high = -low;
    int i = first < 0 ? 0 : first;
    int j = last > points ? points : last;
    const auto take = [&](int level, int k) {
        double lo = 0;
        double hi = 0;
        if (level < 0) {
            lo = hi = yAt(k);
        } else {
            lo = levels[level].low[k];
            hi = levels[level].high[k];
        }
        if (lo < low)
            low = lo;
        if (hi > high)
            high = hi;
    };
    // Single entries at the ends of the range, whole blocks one level up.
    for (int level = -1; i < j; ++level) {
        if (level + 1 >= static_cast<int>(levels.size())) {
            while (i < j)
                take(level, i++);
            break;
        }
        while (i < j && i % kFanOut != 0)
            take(level, i++);
        while (i < j && j % kFanOut != 0)
            take(level, --j);
        i /= kFanOut;
        j /= kFanOut;
    }
    return low <= high;
}

} // namespace chart
