#include "compare/comparisonsession.h"

#include "compare/alignment.h"
#include "compare/comparison.h"
#include "compare/comparisonformula.h"
#include "compare/comparisonread.h"
#include "compare/comparisontable.h"
#include "compare/comparisontablemodel.h"
#include "protocol/streamloger.h"
#include "table/protocolassembly.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>

struct ComparisonSession::Member
{
    AlignmentRule rule;
    // Why the rule could not put the zero; empty when it did.
    QString error;
    QVector<Bookmark> bookmarks;
    // The protocol's curves among m_curves, and the statistics index of
    // each, made when first asked for.
    std::vector<size_t> curves;
    std::vector<std::unique_ptr<ChannelRangeIndex>> indices;
};

namespace {

// A value range that a chart can scale to: a single value gets room around it.
void widen(double& minimum, double& maximum)
{
    if (minimum != maximum)
        return;
    const double value = minimum;
    minimum = value == 0 ? -0.5 : value - 1;
    maximum = value == 0 ? 1.0 : value + 1;
}

// The lowest and highest value of the points, widened to a scale.
void boundsOf(const ChannelSeries& points, double& minimum, double& maximum)
{
    minimum = 0;
    maximum = 0;
    if (!points.empty()) {
        const auto [low, high] =
            std::minmax_element(points.begin(), points.end(),
                                [](const auto& a, const auto& b) { return a.second < b.second; });
        minimum = low->second;
        maximum = high->second;
    }
    widen(minimum, maximum);
}

} // namespace

ComparisonSession::ComparisonSession(QObject* parent)
    : QObject(parent), m_comparison(std::make_unique<Comparison>()),
      m_tableModel(new ComparisonTableModel(this))
{
}

ComparisonSession::~ComparisonSession()
{
    // The model's table reads the comparison, which goes first.
    delete m_tableModel;
}

bool ComparisonSession::open(StreamLoger& logger, const QStringList& files,
                             const ComputedChannels& computed, const AlignmentRule& rule,
                             const std::function<bool()>& proceed)
{
    auto comparison = std::make_unique<Comparison>();
    QStringList read;
    QList<ReadProblem> problems;
    const bool finished =
        readComparison(logger, files, computed, *comparison, read, problems, proceed);
    QStringList paths;
    for (const QString& file : read)
        paths.append(QFileInfo(logger.protocolDir().absoluteFilePath(file)).absoluteFilePath());
    const bool opened = finished && openComparison(std::move(comparison), paths, rule);
    m_readProblems = problems;
    m_readCount = int(read.size());
    return opened;
}

bool ComparisonSession::openAssemblies(std::vector<std::unique_ptr<ProtocolAssembly>> assemblies,
                                       const QStringList& files, const AlignmentRule& rule)
{
    auto comparison = std::make_unique<Comparison>();
    for (auto& assembly : assemblies) {
        if (comparison->protocolCount() == Comparison::maxProtocols)
            break;
        comparison->addProtocol(std::move(assembly));
    }
    m_readProblems.clear();
    const QStringList read = files.mid(0, comparison->protocolCount());
    return openComparison(std::move(comparison), read, rule);
}

bool ComparisonSession::openComparison(std::unique_ptr<Comparison> comparison,
                                       const QStringList& files, const AlignmentRule& rule)
{
    m_tableModel->setTable(nullptr);
    m_differences.clear();
    m_curves.clear();
    m_members.clear();
    m_files.clear();
    if (comparison->protocolCount() < 2 || files.size() != comparison->protocolCount()) {
        m_comparison = std::make_unique<Comparison>();
        emit differencesChanged();
        emit rowsChanged();
        return false;
    }
    m_comparison = std::move(comparison);
    m_files = files;
    for (int p = 0; p < m_comparison->protocolCount(); ++p) {
        const ProtocolAssembly& assembly = m_comparison->assembly(p);
        auto member = std::make_unique<Member>();
        BookmarkOwner owner;
        owner.start = assembly.protocolStart(0);
        owner.tickMs = assembly.tickMs();
        member->bookmarks = BookmarkFile::read(BookmarkFile::pathFor(files.at(p)), owner).bookmarks;
        member->rule = rule;
        qint64 anchor = 0;
        if (alignmentInstant(assembly, 0, rule, member->bookmarks, anchor, member->error))
            m_comparison->setAnchor(p, anchor);
        m_members.push_back(std::move(member));
    }
    buildCurves();
    rebuildRows();
    emit differencesChanged();
    return true;
}

void ComparisonSession::buildCurves()
{
    // In the order of the table's columns: by code, then by protocol.
    for (const Comparison::Column& column : m_comparison->columns()) {
        const ProtocolAssembly& assembly = m_comparison->assembly(column.protocol);
        for (const AssembledChannel& channel : assembly.channels()) {
            if (channel.channel != column.channel)
                continue;
            Curve curve;
            curve.code = column.code;
            curve.title = channel.title;
            curve.protocol = column.protocol;
            curve.series = channel.series;
            curve.series.scale = assembly.tickMs();
            curve.minimum = channel.minimum;
            curve.maximum = channel.maximum;
            Member& member = *m_members[size_t(column.protocol)];
            member.curves.push_back(m_curves.size());
            member.indices.emplace_back();
            m_curves.push_back(curve);
            break;
        }
    }
    // One scale for a code's curves, whichever protocol's they are.
    QHash<QString, std::pair<double, double>> bounds;
    for (const Curve& curve : m_curves) {
        const auto found = bounds.find(curve.code);
        if (found == bounds.end()) {
            bounds.insert(curve.code, {curve.minimum, curve.maximum});
        } else {
            found->first = std::min(found->first, curve.minimum);
            found->second = std::max(found->second, curve.maximum);
        }
    }
    for (Curve& curve : m_curves) {
        const std::pair<double, double>& range = bounds[curve.code];
        curve.minimum = range.first;
        curve.maximum = range.second;
    }
    for (int p = 0; p < protocolCount(); ++p)
        placeCurves(p);
}

void ComparisonSession::placeCurves(int protocol)
{
    // x = (tick + offset) * tick length + origin must be the record's instant
    // less the zero; the assembly counts ticks from its common start.
    const ProtocolAssembly& assembly = m_comparison->assembly(protocol);
    const qint64 ticksStart = assembly.protocolStart(0).toMSecsSinceEpoch() -
                              assembly.offset(0) * qint64(assembly.tickMs());
    const qint64 origin = ticksStart - m_comparison->zero(protocol);
    for (const size_t curve : m_members[size_t(protocol)]->curves)
        m_curves[curve].series.origin = origin;
}

int ComparisonSession::protocolCount() const
{
    return m_comparison->protocolCount();
}

QString ComparisonSession::label(int protocol) const
{
    return m_comparison->label(protocol);
}

qint64 ComparisonSession::zero(int protocol) const
{
    return m_comparison->zero(protocol);
}

QStringList ComparisonSession::alignmentErrors() const
{
    QStringList errors;
    for (size_t p = 0; p < m_members.size(); ++p) {
        if (!m_members[p]->error.isEmpty())
            errors.append(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_files.at(int(p))),
                                                       m_members[p]->error));
    }
    return errors;
}

AlignmentRule ComparisonSession::rule(int protocol) const
{
    return m_members[size_t(protocol)]->rule;
}

bool ComparisonSession::setRule(int protocol, const AlignmentRule& rule, QString& error)
{
    if (protocol < 0 || protocol >= protocolCount()) {
        error = QStringLiteral("нет протокола %1").arg(protocol + 1);
        return false;
    }
    Member& member = *m_members[size_t(protocol)];
    qint64 anchor = 0;
    if (!alignmentInstant(m_comparison->assembly(protocol), 0, rule, member.bookmarks, anchor,
                          error))
        return false;
    member.rule = rule;
    member.error.clear();
    m_comparison->setAnchor(protocol, anchor);
    placeCurves(protocol);
    emit shiftChanged(protocol);
    rebuildRows();
    return true;
}

const QVector<Bookmark>& ComparisonSession::bookmarks(int protocol) const
{
    return m_members[size_t(protocol)]->bookmarks;
}

qint64 ComparisonSession::shift(int protocol) const
{
    return m_comparison->shift(protocol);
}

void ComparisonSession::setShift(int protocol, qint64 msecs)
{
    if (protocol < 0 || protocol >= protocolCount() || msecs == shift(protocol))
        return;
    m_comparison->setShift(protocol, msecs);
    placeCurves(protocol);
    emit shiftChanged(protocol);
}

void ComparisonSession::rebuildRows()
{
    m_comparison->buildRows();
    for (DifferenceCurve& difference : m_differences)
        buildDifference(difference);
    for (FormulaCurve& formula : m_formulas)
        buildFormula(formula);
    m_tableModel->setTable(protocolCount() > 0 ? reportTable() : nullptr);
    emit rowsChanged();
}

bool ComparisonSession::addDifference(const QString& code, int protocol)
{
    if (protocol < 1 || protocol >= protocolCount() || m_comparison->channelOf(0, code) < 0 ||
        m_comparison->channelOf(protocol, code) < 0)
        return false;
    for (const DifferenceCurve& difference : m_differences) {
        if (difference.code == code && difference.protocol == protocol)
            return false;
    }
    DifferenceCurve difference;
    difference.code = code;
    difference.protocol = protocol;
    difference.title = Comparison::differenceTitle(code, protocol);
    buildDifference(difference);
    m_differences.push_back(std::move(difference));
    m_tableModel->setTable(reportTable());
    emit differencesChanged();
    return true;
}

void ComparisonSession::removeDifference(const QString& code, int protocol)
{
    const auto found = std::find_if(
        m_differences.begin(), m_differences.end(), [&](const DifferenceCurve& difference) {
            return difference.code == code && difference.protocol == protocol;
        });
    if (found == m_differences.end())
        return;
    m_differences.erase(found);
    m_tableModel->setTable(reportTable());
    emit differencesChanged();
}

bool ComparisonSession::addFormula(const QString& text, QString& error)
{
    FormulaCurve formula;
    if (!comparisonformula::parse(text, *m_comparison, formula.name, formula.expression, error))
        return false;
    const auto same = std::find_if(m_formulas.begin(), m_formulas.end(),
                                   [&](const FormulaCurve& f) { return f.name == formula.name; });
    if (same != m_formulas.end()) {
        same->expression = formula.expression;
        buildFormula(*same);
    } else {
        buildFormula(formula);
        m_formulas.push_back(std::move(formula));
    }
    m_tableModel->setTable(reportTable());
    emit differencesChanged();
    return true;
}

void ComparisonSession::removeFormula(const QString& name)
{
    const auto found = std::find_if(m_formulas.begin(), m_formulas.end(),
                                    [&](const FormulaCurve& f) { return f.name == name; });
    if (found == m_formulas.end())
        return;
    m_formulas.erase(found);
    m_tableModel->setTable(reportTable());
    emit differencesChanged();
}

void ComparisonSession::buildFormula(FormulaCurve& formula) const
{
    QString error;
    formula.points.clear();
    if (!comparisonformula::compute(*m_comparison, formula.expression, formula.values, error))
        formula.values.assign(size_t(m_comparison->rowCount()),
                              std::numeric_limits<double>::quiet_NaN());
    for (size_t row = 0; row < formula.values.size(); ++row) {
        if (!std::isnan(formula.values[row]))
            formula.points.emplace_back(m_comparison->rowTime(int(row)), formula.values[row]);
    }
    boundsOf(formula.points, formula.minimum, formula.maximum);
}

void ComparisonSession::buildDifference(DifferenceCurve& difference) const
{
    // Comparison::difference() for every row of protocol k at once: a walk
    // over both protocols' records in time order instead of a search per row.
    difference.points.clear();
    const Comparison& c = *m_comparison;
    const int k = difference.protocol;
    const int channel = c.channelOf(k, difference.code);
    const int base = c.channelOf(0, difference.code);
    if (channel < 0 || base < 0)
        return;
    const ProtocolAssembly& mine = c.assembly(k);
    const ProtocolAssembly& theirs = c.assembly(0);
    const std::vector<int>& order = mine.timeOrder();
    const std::vector<int>& baseOrder = theirs.timeOrder();
    const qint64 baseTick = theirs.tickMs();
    difference.points.reserve(order.size());
    size_t after = 0; // the first base record later than the time
    for (const int record : order) {
        const qint64 time = c.relativeTime(k, record);
        while (after < baseOrder.size() && c.relativeTime(0, baseOrder[after]) <= time)
            ++after;
        if (after == 0)
            continue;
        const int baseRecord = baseOrder[after - 1];
        double value = 0;
        double baseValue = 0;
        // Protocol 1's value holds for one of its ticks: none across a gap.
        if (time - c.relativeTime(0, baseRecord) >= baseTick ||
            !Comparison::numberOf(mine, channel, record, value) ||
            !Comparison::numberOf(theirs, base, baseRecord, baseValue))
            continue;
        difference.points.emplace_back(time, value - baseValue);
    }
    boundsOf(difference.points, difference.minimum, difference.maximum);
}

std::unique_ptr<ComparisonTable> ComparisonSession::reportTable(const QStringList& codes) const
{
    std::vector<ComparisonTable::Difference> differences;
    for (const DifferenceCurve& difference : m_differences)
        differences.emplace_back(difference.code, difference.protocol);
    std::vector<ComparisonTable::Computed> computed;
    for (const FormulaCurve& formula : m_formulas)
        computed.push_back({formula.name, &formula.values});
    return std::make_unique<ComparisonTable>(*m_comparison, std::move(differences), codes,
                                             std::move(computed));
}

QVector<ComparisonSession::ProtocolStatistics>
ComparisonSession::statistics(const QString& code, qint64 from, qint64 to) const
{
    QVector<ProtocolStatistics> result;
    for (int p = 0; p < protocolCount(); ++p) {
        ProtocolStatistics statistics;
        statistics.protocol = p;
        Member& member = *m_members[size_t(p)];
        for (size_t i = 0; i < member.curves.size(); ++i) {
            const Curve& curve = m_curves[member.curves[i]];
            if (curve.code != code)
                continue;
            // The source reads the curve's x as it is now: the rows keep
            // their order when the curve moves, so the index stays right.
            std::unique_ptr<ChannelRangeIndex>& index = member.indices[i];
            if (!index)
                index = std::make_unique<ChannelRangeIndex>(
                    std::make_unique<ColumnStatisticsSource>(curve.series));
            statistics.valid = true;
            statistics.summary = index->summary(from, to);
            break;
        }
        result.append(statistics);
    }
    return result;
}
