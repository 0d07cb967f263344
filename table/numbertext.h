#pragma once

#include <QString>
#include <QtGlobal>

// The text of a value in table cells, the statistics, the value box and the
// reports: the general form (exponents below 1e-4 and from 10^P on, trailing
// zeros dropped, a C-locale point) with every digit the value has.
//
// A logged value is raw / 10^RATE: at most ten digits, all of them measured,
// so its text holds all ten (1234567, 2147483.647). A value with a number of
// decimals (a computed channel's, a value at the chart's line) is rounded to
// them and written with at most 15 significant digits, as many as a double
// and a spreadsheet keep.
namespace numbertext {

// Significant digits of a logged value's text, and the most of any text.
constexpr int loggedDigits = 10;
constexpr int maxDigits = 15;

// Writes the general form with `digits` significant digits into `out` (at
// least 32 chars); returns the length.
int write(double value, char* out, int digits = loggedDigits);
QString text(double value, int digits = loggedDigits);
// The text of raw / divisor, a logged cell's value.
QString textRaw(qint32 raw, double divisor);
// The text of raw / divisor with divisor = 10^rate into `out` (at least 32
// chars); returns the length.
int writeRaw(qint32 raw, int rate, double divisor, char* out);
// The same with divisor = 10^rate, written into `out` (its buffer reused):
// the raw digits with the point moved, no rounding involved.
void setTextRaw(QString& out, qint32 raw, int rate, double divisor);
// The value that the text reads back as: what a sort or a filter by the
// text compares.
double shown(double value, int digits = loggedDigits);
// shown(raw / divisor), without making the text where the value is its own text.
double shownRaw(qint32 raw, double divisor);

// `value` rounded to `decimals` places, as its text below reads back: the
// value a computed cell keeps. Non-finite values stay as they are.
double rounded(double value, int decimals);
// The text of `value` rounded to `decimals` places ("2862.8", "500", "0.004").
QString decimalText(double value, int decimals);

} // namespace numbertext
