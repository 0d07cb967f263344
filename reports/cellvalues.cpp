#include "reports/cellvalues.h"

#include <QRegularExpression>

#include "table/timetextformatter.h"

namespace cellvalues {

namespace {
constexpr double kMsecsPerDay = 86400000.0;
const qint64 kEpochDay = QDate(1899, 12, 30).toJulianDay();

double daySerial(const QDate& date, const QTime& time)
{
    return double(date.toJulianDay() - kEpochDay) + time.msecsSinceStartOfDay() / kMsecsPerDay;
}
} // namespace

QString dateTimeFormat()
{
    return QStringLiteral("dd/mm/yyyy hh:mm:ss.000");
}

bool number(const QString& text, double& value, QString& format)
{
    // The general form with six significant digits: an optional sign,
    // digits without a leading zero (a number format would drop it), decimals
    // and an exponent of at least two digits.
    static const QRegularExpression form(
        QStringLiteral(R"(^-?(?:0|[1-9]\d*)(?:\.(\d+))?(?:e([+-])(\d{2,3}))?\z)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return false;
    // An exponent format shows one digit before the point, not zero unless
    // the number is: "0.5e-03" or "12e+00" would come out as another text.
    static const QRegularExpression scientific(QStringLiteral(R"(^-?(?:[1-9][.e]|0(?:\.0+)?e))"));
    if (match.capturedLength(3) > 0 && !scientific.match(text).hasMatch())
        return false;
    // A spreadsheet shows at most 15 significant digits.
    const QString mantissa =
        text.left(match.capturedStart(2) < 0 ? text.size() : match.capturedStart(2) - 1);
    int significant = 0;
    for (const QChar c : mantissa) {
        if (c.isDigit() && (significant > 0 || c != QLatin1Char('0')))
            ++significant;
    }
    if (significant > 15)
        return false;
    bool ok = false;
    value = text.toDouble(&ok);
    // "-0" would show as "0".
    if (!ok || (value == 0 && text.startsWith(QLatin1Char('-'))))
        return false;
    format = QStringLiteral("0");
    const int decimals = match.capturedLength(1);
    if (decimals > 0)
        format += QLatin1Char('.') + QString(decimals, QLatin1Char('0'));
    if (match.capturedLength(3) > 0)
        format += QStringLiteral("e+") + QString(match.capturedLength(3), QLatin1Char('0'));
    return true;
}

bool dateTime(const QString& text, double& serial)
{
    QDate date;
    QTime time;
    if (!TimeTextFormatter::fields(text, date, time))
        return false;
    // The spreadsheet's calendar holds a 29/02/1900 that never was, so its day
    // counts before March 1900 are off by one, and it has none before 1900.
    if (!date.isValid() || !time.isValid() || date < QDate(1900, 3, 1))
        return false;
    serial = daySerial(date, time);
    return true;
}

double serial(const QDateTime& dateTime)
{
    return daySerial(dateTime.date(), dateTime.time());
}

} // namespace cellvalues
