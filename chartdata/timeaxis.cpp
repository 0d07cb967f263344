#include "chartdata/timeaxis.h"

#include <QTimeZone>

#include <array>
#include <cmath>

namespace chart {

namespace {
constexpr qint64 kSecond = 1000;
constexpr qint64 kMinute = 60 * kSecond;
constexpr qint64 kHour = 60 * kMinute;

// Every step below a day; each divides the day, so midnight is always a mark.
constexpr std::array<qint64, 31> kSteps = {1,
                                           2,
                                           5,
                                           10,
                                           20,
                                           50,
                                           100,
                                           200,
                                           500,
                                           kSecond,
                                           2 * kSecond,
                                           5 * kSecond,
                                           10 * kSecond,
                                           15 * kSecond,
                                           30 * kSecond,
                                           kMinute,
                                           2 * kMinute,
                                           5 * kMinute,
                                           10 * kMinute,
                                           15 * kMinute,
                                           30 * kMinute,
                                           kHour,
                                           2 * kHour,
                                           3 * kHour,
                                           6 * kHour,
                                           12 * kHour,
                                           kMsPerDay,
                                           2 * kMsPerDay,
                                           5 * kMsPerDay,
                                           10 * kMsPerDay,
                                           20 * kMsPerDay};

// Days beyond the table go on as 1, 2, 5 × 10^n; far beyond any date.
constexpr double kLargestStep = 1e17;

QDateTime startOfDay(const QDate& date, const QDateTime& like)
{
    if (like.timeSpec() == Qt::TimeZone)
        return date.startOfDay(like.timeZone());
    if (like.timeSpec() == Qt::OffsetFromUTC)
        return date.startOfDay(Qt::OffsetFromUTC, like.offsetFromUtc());
    return date.startOfDay(like.timeSpec());
}

// The date-time that the clock shows as `ms` after midnight of `date`.
QDateTime wallTime(const QDate& date, qint64 ms, const QDateTime& like)
{
    const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
    if (like.timeSpec() == Qt::TimeZone)
        return QDateTime(date, time, like.timeZone());
    if (like.timeSpec() == Qt::OffsetFromUTC)
        return QDateTime(date, time, Qt::OffsetFromUTC, like.offsetFromUtc());
    return QDateTime(date, time, like.timeSpec());
}

qint64 ceilDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return q * b < a ? q + 1 : q;
}
} // namespace

qint64 timeStepAtLeast(double ms)
{
    if (!(ms > 1))
        return 1;
    for (const qint64 step : kSteps)
        if (static_cast<double>(step) >= ms)
            return step;
    // 50, 100, 200, 500, ... days.
    for (double decade = 10;; decade *= 10) {
        for (const double factor : {5.0, 10.0, 20.0}) {
            const double step = decade * factor * kMsPerDay;
            if (step >= ms || step >= kLargestStep)
                return static_cast<qint64>(step);
        }
    }
}

int timeStepDecimals(qint64 stepMs)
{
    if (stepMs % 1000 == 0)
        return 0;
    if (stepMs % 100 == 0)
        return 1;
    if (stepMs % 10 == 0)
        return 2;
    return 3;
}

QString timeAxisLabel(const QDateTime& at, qint64 stepMs, bool withDate)
{
    if (stepMs >= kMsPerDay)
        return at.toString(QStringLiteral("dd.MM.yyyy"));
    QString text =
        at.toString(stepMs >= kMinute ? QStringLiteral("HH:mm") : QStringLiteral("HH:mm:ss"));
    const int decimals = timeStepDecimals(stepMs);
    if (decimals > 0)
        text +=
            QLatin1Char('.') +
            QString::number(at.time().msec()).rightJustified(3, QLatin1Char('0')).left(decimals);
    if (withDate)
        text = at.toString(QStringLiteral("dd.MM ")) + text;
    return text;
}

QVector<QDateTime> timeMarks(const QDateTime& from, const QDateTime& to, qint64 stepMs, int limit)
{
    QVector<QDateTime> marks;
    if (!from.isValid() || !to.isValid() || stepMs <= 0 || to < from)
        return marks;
    if (stepMs >= kMsPerDay) {
        const qint64 days = stepMs / kMsPerDay;
        QDate date = from.date();
        if (startOfDay(date, from) < from)
            date = date.addDays(1);
        const qint64 rest = ((date.toJulianDay() % days) + days) % days;
        if (rest != 0)
            date = date.addDays(days - rest);
        for (QDateTime mark = startOfDay(date, from);
             mark.isValid() && mark <= to && marks.size() < limit;
             date = date.addDays(days), mark = startOfDay(date, from))
            marks.append(mark);
        return marks;
    }
    const QDateTime midnight = startOfDay(from.date(), from);
    QDateTime mark = midnight.addMSecs(ceilDiv(midnight.msecsTo(from), stepMs) * stepMs);
    while (mark.isValid() && mark <= to && marks.size() < limit) {
        marks.append(mark);
        mark = mark.addMSecs(stepMs);
        // Past a clock change the step lands off the clock's divisions (a
        // 3-hour step at 04:00): on to the next division.
        const qint64 ofDay = mark.time().msecsSinceStartOfDay();
        if (ofDay % stepMs != 0) {
            const qint64 aligned = ceilDiv(ofDay, stepMs) * stepMs;
            const QDateTime next = aligned >= kMsPerDay ? startOfDay(mark.date().addDays(1), mark)
                                                        : wallTime(mark.date(), aligned, mark);
            if (next.isValid() && next > mark)
                mark = next;
        }
    }
    return marks;
}

QString relativeAxisLabel(qint64 ms, qint64 stepMs)
{
    // The magnitude as unsigned: -2^63 has none as a signed number.
    const quint64 magnitude = ms < 0 ? 0 - quint64(ms) : quint64(ms);
    const int decimals = stepMs >= kSecond ? 0 : timeStepDecimals(qMax<qint64>(1, stepMs));
    const quint64 unit = stepMs < kMinute ? kSecond : kMinute;
    quint64 fractionUnit = 1;
    for (int i = decimals; i < 3; ++i)
        fractionUnit *= 10;
    const quint64 shown =
        stepMs < kSecond ? magnitude - magnitude % fractionUnit : magnitude - magnitude % unit;
    const quint64 hours = shown / kHour;
    const quint64 minutes = shown / kMinute % 60;
    QString text = QStringLiteral("%1%2:%3")
                       .arg(ms < 0 && shown != 0 ? QLatin1Char('-') : QLatin1Char('+'))
                       .arg(hours, 2, 10, QLatin1Char('0'))
                       .arg(minutes, 2, 10, QLatin1Char('0'));
    if (stepMs < kMinute)
        text += QStringLiteral(":%1").arg(shown / kSecond % 60, 2, 10, QLatin1Char('0'));
    if (decimals > 0)
        text += QLatin1Char('.') +
                QStringLiteral("%1").arg(shown % kSecond, 3, 10, QLatin1Char('0')).left(decimals);
    return text;
}

QVector<qint64> relativeMarks(qint64 fromMs, qint64 toMs, qint64 stepMs, int limit)
{
    QVector<qint64> marks;
    if (stepMs <= 0 || toMs < fromMs)
        return marks;
    // The first and last multiples inside; neither product can overflow.
    qint64 first = fromMs / stepMs;
    if (first * stepMs < fromMs)
        ++first;
    qint64 last = toMs / stepMs;
    if (last * stepMs > toMs)
        --last;
    for (qint64 k = first; k <= last && marks.size() < limit; ++k)
        marks.append(k * stepMs);
    return marks;
}

} // namespace chart
