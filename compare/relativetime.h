#pragma once

#include <QString>
#include <QtGlobal>

// The time since a protocol's alignment point as the comparison shows it:
// "+00:12:30.250", "-00:00:01.500"; hours run past 24 for runs of days.
QString relativeTimeText(qint64 msecs);
// The same text into `out` (at least 32 chars), for writers that gather
// bytes; returns its length.
int relativeTimeChars(qint64 msecs, char* out);

// Reads "+HH:MM:SS.zzz" (sign, fraction and hours beyond two digits
// optional) back; false for any other shape.
bool parseRelativeTime(const QString& text, qint64& msecs);
