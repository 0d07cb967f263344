#include "compare/relativetime.h"

#include <QRegularExpression>

QString relativeTimeText(qint64 msecs)
{
    const QChar sign = msecs < 0 ? QLatin1Char('-') : QLatin1Char('+');
    const quint64 magnitude = msecs < 0 ? quint64(-(msecs + 1)) + 1 : quint64(msecs);
    const quint64 hours = magnitude / 3600000;
    const int minutes = int(magnitude / 60000 % 60);
    const int seconds = int(magnitude / 1000 % 60);
    const int millis = int(magnitude % 1000);
    return QStringLiteral("%1%2:%3:%4.%5")
        .arg(sign)
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(seconds, 2, 10, QLatin1Char('0'))
        .arg(millis, 3, 10, QLatin1Char('0'));
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
