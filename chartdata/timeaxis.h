#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

namespace chart {

// The time axis of a protocol chart: steps a reader expects, marks on the
// clock's own divisions and labels with as many digits as the step needs.

constexpr qint64 kMsPerDay = 24LL * 60 * 60 * 1000;

// The smallest step of at least `ms` milliseconds among 1, 2, 5 × 10^n ms
// below a second; 1, 2, 5, 10, 15, 30 s; 1, 2, 5, 10, 15, 30 min; 1, 2, 3,
// 6, 12 h; and 1, 2, 5 × 10^n days.
qint64 timeStepAtLeast(double ms);

// Decimals of a second that marks `stepMs` apart need: 500 gives 1, 50
// gives 2, 5 gives 3, a whole second or more 0.
int timeStepDecimals(qint64 stepMs);

// The label of a mark: the time of day to the step's precision ("HH:mm"
// from a minute on, "HH:mm:ss" from a second, fractions below), the date in
// front when asked; a step of days shows the date alone.
QString timeAxisLabel(const QDateTime& at, qint64 stepMs, bool withDate);

// The marks `stepMs` apart from `from` to `to`, both included, on the
// clock's divisions: whole multiples of the step counted from midnight, or
// midnights of days counted from a fixed day for steps of days. A day that
// is not 24 hours long (a clock change) starts afresh at its midnight.
// At most `limit` marks.
QVector<QDateTime> timeMarks(const QDateTime& from, const QDateTime& to, qint64 stepMs, int limit);

// The label of a mark on a relative axis (a comparison's): the time since
// the zero with a sign, hours running past 24 and never dropped,
// "+HH:mm" from a minute on, "+HH:mm:ss" from a second, fractions below
// as the step needs ("+00:12:30.5" for 500 ms). Digits below the step are
// cut towards zero; what shows as zero carries "+" ("+00:00").
QString relativeAxisLabel(qint64 ms, qint64 stepMs);

// The marks of a relative axis from `fromMs` to `toMs`, both included:
// whole multiples of the step counted from the zero, as milliseconds. At
// most `limit` marks.
QVector<qint64> relativeMarks(qint64 fromMs, qint64 toMs, qint64 stepMs, int limit);

} // namespace chart
