#pragma once

#include "chartdata/channeldata.h"
#include "chartdata/channelseries.h"
#include "chartdata/columnseries.h"
#include "chartdata/curvedecimator.h"
#include "chartdata/minmaxpyramid.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>

#include <QPointF>

// How the containers read a series by index: a sequence of (integer x,
// double y) pairs, or the columns of a loaded protocol.
namespace seriesaccess {

template <typename T> std::size_t size(const T& series)
{
    return series.size();
}
template <typename T> qint64 x(const T& series, std::size_t i)
{
    return series[i].first;
}
template <typename T> double y(const T& series, std::size_t i)
{
    return series[i].second;
}

// Where the points live: a check of the points holds while this and the size stay.
template <typename T> const void* storage(const T& series)
{
    return series.data();
}

inline const void* storage(const ColumnSeries& series)
{
    return series.real ? static_cast<const void*>(series.real) : series.values;
}
inline qint64 x(const ColumnSeries& series, std::size_t i)
{
    return series.x(i);
}
inline double y(const ColumnSeries& series, std::size_t i)
{
    return series.y(i);
}

} // namespace seriesaccess

// A view of a sequence of (integer x, double y) pairs as chart channel data.
// It neither copies nor owns the sequence, which must outlive it.
template <typename T>
class PairDataContainer : public chart::ChannelData, public chart::IndexedChannelData
{
public:
    explicit PairDataContainer(const T* series) : series(series) {}
    Q_DISABLE_COPY_MOVE(PairDataContainer)

    bool rewind() override
    {
        cursor = 0;
        started = true;
        return count() > 0;
    }

    bool next(double& x, double& y) override
    {
        if (!started || cursor >= count())
            return false;
        x = static_cast<double>(xAt(cursor));
        y = yAt(cursor);
        ++cursor;
        return true;
    }

    bool maxX(double& value) override
    {
        return extreme(
            value, [](double x, double) { return x; }, std::greater<double>());
    }
    bool minX(double& value) override
    {
        return extreme(
            value, [](double x, double) { return x; }, std::less<double>());
    }
    bool maxY(double& value) override
    {
        return extreme(
            value, [](double, double y) { return y; }, std::greater<double>());
    }
    bool minY(double& value) override
    {
        return extreme(
            value, [](double, double y) { return y; }, std::less<double>());
    }

    int size() override { return static_cast<int>(count()); }

    bool isAscending() override
    {
        // Series only grow by appending, so a check holds until the content
        // moves or grows.
        const std::size_t n = count();
        const void* data = series ? seriesaccess::storage(*series) : nullptr;
        if (n != checkedSize || data != checkedData || !checked) {
            checked = true;
            checkedSize = n;
            checkedData = data;
            ascending = true;
            for (std::size_t i = 1; i < n && ascending; ++i)
                ascending = xAt(i - 1) <= xAt(i);
        }
        return ascending;
    }

    void visibleRange(double from, double to, int& first, int& last) override
    {
        const std::size_t n = count();
        first = 0;
        last = static_cast<int>(n);
        if (!(from <= to))
            return;
        const std::size_t lo = lowerBound(from);
        // First point with x > to.
        std::size_t hi = lo;
        std::size_t span = n - lo;
        while (span > 0) {
            const std::size_t half = span / 2;
            if (static_cast<double>(xAt(hi + half)) <= to) {
                hi += half + 1;
                span -= half + 1;
            } else {
                span = half;
            }
        }
        first = static_cast<int>(lo > 0 ? lo - 1 : 0);
        last = static_cast<int>(std::min(hi + 1, n));
    }

    void feed(int first, int last, const chart::CurveMapping& m,
              chart::CurveDecimator& decimator) override
    {
        const std::size_t stop = std::min<std::size_t>(std::max(last, 0), count());
        for (std::size_t i = std::size_t(std::max(first, 0)); i < stop; ++i) {
            const double y = yAt(i);
            if (std::isnan(y))
                decimator.breakLine();
            else
                decimator.add(m.xFactor * static_cast<double>(xAt(i)) + m.xOffset,
                              m.yFactor * y + m.yOffset);
        }
    }

    void pointAt(int i, double& x, double& y) override
    {
        x = static_cast<double>(xAt(static_cast<std::size_t>(i)));
        y = yAt(static_cast<std::size_t>(i));
    }

    int firstAtOrAfter(double x, int from) override
    {
        const std::size_t n = count();
        std::size_t low = static_cast<std::size_t>(std::max(from, 0));
        if (low >= n || !(static_cast<double>(xAt(low)) < x))
            return static_cast<int>(std::min(low, n));
        if (static_cast<double>(xAt(n - 1)) < x)
            return static_cast<int>(n);
        // Keeping x(low) < x <= x(high): a guess as if the ticks were evenly
        // spaced (they mostly are), then strides doubling away from it.
        std::size_t high = n - 1;
        const double x0 = static_cast<double>(xAt(low));
        const double share = (x - x0) / (static_cast<double>(xAt(high)) - x0);
        std::size_t guess = low + static_cast<std::size_t>(share * static_cast<double>(high - low));
        guess = std::min(std::max(guess, low + 1), high);
        std::size_t stride = 1;
        if (static_cast<double>(xAt(guess)) < x) {
            low = guess;
            while (low + stride < high && static_cast<double>(xAt(low + stride)) < x) {
                low += stride;
                stride *= 2;
            }
            high = std::min(low + stride, high);
        } else {
            high = guess;
            while (high - stride > low && !(static_cast<double>(xAt(high - stride)) < x)) {
                high -= stride;
                stride *= 2;
            }
            low = std::max(high - std::min(stride, high - low), low);
        }
        while (high - low > 1) {
            const std::size_t middle = low + (high - low) / 2;
            if (static_cast<double>(xAt(middle)) < x)
                low = middle;
            else
                high = middle;
        }
        return static_cast<int>(high);
    }

    bool extremes(int first, int last, double& low, double& high) override
    {
        // Rebuilt when the points move or grow, as the ascending check is.
        const void* data = series ? seriesaccess::storage(*series) : nullptr;
        const auto y = [this](int i) { return yAt(static_cast<std::size_t>(i)); };
        if (data != pyramidData || size() != pyramid.size()) {
            pyramidData = data;
            pyramid.build(size(), y);
        }
        return pyramid.extremes(first, last, y, low, high);
    }

protected:
    std::size_t count() const { return series ? seriesaccess::size(*series) : 0; }
    qint64 xAt(std::size_t i) const { return seriesaccess::x(*series, i); }
    double yAt(std::size_t i) const { return seriesaccess::y(*series, i); }

    // First index whose x is not below `value`.
    std::size_t lowerBound(double value) const
    {
        std::size_t at = 0;
        std::size_t span = count();
        while (span > 0) {
            const std::size_t half = span / 2;
            if (static_cast<double>(xAt(at + half)) < value) {
                at += half + 1;
                span -= half + 1;
            } else {
                span = half;
            }
        }
        return at;
    }

    const T* series = nullptr;
    std::size_t cursor = 0;
    bool started = false; // no walk before the first rewind

private:
    template <typename Coordinate, typename Better>
    bool extreme(double& value, Coordinate coordinate, Better better)
    {
        // An empty series has no extreme; 0 keeps the caller's arithmetic sane.
        value = 0;
        rewind();
        double x = 0;
        double y = 0;
        if (!next(x, y))
            return true;
        double best = coordinate(x, y);
        value = best;
        while (next(x, y)) {
            const double candidate = coordinate(x, y);
            if (better(candidate, best)) {
                best = candidate;
                value = best;
            }
        }
        return true;
    }

    chart::MinMaxPyramid pyramid;
    const void* pyramidData = nullptr;
    std::size_t checkedSize = 0;
    const void* checkedData = nullptr;
    bool checked = false;
    bool ascending = true;
};

// The protocol chart's data: adds the value at any x, interpolated linearly
// between the neighbouring pairs.
template <typename T>
class ProtocolPairDataContainer : public PairDataContainer<T>, public chart::ProtocolChannelData
{
public:
    explicit ProtocolPairDataContainer(const T* series) : PairDataContainer<T>(series) {}

    // The cursor ends behind the pair where the search stopped.
    QPointF valueAt(double x) override
    {
        double value = 0;
        return valueAt(x, value) ? QPointF(x, value) : QPointF(0, 0);
    }

    bool valueAt(double x, double& value) override
    {
        if (this->isAscending())
            return valueAtAscending(x, value);
        return valueAtByWalk(x, value);
    }

private:
    double interpolated(double x, std::size_t before, std::size_t after) const
    {
        const double x0 = static_cast<double>(this->xAt(before));
        const double x1 = static_cast<double>(this->xAt(after));
        const double y0 = this->yAt(before);
        return y0 + (x - x0) * (this->yAt(after) - y0) / (x1 - x0);
    }

    bool valueAtAscending(double x, double& value)
    {
        const std::size_t n = this->count();
        this->started = true;
        this->cursor = n;
        if (n == 0 || std::isnan(x))
            return false;
        const std::size_t at = this->lowerBound(x);
        if (at == n)
            return false;
        if (static_cast<double>(this->xAt(at)) == x) {
            this->cursor = at + 1;
            value = this->yAt(at);
            return true;
        }
        if (at == 0)
            return false;
        this->cursor = at + 1;
        value = interpolated(x, at - 1, at);
        return true;
    }

    // For a series out of order: the first exact hit or enclosing pair in
    // series order.
    bool valueAtByWalk(double x, double& value)
    {
        double px = 0;
        double py = 0;
        this->rewind();
        if (!this->next(px, py))
            return false;
        if (px == x) {
            value = py;
            return true;
        }
        std::size_t previous = this->cursor - 1;
        const std::size_t n = this->count();
        while (this->cursor != n) {
            const std::size_t i = this->cursor++;
            const double xi = static_cast<double>(this->xAt(i));
            if (xi == x) {
                value = this->yAt(i);
                return true;
            }
            if (static_cast<double>(this->xAt(previous)) < x && x < xi) {
                value = interpolated(x, previous, i);
                return true;
            }
            previous = i;
        }
        return false;
    }
};

using ProtocolSeriesData = ProtocolPairDataContainer<ChannelSeries>;
// A loaded protocol's channel, read in place from its columns.
using ProtocolColumnData = ProtocolPairDataContainer<ColumnSeries>;
