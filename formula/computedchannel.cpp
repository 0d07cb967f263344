#include "formula/computedchannel.h"

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
