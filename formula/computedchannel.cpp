#include "formula/computedchannel.h"

#include <QSet>

#include <algorithm>

QString ComputedChannel::title() const
{
    return QStringLiteral("%1 (%2)").arg(name.isEmpty() ? code : name, code);
}

bool parseFormulaOption(const QString& text, ComputedChannel& channel)
{
    const int equals = text.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return false;
    channel = ComputedChannel();
    channel.code = text.left(equals).trimmed();
    channel.formula = text.mid(equals + 1).trimmed();
    channel.name = channel.code;
    return !channel.code.isEmpty();
}

ComputedChannels withOverrides(ComputedChannels channels, const ComputedChannels& overrides)
{
    for (const ComputedChannel& given : overrides) {
        bool replaced = false;
        for (ComputedChannel& kept : channels) {
            if (kept.code == given.code) {
                // The file's name and decimals stay unless the option is the
                // only definition of the code.
                kept.formula = given.formula;
                replaced = true;
            }
        }
        if (!replaced)
            channels.push_back(given);
    }
    return channels;
}

bool parseFormulaOptions(const QStringList& options, ComputedChannels& channels,
                         QStringList& faults)
{
    channels.clear();
    faults.clear();
    for (const QString& option : options) {
        ComputedChannel channel;
        if (!parseFormulaOption(option, channel)) {
            faults.append(QStringLiteral("bad formula \"%1\": it needs CODE=EXPR").arg(option));
            continue;
        }
        // Which of the two was meant cannot be told: neither is taken.
        const bool repeated =
            std::any_of(channels.begin(), channels.end(),
                        [&channel](const ComputedChannel& c) { return c.code == channel.code; });
        if (repeated) {
            faults.append(
                QStringLiteral("bad formula \"%1\": the code %2 is given with --formula twice")
                    .arg(option, channel.code));
            continue;
        }
        channels.push_back(channel);
    }
    return faults.isEmpty();
}

QString nextFreeCode(const QStringList& taken)
{
    const QSet<QString> used(taken.begin(), taken.end());
    for (int n = 1;; ++n) {
        const QString code = QStringLiteral("P%1").arg(n);
        if (!used.contains(code))
            return code;
    }
}
