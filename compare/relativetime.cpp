#include "compare/relativetime.h"

#include <QRegularExpression>

QString relativeTimeText(qint64 msecs)
{
    char text[32];
    return QString::fromLatin1(text, relativeTimeChars(msecs, text));
}

int relativeTimeChars(qint64 msecs, char* out)
{
    const quint64 magnitude = msecs < 0 ? quint64(-(msecs + 1)) + 1 : quint64(msecs);
    const quint64 hours = magnitude / 3600000;
    const int minutes = int(magnitude / 60000 % 60);
    const int seconds = int(magnitude / 1000 % 60);
    const int millis = int(magnitude % 1000);
    char* p = out;
    *p++ = msecs < 0 ? '-' : '+';
    // Hours take two digits at least and as many more as they need.
    char digits[24];
    int count = 0;
    for (quint64 h = hours; h > 0 || count < 2; h /= 10)
        digits[count++] = char('0' + h % 10);
    while (count > 0)
        *p++ = digits[--count];
    const auto two = [&p](int value) {
        *p++ = char('0' + value / 10);
        *p++ = char('0' + value % 10);
    };
    *p++ = ':';
    two(minutes);
    *p++ = ':';
    two(seconds);
    *p++ = '.';
    *p++ = char('0' + millis / 100);
    two(millis % 100);
    return int(p - out);
}

bool parseRelativeTime(const QString& text, qint64& msecs)
{
    static const QRegularExpression shape(
        QStringLiteral("^([+-]?)(\\d{1,6}):([0-5]\\d):([0-5]\\d)(?:\\.(\\d{1,3}))?$"));
    const QRegularExpressionMatch match = shape.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    const QString fraction = match.captured(5).leftJustified(3, QLatin1Char('0'));
    const qint64 magnitude = match.captured(2).toLongLong() * 3600000 +
                             match.captured(3).toInt() * 60000 + match.captured(4).toInt() * 1000 +
                             fraction.toInt();
    msecs = match.captured(1) == QLatin1String("-") ? -magnitude : magnitude;
    return true;
}
