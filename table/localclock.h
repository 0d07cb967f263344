#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// Local wall-clock times and instants. Where summer time ends an hour of the
// clock is repeated; a local time in it means its first occurrence. Where it
// begins an hour is skipped; a local time in it names no instant at all.
namespace localclock {

enum class Result {
    Instant,     // msecs holds the instant
    NoDateTime,  // the text is no ISO 8601 date-time
    SkippedTime, // a local time the clocks skip on that date
};

// Milliseconds since the epoch of a local date and time.
Result toMSecs(const QDate& date, const QTime& time, qint64& msecs);

// Date and time as if they were UTC: the wall clock's own count, no zone.
qint64 wallClockMSecs(const QDate& date, const QTime& time);

// An ISO 8601 date-time: "yyyy-MM-ddTHH:mm[:ss[.zzz]]" with a blank instead
// of the "T" allowed, optionally followed by "Z" or an offset "+hh:mm"
// (also "+hhmm", "+hh"), or a date alone for its midnight. With an offset it
// names an instant; without, a local time as toMSecs() reads it.
// dateOnly tells whether the text held a date alone.
Result parseIso(const QString& text, qint64& msecs, bool* dateOnly = nullptr);

// The instant as local time with its offset, "2023-10-29T02:30:00.000+02:00".
QString isoText(qint64 msecs);

} // namespace localclock
