#include "compare/comparison.h"

#include "table/protocolassembly.h"

#include <QDateTime>

#include <algorithm>
#include <limits>

namespace {

// Decimals a cell's text shows (none for the exponent forms that only very
// large or very small values take).
int decimalsOf(const QString& text)
{
    const int point = text.indexOf(QLatin1Char('.'));
    if (point < 0 || text.contains(QLatin1Char('e')))
        return 0;
    return int(text.size()) - point - 1;
}

} // namespace

struct Comparison::Member
{
    std::unique_ptr<ProtocolAssembly> assembly;
    qint64 anchor = 0;
    qint64 shift = 0;
    // Row of each record, in the assembly's time order.
    std::vector<int> rowOfRank;
};

Comparison::Comparison() = default;
Comparison::~Comparison() = default;

void Comparison::addProtocol(std::unique_ptr<ProtocolAssembly> assembly)
{
    auto member = std::make_unique<Member>();
    if (assembly->recordCount(0) > 0)
        member->anchor = assembly->msecsSinceEpoch(0, assembly->timeOrder().front());
    member->assembly = std::move(assembly);
    m_members.push_back(std::move(member));
    buildColumns();
}

const ProtocolAssembly& Comparison::assembly(int protocol) const
{
    return *member(protocol).assembly;
}

qint64 Comparison::anchor(int protocol) const
{
    return member(protocol).anchor;
}

void Comparison::setAnchor(int protocol, qint64 msecs)
{
    m_members[size_t(protocol)]->anchor = msecs;
}

qint64 Comparison::shift(int protocol) const
{
    return member(protocol).shift;
}

void Comparison::setShift(int protocol, qint64 msecs)
{
    m_members[size_t(protocol)]->shift = msecs;
}

qint64 Comparison::relativeTime(int protocol, int record) const
{
    // Instants, not wall-clock times: a summer-time change between two runs
    // moves neither.
    return member(protocol).assembly->msecsSinceEpoch(0, record) - zero(protocol);
}

QString Comparison::label(int protocol) const
{
    return member(protocol).assembly->protocolStart(0).toString(QStringLiteral("dd.MM.yyyy hh:mm"));
}

void Comparison::buildRows()
{
    m_rowTimes.clear();
    const int n = protocolCount();
    std::vector<size_t> next(size_t(n), 0);
    for (auto& m : m_members)
        m->rowOfRank.assign(m->assembly->timeOrder().size(), 0);

    // A merge of the protocols' records in time order; at most eight
    // protocols, so the smallest is found by looking at each.
    for (;;) {
        qint64 time = std::numeric_limits<qint64>::max();
        bool any = false;
        for (int p = 0; p < n; ++p) {
            const auto& order = member(p).assembly->timeOrder();
            if (next[size_t(p)] < order.size()) {
                time = std::min(time, relativeTime(p, order[next[size_t(p)]]));
                any = true;
            }
        }
        if (!any)
            break;
        const int row = int(m_rowTimes.size());
        m_rowTimes.push_back(time);
        for (int p = 0; p < n; ++p) {
            Member& m = *m_members[size_t(p)];
            const auto& order = m.assembly->timeOrder();
            size_t& k = next[size_t(p)];
            if (k < order.size() && relativeTime(p, order[k]) == time)
                m.rowOfRank[k++] = row;
        }
    }
}

int Comparison::record(int row, int protocol) const
{
    const Member& m = member(protocol);
    const auto found = std::lower_bound(m.rowOfRank.begin(), m.rowOfRank.end(), row);
    if (found == m.rowOfRank.end() || *found != row)
        return -1;
    return m.assembly->timeOrder()[size_t(found - m.rowOfRank.begin())];
}

const std::vector<int>& Comparison::rowsOfRecords(int protocol) const
{
    return member(protocol).rowOfRank;
}

void Comparison::buildColumns()
{
    QStringList logged;
    QStringList computed;
    for (const auto& m : m_members) {
        const ProtocolAssembly& a = *m->assembly;
        for (int c = 0; c < a.channelCount(0); ++c) {
            const QString& code =
                a.codes().at(a.column(0, c) - ProtocolAssembly::firstChannelColumn);
            QStringList& list = a.channelId(0, c) < 0 ? computed : logged;
            if (!list.contains(code))
                list.append(code);
        }
    }
    std::sort(logged.begin(), logged.end());
    m_columns.clear();
    for (const QString& code : logged + computed) {
        for (int p = 0; p < protocolCount(); ++p) {
            const int channel = channelOf(p, code);
            if (channel >= 0)
                m_columns.push_back({code, p, channel});
        }
    }
}

QString Comparison::columnTitle(int column) const
{
    const Column& c = m_columns[size_t(column)];
    return QStringLiteral("%1 [%2]").arg(c.code).arg(c.protocol + 1);
}

QStringList Comparison::codes() const
{
    QStringList codes;
    for (const Column& c : m_columns) {
        if (codes.isEmpty() || codes.last() != c.code)
            codes.append(c.code);
    }
    return codes;
}

int Comparison::channelOf(int protocol, const QString& code) const
{
    const ProtocolAssembly& a = *member(protocol).assembly;
    const int index = a.codes().indexOf(code);
    return index < 0 ? -1 : a.channelAt(0, index + ProtocolAssembly::firstChannelColumn);
}

int Comparison::recordAt(int protocol, qint64 time) const
{
    const Member& m = member(protocol);
    const auto& order = m.assembly->timeOrder();
    // The first record after the time; the one before it is the candidate.
    const auto after =
        std::upper_bound(order.begin(), order.end(), time,
                         [&](qint64 t, int record) { return t < relativeTime(protocol, record); });
    if (after == order.begin())
        return -1;
    const int record = *(after - 1);
    return time - relativeTime(protocol, record) < m.assembly->tickMs() ? record : -1;
}

bool Comparison::differenceCells(const QString& code, int protocol, int row, int& channel, int& own,
                                 int& base, int& baseRecord) const
{
    channel = channelOf(protocol, code);
    base = channelOf(0, code);
    own = record(row, protocol);
    if (channel < 0 || base < 0 || own < 0)
        return false;
    baseRecord = recordAt(0, rowTime(row));
    return baseRecord >= 0;
}

bool Comparison::difference(const QString& code, int protocol, int row, double& value,
                            int* decimals) const
{
    int channel = 0;
    int own = 0;
    int base = 0;
    int baseRecord = 0;
    if (!differenceCells(code, protocol, row, channel, own, base, baseRecord))
        return false;
    ProtocolAssembly::Cell mine;
    ProtocolAssembly::Cell theirs;
    if (!assembly(protocol).cell(0, channel, own, mine) || mine.isText ||
        !assembly(0).cell(0, base, baseRecord, theirs) || theirs.isText)
        return false;
    value = mine.text.toDouble() - theirs.text.toDouble();
    if (decimals)
        *decimals = std::max(decimalsOf(mine.text), decimalsOf(theirs.text));
    return true;
}

bool Comparison::differenceValue(const QString& code, int protocol, int row, double& value) const
{
    int channel = 0;
    int own = 0;
    int base = 0;
    int baseRecord = 0;
    double mine = 0;
    double theirs = 0;
    if (!differenceCells(code, protocol, row, channel, own, base, baseRecord) ||
        !numberOf(assembly(protocol), channel, own, mine) ||
        !numberOf(assembly(0), base, baseRecord, theirs))
        return false;
    value = mine - theirs;
    return true;
}

bool Comparison::numberOf(const ProtocolAssembly& assembly, int channel, int record, double& value)
{
    if (assembly.hasRefs(0, channel)) {
        // An enumerated channel's value with a text shows the text.
        qint32 raw = 0;
        double divisor = 1;
        if (!assembly.raw(0, channel, record, raw, divisor) ||
            !assembly.refText(0, channel, raw).isEmpty())
            return false;
    }
    return assembly.number(0, channel, record, value);
}

QString Comparison::differenceTitle(const QString& code, int protocol)
{
    return QStringLiteral("%1 [%2−1]").arg(code).arg(protocol + 1);
}
