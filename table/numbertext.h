#pragma once

#include <QString>

// The text of a real value in table cells and reports: general form with six
// significant digits and a C-locale point, exactly as QString::number(value,
// 'g', 6) writes it, without going through the locale machinery.
namespace numbertext {

// Writes into `out` (at least 32 chars); returns the length.
int write(double value, char* out);
QString text(double value);
// The value that the text reads back as: what a sort or a filter by the
// text compares.
double shown(double value);

} // namespace numbertext
