#pragma once

#include <QString>
#include <QtGlobal>

// The text of a real value in table cells and reports: general form with six
// significant digits and a C-locale point, exactly as QString::number(value,
// 'g', 6) writes it, without going through the locale machinery. Like the
// toolkit, a value exactly halfway between two six-digit texts takes the one
// farther from zero.
namespace numbertext {

// Writes into `out` (at least 32 chars); returns the length.
int write(double value, char* out);
QString text(double value);
// The text of raw / divisor, a loaded cell's value.
QString textRaw(qint32 raw, double divisor);
// The same with divisor = 10^rate, written into `out` (its buffer reused).
void setTextRaw(QString& out, qint32 raw, int rate, double divisor);
// The value that the text reads back as: what a sort or a filter by the
// text compares.
double shown(double value);
// shown(raw / divisor), without making the text where the value has few
// enough digits to be its own text.
double shownRaw(qint32 raw, double divisor);

} // namespace numbertext
