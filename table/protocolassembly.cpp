#include "table/protocolassembly.h"

#include "protocol/channellookup.h"

#include <algorithm>
#include <cmath>

struct ProtocolAssembly::Protocol
{
    struct Channel
    {
        QString code;
        QVector<LogRecord> records;
        int column = 0;
        bool hasRefs = false;
    };

    QDateTime start;
    qint64 startEpoch = 0;
    quint16 tickMs = 0;
    qint32 offset = 0;
    int recordCount = 0;
    std::vector<Channel> channels; // ascending code order, as the reader's map
    std::vector<int> tableRow;
    TimeTextFormatter formatter;

    quint32 rowTick(int record) const { return channels.front().records[record].tick; }
};

namespace {

// Record tick plus file offset; the sum wraps like the 32-bit x of the charts.
qint32 shiftedTick(quint32 tick, qint32 offset)
{
    return qint32(tick + quint32(offset));
}

} // namespace

ProtocolAssembly::ProtocolAssembly() : ProtocolAssembly(ChannelLookup::streamLoger()) {}

ProtocolAssembly::ProtocolAssembly(const ChannelLookup& catalogue, const QDateTime& now)
    : m_catalogue(catalogue), m_commonStart(now)
{
}

ProtocolAssembly::~ProtocolAssembly() = default;

ProtocolAssembly::AddResult ProtocolAssembly::addProtocol(const QDateTime& start, quint16 tickMs,
                                                          ChannelRecords records)
{
    // A file without rows has nothing to show. Without a tick length there is
    // no time base to merge on, and an invalid
    // start would win the search for the earliest start and collapse every offset.
    if (records.isEmpty() || records.first().isEmpty() || tickMs == 0 || !start.isValid())
        return AddResult::Skipped;
    if (m_tickMs != 0 && m_tickMs != tickMs)
        return AddResult::TickMismatch;

    auto protocol = std::make_unique<Protocol>();
    protocol->start = start;
    protocol->startEpoch = start.toMSecsSinceEpoch();
    protocol->tickMs = tickMs;
    protocol->formatter = TimeTextFormatter(start);
    if (start < m_commonStart)
        m_commonStart = start;

    protocol->channels.reserve(size_t(records.size()));
    for (auto it = records.begin(); it != records.end(); ++it) {
        const QString& code = it.key();
        int index = m_codes.indexOf(code);
        if (index < 0) {
            index = m_codes.size();
            m_codes.append(code);
            m_titles.append(QStringLiteral("%1 (%2)").arg(m_catalogue.channelName(code), code));
        }
        protocol->channels.push_back(
            {code, std::move(it.value()), firstChannelColumn + index, m_catalogue.hasRefs(code)});
    }
    protocol->recordCount = protocol->channels.front().records.size();
    m_protocols.push_back(std::move(protocol));
    m_tickMs = tickMs;
    m_built = false;
    return AddResult::Added;
}

bool ProtocolAssembly::build(const std::function<bool(int protocol)>& proceed)
{
    clearBuild();
    for (int id = 0; id < int(m_divisor.size()); ++id)
        m_divisor[size_t(id)] = std::pow(10.0, m_catalogue.rateById(id));
    for (int i = 0; i < protocolCount(); ++i) {
        if (proceed && !proceed(i)) {
            clearBuild();
            return false;
        }
        buildProtocol(i);
    }
    joinRanges();
    buildOrder();
    m_built = true;
    return true;
}

void ProtocolAssembly::buildProtocol(int index)
{
    Protocol& p = *m_protocols[size_t(index)];
    p.offset = qint32((p.startEpoch - m_commonStart.toMSecsSinceEpoch()) / m_tickMs);

    for (const Protocol::Channel& channel : p.channels) {
        // The reader gives every channel the same length; a shorter one only
        // loses its cells, it never reads past its end.
        const int count = std::min(p.recordCount, channel.records.size());
        auto series = std::make_unique<ChannelSeries>();
        series->reserve(size_t(count));
        double minimum = 0;
        double maximum = 0;
        for (int j = 0; j < count; ++j) {
            const LogRecord& record = channel.records[j];
            const double value = double(record.value) / m_divisor[record.id];
            series->emplace_back(shiftedTick(record.tick, p.offset), value);
            if (j == 0) {
                minimum = maximum = value;
            } else {
                if (value > maximum)
                    maximum = value;
                if (value < minimum)
                    minimum = value;
            }
        }
        if (minimum == maximum) {
            const double value = minimum;
            minimum = value == 0 ? -0.5 : value - 1;
            maximum = value == 0 ? 1.0 : value + 1;
        }
        m_channels.push_back({channel.code, m_titles[channel.column - firstChannelColumn], index,
                              channel.column, series.get(), minimum, maximum});
        m_series.push_back(std::move(series));
    }
}

void ProtocolAssembly::joinRanges()
{
    // In list order, as the chart channels are created: each new channel takes
    // the range of the earlier ones of its title and widens theirs, so all end
    // with the union. Earlier channels change only as the chart's guarded
    // setters allow.
    for (size_t n = 0; n < m_channels.size(); ++n) {
        AssembledChannel& added = m_channels[n];
        for (size_t m = 0; m < n; ++m) {
            AssembledChannel& earlier = m_channels[m];
            if (earlier.title != added.title)
                continue;
            if (earlier.minimum < added.minimum)
                added.minimum = earlier.minimum;
            if (earlier.minimum > added.minimum && added.minimum < earlier.maximum)
                earlier.minimum = added.minimum;
            if (earlier.maximum > added.maximum)
                added.maximum = earlier.maximum;
            if (earlier.maximum < added.maximum && added.maximum > earlier.minimum)
                earlier.maximum = added.maximum;
        }
    }
}

void ProtocolAssembly::buildOrder()
{
    struct Key
    {
        qint64 msecs;
        RowRef row;
    };
    std::vector<Key> keys;
    size_t total = 0;
    for (const auto& p : m_protocols)
        total += size_t(p->recordCount);
    keys.reserve(total);
    for (int i = 0; i < protocolCount(); ++i) {
        for (int j = 0; j < protocol(i).recordCount; ++j)
            keys.push_back({msecsSinceEpoch(i, j), {i, j}});
    }
    const auto earlier = [](const Key& a, const Key& b) { return a.msecs < b.msecs; };
    if (!std::is_sorted(keys.begin(), keys.end(), earlier))
        std::stable_sort(keys.begin(), keys.end(), earlier);

    for (auto& p : m_protocols)
        p->tableRow.assign(size_t(p->recordCount), 0);
    m_order.reserve(total);
    for (const Key& key : keys) {
        m_protocols[size_t(key.row.protocol)]->tableRow[size_t(key.row.record)] =
            int(m_order.size());
        m_order.push_back(key.row);
    }
}

void ProtocolAssembly::clearBuild()
{
    m_built = false;
    m_channels.clear();
    m_series.clear();
    m_order.clear();
    for (auto& p : m_protocols) {
        p->offset = 0;
        p->tableRow.clear();
    }
}

int ProtocolAssembly::recordCount(int protocol) const
{
    return this->protocol(protocol).recordCount;
}

qint32 ProtocolAssembly::offset(int protocol) const
{
    return this->protocol(protocol).offset;
}

int ProtocolAssembly::tableRow(int protocol, int record) const
{
    return this->protocol(protocol).tableRow[size_t(record)];
}

qint32 ProtocolAssembly::globalTick(int protocol, int record) const
{
    const Protocol& p = this->protocol(protocol);
    return shiftedTick(p.rowTick(record), p.offset);
}

qint64 ProtocolAssembly::msecsSinceEpoch(int protocol, int record) const
{
    const Protocol& p = this->protocol(protocol);
    return p.startEpoch + qint64(p.rowTick(record)) * p.tickMs;
}

QDateTime ProtocolAssembly::dateTime(int protocol, int record) const
{
    const Protocol& p = this->protocol(protocol);
    return p.formatter.dateTime(qint64(p.rowTick(record)) * p.tickMs);
}

QString ProtocolAssembly::timeText(int protocol, int record) const
{
    const Protocol& p = this->protocol(protocol);
    return p.formatter.text(qint64(p.rowTick(record)) * p.tickMs);
}

int ProtocolAssembly::channelCount(int protocol) const
{
    return int(this->protocol(protocol).channels.size());
}

int ProtocolAssembly::column(int protocol, int channel) const
{
    return this->protocol(protocol).channels[size_t(channel)].column;
}

bool ProtocolAssembly::cell(int protocol, int channel, int record, Cell& cell) const
{
    const Protocol& p = this->protocol(protocol);
    const Protocol::Channel& c = p.channels[size_t(channel)];
    if (record >= p.recordCount || record >= c.records.size())
        return false;
    const LogRecord& r = c.records[record];
    if (c.hasRefs) {
        QString text = m_catalogue.refText(c.code, r.value);
        if (!text.isEmpty()) {
            cell.isText = true;
            cell.text = std::move(text);
            return true;
        }
    }
    cell.isText = false;
    cell.text = numberText(double(r.value) / m_divisor[r.id]);
    return true;
}

std::vector<std::unique_ptr<ChannelSeries>> ProtocolAssembly::takeSeries()
{
    auto series = std::move(m_series);
    m_series.clear();
    return series;
}

QString ProtocolAssembly::numberText(double value)
{
    // The same text as QString("%1").arg(value): 'g', six digits, C locale.
    return QString::number(value, 'g', 6);
}
