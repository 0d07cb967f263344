#include "chartdata/minmaxpyramid.h"

#include <algorithm>

namespace chart {

void MinMaxPyramid::clear()
{
    levels.clear();
    points = 0;
}

void MinMaxPyramid::addLevelAbove(const Level& below)
{
    Level level;
    const std::size_t count = below.low.size();
    const std::size_t blocks = (count + kFanOut - 1) / kFanOut;
    level.low.resize(blocks);
    level.high.resize(blocks);
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t begin = b * kFanOut;
        const std::size_t end = std::min(count, begin + kFanOut);
        level.low[b] = *std::min_element(below.low.begin() + begin, below.low.begin() + end);
        level.high[b] = *std::max_element(below.high.begin() + begin, below.high.begin() + end);
    }
    levels.push_back(std::move(level));
}

} // namespace chart
