#include "table/timetextformatter.h"

#include "table/decimaldigits.h"

namespace {

constexpr qint64 msPerHour = 3600 * 1000;
constexpr qint64 msPerDay = 24 * msPerHour;

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

void putDigits(QChar*& out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = QLatin1Char(char('0' + value % 10));
        value /= 10;
    }
    out += width;
}

// Wall-clock milliseconds since 1970-01-01 00:00 to text; empty when the
// year needs more (or fewer) than four digits.
QString wallText(qint64 wall)
{
    const qint64 days = floorDiv(wall, msPerDay);
    const qint64 msOfDay = wall - days * msPerDay;

    // Civil date from a day count (proleptic Gregorian calendar).
    const qint64 z = days + 719468;
    const qint64 era = floorDiv(z, 146097);
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int day = int(doy - (153 * mp + 2) / 5 + 1);
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    const qint64 year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 1000 || year > 9999)
        return QString();

    const int ms = int(msOfDay % 1000);
    const int seconds = int(msOfDay / 1000);
    QString text(23, Qt::Uninitialized);
    QChar* out = text.data();
    putDigits(out, day, 2);
    *out++ = QLatin1Char('/');
    putDigits(out, month, 2);
    *out++ = QLatin1Char('/');
    putDigits(out, int(year), 4);
    *out++ = QLatin1Char(' ');
    putDigits(out, seconds / 3600, 2);
    *out++ = QLatin1Char(':');
    putDigits(out, seconds / 60 % 60, 2);
    *out++ = QLatin1Char(':');
    putDigits(out, seconds % 60, 2);
    *out++ = QLatin1Char('.');
    putDigits(out, ms, 3);
    return text;
}

} // namespace

TimeTextFormatter::TimeTextFormatter(const QDateTime& start)
    : m_start(start), m_startEpoch(start.isValid() ? start.toMSecsSinceEpoch() : 0)
{
}

QString TimeTextFormatter::text(qint64 msecs) const
{
    if (!m_start.isValid())
        return slowText(msecs);
    const qint64 epoch = m_startEpoch + msecs;
    const qint64 hour = floorDiv(epoch, msPerHour);
    if (!m_hourKnown || hour != m_hour)
        prepareHour(hour, msecs);
    if (!m_fast)
        return slowText(msecs);
    QString text = wallText(epoch + m_offsetMs);
    return text.isEmpty() ? slowText(msecs) : text;
}

void TimeTextFormatter::prepareHour(qint64 hour, qint64 msecs) const
{
    m_hour = hour;
    m_hourKnown = true;
    const qint64 begin = hour * msPerHour - m_startEpoch;
    const int offset = m_start.addMSecs(begin).offsetFromUtc();
    m_offsetMs = qint64(offset) * 1000;
    m_fast = offset == m_start.addMSecs(begin + msPerHour - 1).offsetFromUtc() &&
             wallText(m_startEpoch + msecs + m_offsetMs) == slowText(msecs);
}

QString TimeTextFormatter::slowText(qint64 msecs) const
{
    return m_start.addMSecs(msecs).toString(format());
}

bool TimeTextFormatter::fields(const QString& text, QDate& date, QTime& time)
{
    if (text.size() != 23 || text.at(2) != QLatin1Char('/') || text.at(5) != QLatin1Char('/') ||
        text.at(10) != QLatin1Char(' ') || text.at(13) != QLatin1Char(':') ||
        text.at(16) != QLatin1Char(':') || text.at(19) != QLatin1Char('.'))
        return false;
    date = QDate(decimalDigits(text, 6, 4), decimalDigits(text, 3, 2), decimalDigits(text, 0, 2));
    time = QTime(decimalDigits(text, 11, 2), decimalDigits(text, 14, 2), decimalDigits(text, 17, 2),
                 decimalDigits(text, 20, 3));
    return true;
}
