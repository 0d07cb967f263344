#include "table/localclock.h"

#include <QDateTime>
#include <QRegularExpression>

namespace localclock {

namespace {
constexpr qint64 kHour = 3600 * 1000;

int offsetAt(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs).offsetFromUtc();
}

// "Z", "+hh:mm", "+hhmm" or "+hh" at the end of text; the rest goes back.
bool splitOffset(QString& text, bool& hasOffset, int& offsetSeconds)
{
    hasOffset = false;
    if (text.endsWith(QLatin1Char('Z'))) {
        text.chop(1);
        hasOffset = true;
        offsetSeconds = 0;
        return true;
    }
    static const QRegularExpression suffix(QStringLiteral("([+-])(\\d\\d)(?::?(\\d\\d))?$"));
    // Only after the time: a date's own dashes are no offset.
    const QRegularExpressionMatch match = suffix.match(text, 11);
    if (!match.hasMatch() || match.capturedStart() < 13)
        return true;
    const int hours = match.captured(2).toInt();
    const int minutes = match.captured(3).toInt();
    if (hours > 14 || minutes > 59)
        return false;
    offsetSeconds =
        (hours * 60 + minutes) * 60 * (match.captured(1) == QLatin1String("-") ? -1 : 1);
    hasOffset = true;
    text.truncate(match.capturedStart());
    return true;
}
} // namespace

qint64 wallClockMSecs(const QDate& date, const QTime& time)
{
    return (date.toJulianDay() - QDate(1970, 1, 1).toJulianDay()) * 24 * kHour +
           time.msecsSinceStartOfDay();
}

Result toMSecs(const QDate& date, const QTime& time, qint64& msecs)
{
    if (!date.isValid() || !time.isValid())
        return Result::NoDateTime;
    const qint64 wall = wallClockMSecs(date, time);
    // The offsets in force well before and well after; a zone changes its
    // offset at most once within a day.
    const int before = offsetAt(wall - 14 * kHour);
    const int after = offsetAt(wall + 14 * kHour);
    const qint64 first = wall - qint64(before) * 1000;
    const qint64 second = wall - qint64(after) * 1000;
    const bool firstFits = offsetAt(first) == before;
    const bool secondFits = offsetAt(second) == after;
    if (firstFits && secondFits)
        msecs = std::min(first, second);
    else if (firstFits)
        msecs = first;
    else if (secondFits)
        msecs = second;
    else
        return Result::SkippedTime;
    return Result::Instant;
}

Result parseIso(const QString& input, qint64& msecs, bool* dateOnly)
{
    QString text = input.trimmed();
    if (dateOnly)
        *dateOnly = false;
    if (text.size() == 10) {
        const QDate date = QDate::fromString(text, Qt::ISODate);
        if (!date.isValid())
            return Result::NoDateTime;
        if (dateOnly)
            *dateOnly = true;
        return toMSecs(date, QTime(0, 0), msecs);
    }
    if (text.size() < 16 || (text.at(10) != QLatin1Char('T') && text.at(10) != QLatin1Char(' ')))
        return Result::NoDateTime;
    bool hasOffset = false;
    int offset = 0;
    if (!splitOffset(text, hasOffset, offset))
        return Result::NoDateTime;
    const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    const QTime time = QTime::fromString(text.mid(11), Qt::ISODateWithMs);
    if (!date.isValid() || !time.isValid())
        return Result::NoDateTime;
    if (!hasOffset)
        return toMSecs(date, time, msecs);
    msecs = wallClockMSecs(date, time) - qint64(offset) * 1000;
    return Result::Instant;
}

QString isoText(qint64 msecs)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecs);
    const int offset = local.offsetFromUtc();
    const QDateTime shown = QDateTime::fromMSecsSinceEpoch(msecs, Qt::OffsetFromUTC, offset);
    QString text = shown.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
    const int minutes = std::abs(offset) / 60;
    text += offset < 0 ? QLatin1Char('-') : QLatin1Char('+');
    text += QStringLiteral("%1:%2")
                .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    return text;
}

} // namespace localclock
