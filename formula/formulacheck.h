#pragma once

#include "formula/computedchannel.h"

#include <QString>
#include <QStringList>

#include <vector>

// The verdict on one formula: what it reads, or where and why it fails.
struct FormulaCheck
{
    bool ok = true;
    int position = -1;  // character index of the fault in the formula; -1 for none
    QString message;    // Russian, e.g. "неизвестный код «Q7»"
    QString english;    // the same for the command line
    QStringList inputs; // codes the formula reads, each once

    // "ошибка в позиции 6: неизвестный код «Q7»", or the message alone.
    QString text() const;
    QString englishText() const;
};

// Checks a formula over the given codes: syntax, functions and that every
// name is one of the codes.
FormulaCheck checkFormula(const QString& formula, const QStringList& codes);

// Whether a code can be named in a formula: Latin letters, digits and "_",
// not starting with a digit.
bool isFormulaName(const QString& code);

// The verdict on a list of computed channels over the logged codes.
struct ComputedCheck
{
    ComputedChannels ordered; // the sound ones, each after the channels it reads
    QStringList problems;     // Russian, one line per refused channel, naming it
    QStringList english;      // the same for the command line
    std::vector<int> refused; // indexes in the checked list, one per problem
    int firstBad = -1;        // index in the checked list of the first refused channel
    int firstBadPosition = -1;

    bool ok() const { return problems.isEmpty(); }
};

// Refuses channels with an empty, unusable, repeated or logged code, a bad
// number of decimals, a bad formula, a cycle (naming its codes) or an input
// that is refused itself; the rest come in an order in which they can be
// computed.
ComputedCheck checkComputedChannels(const ComputedChannels& channels,
                                    const QStringList& loggedCodes);
