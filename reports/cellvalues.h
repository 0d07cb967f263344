#pragma once

#include <QDateTime>
#include <QString>

// Table texts as workbook values, so that a spreadsheet gets numbers and
// date-times that show exactly the digits the table shows.
namespace cellvalues {

// The number format of date-time cells.
QString dateTimeFormat();

// A number text as the table writes it ("123.45", "-0.5", "1.23457e+06") to
// its value and the number format that shows it the same way ("0.00", "0.0",
// "0.00000e+00"). False for any other text, which then stays text.
bool number(const QString& text, double& value, QString& format);

// "dd/MM/yyyy hh:mm:ss.zzz" to the spreadsheet's day count (days since
// 30/12/1899, the time of day as the fraction); false for any other text.
bool dateTime(const QString& text, double& serial);
double serial(const QDateTime& dateTime);

} // namespace cellvalues
