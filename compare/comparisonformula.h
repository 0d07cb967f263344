#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class Comparison;

// A channel computed over the rows of a comparison: a formula as for
// computed channels, whose names are
//   CODE_k   protocol k's value of CODE (k from 1), which holds for one of
//            that protocol's ticks after its record, as protocol 1's does
//            for a difference channel;
//   dCODE_k  the difference channel: protocol k minus protocol 1 of CODE,
//            in the rows where protocol k has a record.
// A row has a result where every name the formula reads has a value there.
namespace comparisonformula {

// Every name a formula over the comparison may read.
QStringList names(const Comparison& comparison);

// "NAME=EXPR": false with the fault in Russian. NAME must be a name a
// formula could use and none of names().
bool parse(const QString& text, const Comparison& comparison, QString& name, QString& expression,
           QString& error);

// The formula's result in every row of the comparison, NaN where there is
// none; false with the fault in Russian when the formula cannot be computed.
bool compute(const Comparison& comparison, const QString& expression, std::vector<double>& values,
             QString& error);

} // namespace comparisonformula
