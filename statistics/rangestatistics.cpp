#include "statistics/rangestatistics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

void StatisticsSource::read(int from, int count, qint64* ticks, double* values, bool* present) const
{
    for (int i = 0; i < count; ++i) {
        ticks[i] = tick(from + i);
        present[i] = value(from + i, values[i]);
    }
}

void ColumnStatisticsSource::read(int from, int count, qint64* ticks, double* values,
                                  bool* present) const
{
    for (int i = 0; i < count; ++i) {
        const size_t row = size_t(from + i);
        ticks[i] = m_series.x(row);
        values[i] = m_series.y(row);
        present[i] = !std::isnan(values[i]); // a computed row without a result
    }
}

void RangeSummary::add(const RangeSummary& later)
{
    if (later.count == 0)
        return;
    if (count == 0) {
        *this = later;
        return;
    }
    changes += later.changes + (later.first != last ? 1 : 0);
    count += later.count;
    sum += later.sum;
    sumOfSquares += later.sumOfSquares;
    minimum = std::min(minimum, later.minimum);
    maximum = std::max(maximum, later.maximum);
    last = later.last;
}

double RangeSummary::rms() const
{
    return count > 0 ? std::sqrt(sumOfSquares / count) : 0;
}

namespace {
void addRecord(RangeSummary& summary, double value)
{
    if (summary.count == 0) {
        summary.minimum = summary.maximum = summary.first = value;
    } else {
        summary.minimum = std::min(summary.minimum, value);
        summary.maximum = std::max(summary.maximum, value);
        if (value != summary.last)
            ++summary.changes;
    }
    summary.last = value;
    ++summary.count;
    summary.sum += value;
    summary.sumOfSquares += value * value;
}
// One block's records at once: the running figures stay in registers
// instead of going through the block's summary record by record.
RangeSummary blockSummary(const double* values, const bool* present, int count, int& first,
                          int& last)
{
    int n = 0;
    int changes = 0;
    double sum = 0;
    double squares = 0;
    double low = 0;
    double high = 0;
    double head = 0;
    double previous = 0;
    first = last = -1;
    for (int i = 0; i < count; ++i) {
        if (!present[i])
            continue;
        const double value = values[i];
        if (n == 0) {
            head = low = high = value;
            first = i;
        } else {
            changes += value != previous ? 1 : 0;
            low = std::min(low, value);
            high = std::max(high, value);
        }
        previous = value;
        last = i;
        ++n;
        sum += value;
        squares += value * value;
    }
    RangeSummary summary;
    if (n > 0)
        summary = {n, sum, squares, low, high, changes, head, previous};
    return summary;
}
} // namespace

ChannelRangeIndex::ChannelRangeIndex(std::unique_ptr<StatisticsSource> source)
    : m_source(std::move(source))
{
    // Rows come in tick order but for protocols written out of order: one
    // pass over the columns does for the first.
    if (!indexInSourceOrder())
        indexInTickOrder();
}

void ChannelRangeIndex::noteValue(int i, double value)
{
    addRecord(m_blocks[size_t(i / blockSize)], value);
    if (m_first < 0)
        m_first = i;
    m_last = i;
}

bool ChannelRangeIndex::indexInSourceOrder()
{
    const int rows = m_source->size();
    m_blocks.resize(size_t((rows + blockSize - 1) / blockSize));
    std::array<qint64, blockSize> ticks;
    std::array<double, blockSize> values;
    std::array<bool, blockSize> present;
    qint64 previous = std::numeric_limits<qint64>::min();
    for (int from = 0; from < rows; from += blockSize) {
        const int count = std::min(blockSize, rows - from);
        m_source->read(from, count, ticks.data(), values.data(), present.data());
        for (int i = 0; i < count; ++i) {
            if (ticks[size_t(i)] < previous) {
                m_blocks.assign(m_blocks.size(), RangeSummary());
                m_first = m_last = -1;
                return false;
            }
            previous = ticks[size_t(i)];
        }
        int first = -1;
        int last = -1;
        m_blocks[size_t(from / blockSize)] =
            blockSummary(values.data(), present.data(), count, first, last);
        if (first >= 0) {
            if (m_first < 0)
                m_first = from + first;
            m_last = from + last;
        }
    }
    return true;
}

void ChannelRangeIndex::indexInTickOrder()
{
    // Rows out of tick order are read through a sorted permutation, so the
    // rows of a range are adjacent again.
    const int rows = m_source->size();
    m_order.resize(size_t(rows));
    for (int row = 0; row < rows; ++row)
        m_order[size_t(row)] = row;
    std::stable_sort(m_order.begin(), m_order.end(),
                     [this](int a, int b) { return m_source->tick(a) < m_source->tick(b); });
    for (int i = 0; i < rows; ++i) {
        double value = 0;
        if (valueAt(i, value))
            noteValue(i, value);
    }
}

ChannelRangeIndex::~ChannelRangeIndex() = default;

qint64 ChannelRangeIndex::firstTick() const
{
    return m_first < 0 ? 0 : tickAt(m_first);
}

int ChannelRangeIndex::lowerBound(qint64 tick) const
{
    int low = 0;
    int high = m_source->size();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (tickAt(middle) < tick)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

int ChannelRangeIndex::upperBound(qint64 tick) const
{
    int low = 0;
    int high = m_source->size();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (tickAt(middle) <= tick)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

void ChannelRangeIndex::scan(int from, int to, RangeSummary& summary) const
{
    for (int row = from; row < to; ++row) {
        double value = 0;
        if (valueAt(row, value))
            addRecord(summary, value);
    }
}

RangeSummary ChannelRangeIndex::summary(qint64 from, qint64 to) const
{
    RangeSummary summary;
    if (from > to || m_first < 0)
        return summary;
    const int begin = lowerBound(from);
    const int end = upperBound(to);
    if (begin >= end)
        return summary;
    const int firstWhole = (begin + blockSize - 1) / blockSize;
    const int lastWhole = end / blockSize; // one past the last whole block
    if (firstWhole >= lastWhole) {
        scan(begin, end, summary);
        return summary;
    }
    scan(begin, firstWhole * blockSize, summary);
    // The rows of a range are adjacent, so add() sees the records in order
    // and counts the change into each block against the record before it.
    for (int b = firstWhole; b < lastWhole; ++b)
        summary.add(m_blocks[size_t(b)]);
    scan(lastWhole * blockSize, end, summary);
    return summary;
}

ChannelRangeIndex::AtTick ChannelRangeIndex::exactValue(qint64 tick, int& row, double& value) const
{
    row = lowerBound(tick);
    const int rowsFrom = row;
    for (; row < m_source->size() && tickAt(row) == tick; ++row) {
        if (valueAt(row, value))
            return AtTick::Value;
    }
    return row > rowsFrom ? AtTick::NoValue : AtTick::NoRow;
}

// Rows without a value (a computed channel's gap) are not bridged: a tick
// next to one has no value, as the chart's value line shows.
bool ChannelRangeIndex::interpolatedValue(qint64 tick, double& value) const
{
    int row = 0;
    if (m_first < 0 || tick < tickAt(m_first) || tick > tickAt(m_last))
        return false;
    const AtTick exact = exactValue(tick, row, value);
    if (exact != AtTick::NoRow)
        return exact == AtTick::Value;
    double y0 = 0;
    double y1 = 0;
    if (!valueAt(row - 1, y0) || !valueAt(row, y1))
        return false;
    const double x0 = tickAt(row - 1);
    const double x1 = tickAt(row);
    value = y0 + (double(tick) - x0) * (y1 - y0) / (x1 - x0);
    return true;
}

bool ChannelRangeIndex::heldValue(qint64 tick, double& value) const
{
    int row = 0;
    if (m_first < 0 || tick < tickAt(m_first) || tick > tickAt(m_last))
        return false;
    if (exactValue(tick, row, value) == AtTick::Value)
        return true;
    // A state holds over records without one.
    for (int at = row - 1; at >= m_first; --at) {
        if (valueAt(at, value))
            return true;
    }
    return false;
}
