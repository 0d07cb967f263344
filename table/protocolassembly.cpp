#include "table/protocolassembly.h"

#include "formula/formulaevaluator.h"
#include "protocol/channellookup.h"
#include "table/numbertext.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

struct ProtocolAssembly::Protocol
{
    struct Channel
    {
        QString code;
        quint8 id = 0;
        std::vector<qint32> values;
        std::vector<double> real; // a computed channel's results, NaN for none
        std::vector<quint8> ids;  // per value when the records carry several IDs
        int column = 0;
        bool hasRefs = false;
        double divisor = 1;
        int rate = -1; // decimals of a computed channel; logged ones go by ID
        bool computed = false;

        bool hasCell(int record) const
        {
            if (computed)
                return size_t(record) < real.size() && !std::isnan(real[size_t(record)]);
            return size_t(record) < values.size();
        }
        double divisorAt(const std::array<double, 256>& byId, int record) const
        {
            return ids.empty() ? divisor : byId[ids[size_t(record)]];
        }
    };

    QDateTime start;
    QString file;
    qint64 startEpoch = 0;
    quint16 tickMs = 0;
    qint64 offset = 0;
    std::vector<quint32> ticks;
    std::vector<Channel> channels; // ascending code order, as the reader's map
    std::vector<int> channelOfColumn;
    TimeTextFormatter formatter;

    int recordCount() const { return int(ticks.size()); }
    quint32 rowTick(int record) const { return ticks[size_t(record)]; }
};

namespace {

// Record tick plus file offset, in 64 bits like the x of the charts: a tick
// past 2^31 or a file long after the first never wraps.
qint64 shiftedTick(quint32 tick, qint64 offset)
{
    return qint64(tick) + offset;
}

// Rows the global row numbers can count, with room to spare for the sums.
constexpr qint64 kMaxRows = std::numeric_limits<int>::max() / 2;

} // namespace

namespace {
// A channel's column as a formula reads it.
template <typename Channel>
FormulaInput formulaInputOf(const Channel& in, const std::array<double, 256>& divisors)
{
    FormulaInput input;
    input.values = in.values.data();
    input.ids = in.ids.empty() ? nullptr : in.ids.data();
    input.divisorById = divisors.data();
    input.divisor = divisors[in.id];
    input.real = in.computed ? in.real.data() : nullptr;
    input.count = in.computed ? in.real.size() : in.values.size();
    return input;
}
} // namespace

ProtocolAssembly::ProtocolAssembly() : ProtocolAssembly(ChannelLookup::streamLoger()) {}

ProtocolAssembly::ProtocolAssembly(const ChannelLookup& catalogue, const QDateTime& now)
    : m_catalogue(catalogue), m_commonStart(now)
{
}

ProtocolAssembly::~ProtocolAssembly() = default;

ProtocolAssembly::AddResult ProtocolAssembly::addProtocol(const QDateTime& start, quint16 tickMs,
                                                          const ChannelRecords& records)
{
    ProtocolColumns columns;
    if (!records.isEmpty()) {
        columns.ticks.reserve(size_t(records.first().size()));
        for (const LogRecord& record : records.first())
            columns.ticks.push_back(record.tick);
    }
    for (auto it = records.begin(); it != records.end(); ++it) {
        ChannelColumn column;
        column.code = it.key();
        const QVector<LogRecord>& series = it.value();
        const int count = std::min(series.size(), columns.rowCount());
        bool oneId = true;
        column.values.reserve(size_t(std::max(count, 0)));
        for (int j = 0; j < count; ++j) {
            column.values.push_back(series[j].value);
            oneId = oneId && series[j].id == series[0].id;
        }
        if (count > 0)
            column.id = series[0].id;
        if (!oneId) {
            for (int j = 0; j < count; ++j)
                column.ids.push_back(series[j].id);
        }
        columns.channels.push_back(std::move(column));
    }
    return addProtocol(start, tickMs, std::move(columns));
}

ProtocolAssembly::AddResult ProtocolAssembly::addProtocol(const QDateTime& start, quint16 tickMs,
                                                          ProtocolColumns columns,
                                                          const QString& file)
{
    // A file without rows has nothing to show. Without a tick length there is
    // no time base to merge on, and an invalid
    // start would win the search for the earliest start and collapse every offset.
    if (columns.isEmpty() || columns.ticks.empty() || tickMs == 0 || !start.isValid() ||
        m_rowCount + qint64(columns.ticks.size()) > kMaxRows)
        return AddResult::Skipped;
    if (m_tickMs != 0 && m_tickMs != tickMs)
        return AddResult::TickMismatch;
    // Logged columns come before the computed ones, which build() adds anew.
    stripComputed();

    auto protocol = std::make_unique<Protocol>();
    protocol->start = start;
    protocol->file = file;
    protocol->startEpoch = start.toMSecsSinceEpoch();
    protocol->tickMs = tickMs;
    protocol->formatter = TimeTextFormatter(start);
    protocol->ticks = std::move(columns.ticks);
    if (start < m_commonStart)
        m_commonStart = start;

    protocol->channels.reserve(columns.channels.size());
    for (ChannelColumn& column : columns.channels) {
        int index = m_codes.indexOf(column.code);
        if (index < 0) {
            index = m_codes.size();
            m_codes.append(column.code);
            // A channel the definition lacks has no name: its title is its ID.
            m_titles.append(column.unknownId
                                ? column.code
                                : QStringLiteral("%1 (%2)").arg(
                                      m_catalogue.channelName(column.code), column.code));
        }
        Protocol::Channel channel;
        channel.code = column.code;
        channel.id = column.id;
        // A channel never has more cells than its protocol has rows.
        if (column.values.size() > protocol->ticks.size())
            column.values.resize(protocol->ticks.size());
        channel.values = std::move(column.values);
        channel.ids = std::move(column.ids);
        if (!channel.ids.empty())
            channel.ids.resize(channel.values.size());
        channel.column = firstChannelColumn + index;
        channel.hasRefs = m_catalogue.hasRefs(column.code);
        protocol->channels.push_back(std::move(channel));
    }
    m_loggedCodes = m_codes.size();
    m_rowBase.push_back(m_rowCount);
    m_rowCount += protocol->recordCount();
    m_protocols.push_back(std::move(protocol));
    m_tickMs = tickMs;
    m_built = false;
    return AddResult::Added;
}

bool ProtocolAssembly::build(const std::function<bool(int protocol)>& proceed)
{
    clearBuild();
    for (int id = 0; id < int(m_divisor.size()); ++id) {
        m_rate[size_t(id)] = m_catalogue.rateById(id);
        m_divisor[size_t(id)] = std::pow(10.0, m_rate[size_t(id)]);
    }
    stripComputed();
    addComputedCodes();
    for (int i = 0; i < protocolCount(); ++i) {
        if (proceed && !proceed(i)) {
            clearBuild();
            return false;
        }
        computeProtocol(i);
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
    p.offset = qint64((p.startEpoch - m_commonStart.toMSecsSinceEpoch()) / m_tickMs);
    p.channelOfColumn.assign(size_t(firstChannelColumn + m_codes.size()), -1);

    for (size_t c = 0; c < p.channels.size(); ++c) {
        Protocol::Channel& channel = p.channels[c];
        channel.divisor = m_divisor[channel.id];
        p.channelOfColumn[size_t(channel.column)] = int(c);

        if (channel.computed)
            channel.divisor = std::pow(10.0, channel.rate);
        double minimum = 0;
        double maximum = 0;
        bool found = false;
        const size_t count = channel.computed ? channel.real.size() : channel.values.size();
        if (channel.computed) {
            for (const double value : channel.real) {
                if (std::isnan(value))
                    continue;
                if (!found || value > maximum)
                    maximum = value;
                if (!found || value < minimum)
                    minimum = value;
                found = true;
            }
        } else if (count > 0 && channel.ids.empty()) {
            // One divisor, and a positive one: the extremes of the raw values
            // give those of the real values.
            const auto [low, high] =
                std::minmax_element(channel.values.begin(), channel.values.end());
            minimum = double(*low) / channel.divisor;
            maximum = double(*high) / channel.divisor;
        } else {
            for (size_t j = 0; j < count; ++j) {
                const double value = double(channel.values[j]) / m_divisor[channel.ids[j]];
                if (j == 0 || value > maximum)
                    maximum = value;
                if (j == 0 || value < minimum)
                    minimum = value;
            }
        }
        if (minimum == maximum) {
            const double value = minimum;
            minimum = value == 0 ? -0.5 : value - 1;
            maximum = value == 0 ? 1.0 : value + 1;
        }

        ColumnSeries series;
        series.ticks = p.ticks.data();
        series.values = channel.values.data();
        series.real = channel.computed ? channel.real.data() : nullptr;
        series.ids = channel.ids.empty() ? nullptr : channel.ids.data();
        series.divisorById = m_divisor.data();
        series.count = count;
        series.offset = p.offset;
        series.divisor = channel.divisor;
        m_channels.push_back({channel.code, m_titles[channel.column - firstChannelColumn], index,
                              int(c), channel.column, series, minimum, maximum});
    }
}

void ProtocolAssembly::setComputedChannels(ComputedChannels channels)
{
    m_computed = std::move(channels);
    m_built = false;
}

void ProtocolAssembly::stripComputed()
{
    for (auto& p : m_protocols) {
        auto& channels = p->channels;
        channels.erase(std::remove_if(channels.begin(), channels.end(),
                                      [](const Protocol::Channel& c) { return c.computed; }),
                       channels.end());
    }
    while (m_codes.size() > m_loggedCodes) {
        m_codes.removeLast();
        m_titles.removeLast();
    }
}

void ProtocolAssembly::addComputedCodes()
{
    for (const ComputedChannel& computed : m_computed) {
        m_codes.append(computed.code);
        m_titles.append(computed.title());
    }
}

void ProtocolAssembly::computeProtocol(int index)
{
    Protocol& p = *m_protocols[size_t(index)];
    // Channels by code, so that finding the inputs costs no pass over the
    // channels per input. Indexes: the channels grow while computing.
    QHash<QString, size_t> byCode;
    byCode.reserve(int(p.channels.size() + m_computed.size()));
    for (size_t c = 0; c < p.channels.size(); ++c)
        byCode.insert(p.channels[c].code, c);
    p.channels.reserve(p.channels.size() + m_computed.size());
    for (size_t k = 0; k < m_computed.size(); ++k) {
        const ComputedChannel& computed = m_computed[k];
        FormulaEvaluator evaluator;
        if (!evaluator.setFormula(computed.formula))
            continue;
        // Only where the protocol has every input: elsewhere the column has
        // no cells, as a logged channel the file lacks.
        std::vector<FormulaInput> inputs;
        for (const QString& code : evaluator.inputs()) {
            const auto found = byCode.constFind(code);
            if (found == byCode.cend())
                break;
            inputs.push_back(formulaInputOf(p.channels[found.value()], m_divisor));
        }
        if (inputs.size() != size_t(evaluator.inputs().size()))
            continue;
        Protocol::Channel channel;
        channel.code = computed.code;
        channel.computed = true;
        channel.rate = computed.decimals;
        channel.column = firstChannelColumn + m_loggedCodes + int(k);
        evaluator.evaluate(inputs, p.ticks.size(), channel.real);
        // Kept as the cell shows it, so that the chart, the statistics and a
        // formula reading the channel see the digits the table shows.
        for (double& value : channel.real)
            value = numbertext::rounded(value, computed.decimals);
        byCode.insert(channel.code, p.channels.size());
        p.channels.push_back(std::move(channel));
    }
}

void ProtocolAssembly::joinRanges()
{
    // All channels of a title (one per protocol) end with the union of their
    // ranges: one pass gathers it per title, one hands it out.
    QHash<QString, std::pair<double, double>> byTitle;
    byTitle.reserve(int(m_channels.size()));
    for (const AssembledChannel& channel : m_channels) {
        const auto found = byTitle.find(channel.title);
        if (found == byTitle.end()) {
            byTitle.insert(channel.title, {channel.minimum, channel.maximum});
        } else {
            found->first = std::min(found->first, channel.minimum);
            found->second = std::max(found->second, channel.maximum);
        }
    }
    for (AssembledChannel& channel : m_channels) {
        const std::pair<double, double>& range = byTitle[channel.title];
        channel.minimum = range.first;
        channel.maximum = range.second;
    }
}

void ProtocolAssembly::buildOrder()
{
    m_timeOrder.resize(size_t(m_rowCount));
    std::iota(m_timeOrder.begin(), m_timeOrder.end(), 0);
    // One file in tick order, the usual case, is in time order already.
    std::vector<qint64> msecs(static_cast<size_t>(m_rowCount));
    for (int i = 0; i < protocolCount(); ++i) {
        const Protocol& p = protocol(i);
        qint64* out = msecs.data() + m_rowBase[size_t(i)];
        for (const quint32 tick : p.ticks)
            *out++ = p.startEpoch + qint64(tick) * p.tickMs;
    }
    if (!std::is_sorted(msecs.begin(), msecs.end())) {
        std::stable_sort(m_timeOrder.begin(), m_timeOrder.end(),
                         [&msecs](int a, int b) { return msecs[size_t(a)] < msecs[size_t(b)]; });
    }
}

void ProtocolAssembly::clearBuild()
{
    m_built = false;
    m_channels.clear();
    m_timeOrder.clear();
    m_timeOrder.shrink_to_fit();
    for (auto& p : m_protocols)
        p->offset = 0;
}

int ProtocolAssembly::recordCount(int protocol) const
{
    return this->protocol(protocol).recordCount();
}

QString ProtocolAssembly::protocolFile(int protocol) const
{
    return this->protocol(protocol).file;
}

qint64 ProtocolAssembly::offset(int protocol) const
{
    return this->protocol(protocol).offset;
}

int ProtocolAssembly::tableRow(int protocol, int record) const
{
    const int wanted = globalRow(protocol, record);
    const auto it = std::find(m_timeOrder.begin(), m_timeOrder.end(), wanted);
    return it == m_timeOrder.end() ? -1 : int(it - m_timeOrder.begin());
}

qint64 ProtocolAssembly::globalTick(int protocol, int record) const
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
    const Protocol::Channel& computed = this->protocol(protocol).channels[size_t(channel)];
    if (computed.computed) {
        if (!computed.hasCell(record))
            return false;
        cell.isText = false;
        cell.text = numbertext::decimalText(computed.real[size_t(record)], computed.rate);
        return true;
    }
    qint32 value = 0;
    double divisor = 1;
    if (!raw(protocol, channel, record, value, divisor))
        return false;
    const Protocol::Channel& c = this->protocol(protocol).channels[size_t(channel)];
    if (c.hasRefs) {
        QString text = refText(protocol, channel, value);
        if (!text.isEmpty()) {
            cell.isText = true;
            cell.text = std::move(text);
            return true;
        }
    }
    cell.isText = false;
    const quint8 id = c.ids.empty() ? c.id : c.ids[size_t(record)];
    numbertext::setTextRaw(cell.text, value, m_rate[id], divisor);
    return true;
}

bool ProtocolAssembly::isPlainNumber(int protocol, int channel) const
{
    const Protocol::Channel& c = this->protocol(protocol).channels[size_t(channel)];
    return !c.computed && !c.hasRefs;
}

int ProtocolAssembly::numberChars(int protocol, int channel, int record, char* out) const
{
    const Protocol::Channel& c = this->protocol(protocol).channels[size_t(channel)];
    if (!c.hasCell(record))
        return 0;
    const quint8 id = c.ids.empty() ? c.id : c.ids[size_t(record)];
    return numbertext::writeRaw(c.values[size_t(record)], m_rate[id],
                                c.divisorAt(m_divisor, record), out);
}

ProtocolAssembly::RowRef ProtocolAssembly::row(int globalRow) const
{
    // Few protocols: a short search.
    const auto it = std::upper_bound(m_rowBase.begin(), m_rowBase.end(), globalRow);
    const int protocol = int(it - m_rowBase.begin()) - 1;
    return {protocol, globalRow - m_rowBase[size_t(protocol)]};
}

int ProtocolAssembly::globalRow(int protocol, int record) const
{
    return m_rowBase[size_t(protocol)] + record;
}

int ProtocolAssembly::channelAt(int protocol, int column) const
{
    const std::vector<int>& channels = this->protocol(protocol).channelOfColumn;
    return size_t(column) < channels.size() ? channels[size_t(column)] : -1;
}

bool ProtocolAssembly::raw(int protocol, int channel, int record, qint32& value,
                           double& divisor) const
{
    const Protocol& p = this->protocol(protocol);
    const Protocol::Channel& c = p.channels[size_t(channel)];
    if (c.computed || !c.hasCell(record))
        return false;
    value = c.values[size_t(record)];
    divisor = c.divisorAt(m_divisor, record);
    return true;
}

bool ProtocolAssembly::number(int protocol, int channel, int record, double& value) const
{
    const Protocol::Channel& c = this->protocol(protocol).channels[size_t(channel)];
    if (!c.hasCell(record))
        return false;
    value = c.computed
                ? c.real[size_t(record)]
                : numbertext::shownRaw(c.values[size_t(record)], c.divisorAt(m_divisor, record));
    return true;
}

bool ProtocolAssembly::formulaInput(int protocol, const QString& code, FormulaInput& input) const
{
    const int column = m_codes.indexOf(code);
    const int channel = column < 0 ? -1 : channelAt(protocol, firstChannelColumn + column);
    if (channel < 0)
        return false;
    input = formulaInputOf(this->protocol(protocol).channels[size_t(channel)], m_divisor);
    return true;
}

const std::vector<quint32>& ProtocolAssembly::recordTicks(int protocol) const
{
    return this->protocol(protocol).ticks;
}

bool ProtocolAssembly::hasRefs(int protocol, int channel) const
{
    return this->protocol(protocol).channels[size_t(channel)].hasRefs;
}

QDateTime ProtocolAssembly::protocolStart(int protocol) const
{
    return this->protocol(protocol).start;
}

int ProtocolAssembly::channelId(int protocol, int channel) const
{
    const Protocol::Channel& c = this->protocol(protocol).channels[size_t(channel)];
    return c.computed ? -1 : int(c.id);
}

QString ProtocolAssembly::refText(int protocol, int channel, qint32 raw) const
{
    return m_catalogue.refText(this->protocol(protocol).channels[size_t(channel)].code, raw);
}

qint64 ProtocolAssembly::dataBytes() const
{
    qint64 bytes = qint64(m_timeOrder.capacity() * sizeof(int));
    for (const auto& p : m_protocols) {
        bytes += qint64(p->ticks.capacity() * sizeof(quint32));
        for (const Protocol::Channel& c : p->channels)
            bytes += qint64(c.values.capacity() * sizeof(qint32) +
                            c.real.capacity() * sizeof(double) + c.ids.capacity());
    }
    return bytes;
}
