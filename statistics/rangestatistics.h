#pragma once

#include "chartdata/columnseries.h"

#include <QtGlobal>

#include <cmath>

#include <memory>
#include <vector>

// The records of one channel of one protocol as the statistics read them:
// rows in ascending tick order (a tick may repeat), each with a real value or
// none. An interface, so that the figures are read from whatever holds the
// loaded data without copying it.
class StatisticsSource
{
public:
    virtual ~StatisticsSource() = default;

    virtual int size() const = 0;
    virtual qint64 tick(int row) const = 0;
    // False when the row holds no value of the channel.
    virtual bool value(int row, double& value) const = 0;
    // Rows [from, from + count) at once, as tick() and value() give them
    // (`present` false where value() is); the index is built from these, a
    // call per block instead of two per row.
    virtual void read(int from, int count, qint64* ticks, double* values, bool* present) const;
};

// One channel of one loaded protocol, read in place from the assembled
// columns, which must outlive the source.
class ColumnStatisticsSource : public StatisticsSource
{
public:
    explicit ColumnStatisticsSource(const ColumnSeries& series) : m_series(series) {}

    int size() const override { return int(m_series.size()); }
    qint64 tick(int row) const override { return m_series.x(size_t(row)); }
    bool value(int row, double& value) const override
    {
        value = m_series.y(size_t(row));
        // NaN: a computed row without a result.
        return !std::isnan(value);
    }
    void read(int from, int count, qint64* ticks, double* values, bool* present) const override;

private:
    const ColumnSeries& m_series;
};

// What the records between two ticks add up to. Parts of one channel (its
// protocol files) are joined with add().
struct RangeSummary
{
    int count = 0;
    double sum = 0;
    double sumOfSquares = 0;
    double minimum = 0;
    double maximum = 0;
    int changes = 0;  // records whose value differs from the record before
    double first = 0; // value of the earliest and the latest record
    double last = 0;

    // Appends a later stretch of records: a change between this one's last
    // record and the other's first one counts too.
    void add(const RangeSummary& later);
    double mean() const { return count > 0 ? sum / count : 0; }
    double rms() const;
};

// One part of a channel, indexed once so that the summary of any range of
// ticks costs a fixed number of blocks and at most two partial blocks, not a
// pass over the rows between.
class ChannelRangeIndex
{
public:
    static constexpr int blockSize = 512;

    // The source must outlive the index.
    explicit ChannelRangeIndex(std::unique_ptr<StatisticsSource> source);
    ~ChannelRangeIndex();
    Q_DISABLE_COPY_MOVE(ChannelRangeIndex)

    // Records with from <= tick <= to.
    RangeSummary summary(qint64 from, qint64 to) const;

    // The value at a tick as the chart's value box reads it: the first record
    // of that tick, else the straight line between the records around it.
    // False before the first record, after the last one, on no records, and
    // where those records hold no value.
    bool interpolatedValue(qint64 tick, double& value) const;
    // The value a state channel holds at a tick: the first record of that
    // tick, else the last record before it; false outside the records.
    bool heldValue(qint64 tick, double& value) const;

    bool isEmpty() const { return m_first < 0; }
    qint64 firstTick() const;

private:
    // Sums the blocks straight from the source; false, with nothing kept,
    // when the source turns out not to be in tick order.
    bool indexInSourceOrder();
    void indexInTickOrder();
    void noteValue(int i, double value);

    int lowerBound(qint64 tick) const; // first row with tick >= tick
    int upperBound(qint64 tick) const; // first row with tick > tick
    void scan(int from, int to, RangeSummary& summary) const;
    // Rows in tick order.
    int rowAt(int i) const { return m_order.empty() ? i : m_order[size_t(i)]; }
    qint64 tickAt(int i) const { return m_source->tick(rowAt(i)); }
    bool valueAt(int i, double& value) const { return m_source->value(rowAt(i), value); }
    enum class AtTick { Value, NoValue, NoRow };
    // The first row of the tick that has a value; row ends at the first row
    // with a later tick when there is none.
    AtTick exactValue(qint64 tick, int& row, double& value) const;

    std::unique_ptr<StatisticsSource> m_source;
    std::vector<RangeSummary> m_blocks; // one per blockSize rows
    std::vector<int> m_order;           // empty while the source is in tick order
    int m_first = -1;                   // first row with a value, in tick order
    int m_last = -1;                    // last row with a value, in tick order
};
