#pragma once

#include "chart/channeldata.h"
#include "chart/channelseries.h"
#include "chart/curvedecimator.h"
#include "chart/minmaxpyramid.h"

#include <algorithm>
#include <functional>
#include <cmath>
#include <iterator>

#include <QPointF>

// A view of a sequence of (integer x, double y) pairs as chart channel data.
// It neither copies nor owns the sequence, which must outlive it.
template <typename T>
class PairDataContainer : public chart::ChannelData, public chart::IndexedChannelData
{
public:
    using Pair = typename T::value_type;

    explicit PairDataContainer(T* series) : series(series) {}
    Q_DISABLE_COPY_MOVE(PairDataContainer)

    bool rewind() override
    {
        cursor = begin();
        return cursor != end();
    }

    bool next(double& x, double& y) override
    {
        if (!cursor || cursor == end())
            return false;
        x = static_cast<double>(cursor->first);
        y = cursor->second;
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

    int size() override { return series ? static_cast<int>(series->size()) : 0; }

    bool isAscending() override
    {
        // Series only grow by appending, so a check holds until the content
        // moves or grows.
        const Pair* data = begin();
        const std::size_t count = series ? series->size() : 0;
        if (data != checkedData || count != checkedSize) {
            checkedData = data;
            checkedSize = count;
            ascending = std::is_sorted(
                data, data + count, [](const Pair& a, const Pair& b) { return a.first < b.first; });
        }
        return ascending;
    }

    void visibleRange(double from, double to, int& first, int& last) override
    {
        const Pair* b = begin();
        const Pair* e = end();
        first = 0;
        last = static_cast<int>(e - b);
        if (!(from <= to))
            return;
        const Pair* lo = std::lower_bound(
            b, e, from, [](const Pair& p, double x) { return static_cast<double>(p.first) < x; });
        const Pair* hi = std::upper_bound(
            b, e, to, [](double x, const Pair& p) { return x < static_cast<double>(p.first); });
        first = static_cast<int>(std::max<std::ptrdiff_t>(lo - b - 1, 0));
        last = static_cast<int>(std::min<std::ptrdiff_t>(hi - b + 1, e - b));
    }

    void feed(int first, int last, const chart::CurveMapping& m,
              chart::CurveDecimator& decimator) override
    {
        const Pair* p = begin() + std::max(first, 0);
        const Pair* stop = begin() + std::min(last, size());
        for (; p < stop; ++p)
            decimator.add(m.xFactor * static_cast<double>(p->first) + m.xOffset,
                          m.yFactor * p->second + m.yOffset);
    }

    void pointAt(int i, double& x, double& y) override
    {
        const Pair& p = begin()[i];
        x = static_cast<double>(p.first);
        y = p.second;
    }

    int lowerBound(double x) override
    {
        const Pair* b = begin();
        const Pair* at = std::lower_bound(
            b, end(), x, [](const Pair& p, double v) { return static_cast<double>(p.first) < v; });
        return static_cast<int>(at - b);
    }

    bool extremes(int first, int last, double& low, double& high) override
    {
        const Pair* data = begin();
        const int count = size();
        if (data != pyramidData || count != pyramid.size()) {
            pyramidData = data;
            pyramid.build(count, [data](int i) { return data[i].second; });
        }
        return pyramid.extremes(
            first, last, [data](int i) { return data[i].second; }, low, high);
    }

protected:
    const Pair* begin() const { return series && !series->empty() ? &*series->begin() : nullptr; }
    const Pair* end() const { return begin() ? begin() + series->size() : nullptr; }

    T* series = nullptr;
    const Pair* cursor = nullptr;

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
    const Pair* pyramidData = nullptr;
    const Pair* checkedData = nullptr;
    std::size_t checkedSize = 0;
    bool ascending = true;
};

// The protocol chart's data: adds the value at any x, interpolated linearly
// between the neighbouring pairs.
template <typename T> class ProtocolPairDataContainer : public PairDataContainer<T>
{
public:
    using Pair = typename PairDataContainer<T>::Pair;

    explicit ProtocolPairDataContainer(T* series) : PairDataContainer<T>(series) {}

    // The pair at x, the interpolation between the pairs around x, or (0, 0)
    // before the first pair, after the last one and on an empty series. The
    // cursor ends behind the pair where the search stopped.
    virtual QPointF valueAt(double x)
    {
        if (this->isAscending())
            return valueAtAscending(x);
        return valueAtByWalk(x);
    }

private:
    static QPointF interpolated(double x, const Pair& before, const Pair& after)
    {
        const double x0 = static_cast<double>(before.first);
        const double x1 = static_cast<double>(after.first);
        return {x, before.second + (x - x0) * (after.second - before.second) / (x1 - x0)};
    }

    QPointF valueAtAscending(double x)
    {
        const Pair* b = this->begin();
        const Pair* e = this->end();
        this->cursor = e;
        if (b == e || std::isnan(x))
            return {0, 0};
        const Pair* at = std::lower_bound(
            b, e, x, [](const Pair& p, double v) { return static_cast<double>(p.first) < v; });
        if (at == e)
            return {0, 0};
        if (static_cast<double>(at->first) == x) {
            this->cursor = at + 1;
            return {x, at->second};
        }
        if (at == b)
            return {0, 0};
        this->cursor = at + 1;
        return interpolated(x, *(at - 1), *at);
    }

    // For a series out of order: the first exact hit or enclosing pair in
    // series order.
    QPointF valueAtByWalk(double x)
    {
        double px = 0;
        double py = 0;
        this->rewind();
        if (!this->next(px, py))
            return {0, 0};
        if (px == x)
            return {px, py};
        const Pair* previous = this->cursor - 1;
        while (this->cursor != this->end()) {
            const Pair* pair = this->cursor++;
            const double xi = static_cast<double>(pair->first);
            if (xi == x)
                return {xi, pair->second};
            if (static_cast<double>(previous->first) < x && x < xi)
                return interpolated(x, *previous, *pair);
            previous = pair;
        }
        return {0, 0};
    }
};

using ProtocolSeriesData = ProtocolPairDataContainer<ChannelSeries>;
