#pragma once

#include "formula/computedchannel.h"

#include <QSet>
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

// The longest name a formula can hold (the parser's bound).
constexpr int maxCodeLength = 100;

// Checks a formula over the given codes: syntax, functions, that every name
// is one of the codes, and no assignment ("U1=3") or NUL in it. The work
// grows with the formula, not with the number of codes.
FormulaCheck checkFormula(const QString& formula, const QStringList& codes);
FormulaCheck checkFormula(const QString& formula, const QSet<QString>& known);

// Whether a code can be named in a formula: Latin letters, digits and "_",
// not starting with a digit, at most maxCodeLength long, and none of the
// parser's constants "_pi" and "_e".
bool isFormulaName(const QString& code);
// Why a code cannot be named in a formula (Russian, with the English in
// `english`); empty when it can.
QString codeFault(const QString& code, QString* english = nullptr);

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
// computed. A list longer than ComputedChannel::maxCount is refused whole,
// with one problem at its first channel past the bound. Linear in the number
// of channels.
ComputedCheck checkComputedChannels(const ComputedChannels& channels,
                                    const QStringList& loggedCodes);

// The verdict on a list over the logged codes, worked out again only when the
// list or the codes changed: the window asks for it on loading the list, for
// the command line's formulas and before every read.
class CheckedComputedChannels
{
public:
    const ComputedCheck& check(const ComputedChannels& channels, const QStringList& loggedCodes);

private:
    ComputedChannels m_channels;
    QStringList m_logged;
    ComputedCheck m_check;
    bool m_valid = false;
};
