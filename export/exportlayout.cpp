#include "export/exportlayout.h"

#include <cmath>

namespace exportlayout {
namespace {

constexpr int kMaxName = 63;

bool isKeyword(const QString& name)
{
    static const QStringList keywords{"break",  "case",   "catch",     "classdef", "continue",
                                      "else",   "elseif", "end",       "for",      "function",
                                      "global", "if",     "otherwise", "parfor",   "persistent",
                                      "return", "spmd",   "switch",    "try",      "while"};
    return keywords.contains(name);
}

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

QString validName(const QString& wanted)
{
    QString name;
    for (const QChar c : wanted)
        name.append(isAsciiLetter(c) || (c.isDigit() && c.unicode() < 128) ? c : QLatin1Char('_'));
    if (name.isEmpty() || !isAsciiLetter(name.at(0)))
        name.prepend(QLatin1Char('x'));
    name.truncate(kMaxName);
    if (isKeyword(name))
        name.append(QLatin1Char('_'));
    return name;
}

} // namespace

QStringList matlabNames(const QStringList& wanted, const QStringList& reserved)
{
    QStringList taken = reserved;
    QStringList names;
    for (const QString& one : wanted) {
        const QString base = validName(one);
        QString name = base;
        for (int n = 2; taken.contains(name); ++n) {
            const QString suffix = QStringLiteral("_%1").arg(n);
            name = base.left(kMaxName - suffix.size()) + suffix;
        }
        taken.append(name);
        names.append(name);
    }
    return names;
}

} // namespace exportlayout

ExportColumns::ExportColumns(const ExportSource& source, const ExportInfo& info)
    : m_source(source), m_info(info), m_startMsecs(info.start.toMSecsSinceEpoch())
{
    using namespace exportlayout;
    const QStringList reserved{kSeconds, kUnixMsecs, kChannels, kFile};
    QStringList codes;
    for (int c = 0; c < source.channelCount(); ++c)
        codes.append(source.channel(c).code);
    const QStringList variables = matlabNames(codes, reserved);
    // Raw vectors are named after their channel's variable, clear of every other name.
    QStringList rawWanted;
    for (int c = 0; c < source.channelCount(); ++c) {
        if (source.channel(c).state)
            rawWanted.append(variables[c] + QStringLiteral("_raw"));
    }
    const QStringList raws = matlabNames(rawWanted, reserved + variables);
    int r = 0;
    for (int c = 0; c < source.channelCount(); ++c) {
        m_variables.push_back(variables[c]);
        m_rawVariables.push_back(source.channel(c).state ? raws[r++] : QString());
    }
    m_states.resize(size_t(source.channelCount()));
}

void ExportColumns::times(int first, int count, double* seconds, qint64* msecs) const
{
    for (int i = 0; i < count; ++i) {
        const qint64 instant = m_source.msecsSinceEpoch(first + i);
        if (seconds)
            seconds[i] = double(instant - m_startMsecs) / 1000.0;
        if (msecs)
            msecs[i] = instant;
    }
}

void ExportColumns::values(int channel, int first, int count, double* values, qint32* raws)
{
    std::set<qint32>& states = m_states[size_t(channel)];
    const bool state = m_source.channel(channel).state;
    // States change seldom: the set is asked only when the value changes.
    bool any = false;
    qint32 last = 0;
    for (int i = 0; i < count; ++i) {
        if (!m_source.value(first + i, channel, values[i]))
            values[i] = std::nan("");
        if (!raws)
            continue;
        qint32 raw = 0;
        if (!state || !m_source.raw(first + i, channel, raw)) {
            raws[i] = exportlayout::kNoRaw;
            continue;
        }
        raws[i] = raw;
        if (!any || raw != last) {
            states.insert(raw);
            last = raw;
            any = true;
        }
    }
}

std::vector<qint32> ExportColumns::statesSeen(int channel) const
{
    const std::set<qint32>& states = m_states[size_t(channel)];
    return std::vector<qint32>(states.begin(), states.end());
}
