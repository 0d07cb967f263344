#pragma once

#include <QtGlobal>

#include <cstddef>

// One channel of one protocol as the loaded protocol keeps it: the row ticks
// of the protocol and the channel's raw values, read as (global tick, real
// value) pairs without a copy. The x of point i is ticks[i] + offset in 64
// bits: a tick past 2^31, or a file starting long after the first, never
// wraps around to a negative position. The y is the raw value divided by
// 10^RATE of the point's channel ID, or the stored real value of a computed
// channel.
//
// A compared protocol reads its points on a relative axis of milliseconds
// instead: x = (ticks[i] + offset) * scale + origin, where scale is its tick
// length and origin its start less its alignment point.
struct ColumnSeries
{
    const quint32* ticks = nullptr;
    const qint32* values = nullptr;
    const quint8* ids = nullptr;         // per point when the IDs differ, else null
    const double* divisorById = nullptr; // 256 divisors, read when ids is set
    std::size_t count = 0;
    qint64 offset = 0;
    double divisor = 1;
    // Computed columns: the values themselves, read instead of `values`;
    // NaN marks a row without a result.
    const double* real = nullptr;
    qint64 scale = 1;
    qint64 origin = 0;

    std::size_t size() const { return count; }
    qint64 x(std::size_t i) const { return (qint64(ticks[i]) + offset) * scale + origin; }
    double y(std::size_t i) const
    {
        if (real)
            return real[i];
        return double(values[i]) / (ids ? divisorById[ids[i]] : divisor);
    }
};
