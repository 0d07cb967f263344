#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

// A channel the program computes row by row from the logged ones (and from
// other computed ones) by a formula over channel codes, e.g. "U1*I1".
struct ComputedChannel
{
    static constexpr int maxDecimals = 6;
    // The most channels a list may define: more would not fit a table or a
    // panel anyone reads, and each costs 8 bytes a row.
    static constexpr int maxCount = 1000;

    QString code;
    QString name;
    int decimals = 2;
    QString formula;

    // "%1 (%2)" of name and code, as the logged channels are titled; the code
    // alone stands for a missing name.
    QString title() const;

    bool operator==(const ComputedChannel& other) const
    {
        return code == other.code && name == other.name && decimals == other.decimals &&
               formula == other.formula;
    }
    bool operator!=(const ComputedChannel& other) const { return !(*this == other); }
};

using ComputedChannels = std::vector<ComputedChannel>;

// "CODE=EXPR" as given on the command line; false when there is no "=" or
// no code before it.
bool parseFormulaOption(const QString& text, ComputedChannel& channel);

// The definitions with each of `overrides` replacing the one of its code, or
// appended when there is none.
ComputedChannels withOverrides(ComputedChannels channels, const ComputedChannels& overrides);

// The "CODE=EXPR" options of one command line; false with a fault per
// option that is no "CODE=EXPR" or repeats a code given before.
bool parseFormulaOptions(const QStringList& options, ComputedChannels& channels,
                         QStringList& faults);

// The first of "P1", "P2", … that none of `taken` is: the code offered for
// a new computed channel.
QString nextFreeCode(const QStringList& taken);
