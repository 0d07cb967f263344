#include "table/numbertext.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace numbertext {

namespace {

constexpr int kDigits = 6;

// printf's %g rules, which QString::number's 'g' follows: exponent form
// below 1e-4 and from 1e6 on, trailing zeros dropped, two exponent digits at
// least. Ties go to even here.
int writeGeneral(double value, char* out)
{
    const std::to_chars_result result =
        std::to_chars(out, out + 32, value, std::chars_format::general, kDigits);
    return int(result.ptr - out);
}

// Moves an exact tie off its halfway point, away from zero, so that the
// rounding to six digits goes where the toolkit's does.
double awayFromTie(double value)
{
    return std::nextafter(value, value < 0 ? -std::numeric_limits<double>::infinity()
                                           : std::numeric_limits<double>::infinity());
}

// Whether the exact value lies halfway between two six-digit texts.
bool isTie(double value)
{
    if (value == 0 || !std::isfinite(value))
        return false;
    char digits[64];
    const std::to_chars_result result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::scientific, 30);
    const char* p = digits + (digits[0] == '-' ? 1 : 0);
    // "d.ddddd5000…e±x": the seventh significant digit a 5, zeros after it.
    int significant = 0;
    bool tie = false;
    for (; p < result.ptr && *p != 'e'; ++p) {
        if (*p == '.')
            continue;
        ++significant;
        if (significant == kDigits + 1)
            tie = *p == '5';
        else if (significant > kDigits + 1 && *p != '0')
            return false;
    }
    return tie;
}

} // namespace

int write(double value, char* out)
{
    return writeGeneral(isTie(value) ? awayFromTie(value) : value, out);
}

QString text(double value)
{
    char buffer[32];
    return QString::fromLatin1(buffer, write(value, buffer));
}

QString textRaw(qint32 raw, double divisor)
{
    double value = double(raw) / divisor;
    const quint32 magnitude = raw < 0 ? 0u - quint32(raw) : quint32(raw);
    if (magnitude >= 1000000) {
        // Seven digits or more: halfway in decimal, and exactly so in binary?
        quint32 unit = 1;
        while (magnitude / unit >= 1000000)
            unit *= 10;
        if (magnitude % unit == unit / 2 && isTie(value))
            value = awayFromTie(value);
    } else if (!(divisor >= 1 && divisor == std::floor(divisor))) {
        if (isTie(value))
            value = awayFromTie(value);
    }
    char buffer[32];
    return QString::fromLatin1(buffer, writeGeneral(value, buffer));
}

double shown(double value)
{
    char buffer[32];
    const int length = write(value, buffer);
    double parsed = 0;
    std::from_chars(buffer, buffer + length, parsed);
    return parsed;
}

double shownRaw(qint32 raw, double divisor)
{
    // At most six digits over a whole power of ten: the six-digit text is the
    // exact decimal, which reads back as the nearest double, the value itself.
    const double value = double(raw) / divisor;
    if (raw > -1000000 && raw < 1000000 && divisor >= 1 && divisor <= 1e22 &&
        divisor == std::floor(divisor))
        return value;
    return shown(value);
}

} // namespace numbertext
