#include "table/numbertext.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace numbertext {

namespace {

constexpr int kDigits = 6;

// printf's %g rules, which QString::number's 'g' follows: exponent form
// below 1e-4 and from 1e6 on, trailing zeros dropped, two exponent digits at
// least. Ties go to even here.
int writeGeneral(double value, char* out)
{
    // The toolkit writes zero and "nan" without a sign.
    if (value == 0) {
        out[0] = '0';
        return 1;
    }
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);
        return 3;
    }
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

namespace {

// A raw value of at most six digits over 10^rate is an exact decimal with at
// most six significant digits: its text is the raw digits with the point
// moved, no rounding involved.
int writeShortRaw(qint32 raw, int rate, char* out)
{
    char* p = out;
    if (raw == 0) {
        *p = '0';
        return 1;
    }
    if (raw < 0)
        *p++ = '-';
    quint32 magnitude = raw < 0 ? 0u - quint32(raw) : quint32(raw);
    char digits[8];
    int length = 0;
    char reversed[8];
    while (magnitude > 0) {
        reversed[length++] = char('0' + magnitude % 10);
        magnitude /= 10;
    }
    for (int i = 0; i < length; ++i)
        digits[i] = reversed[length - 1 - i];
    const int exponent = length - 1 - rate;
    int significant = length;
    while (significant > 1 && digits[significant - 1] == '0')
        --significant;
    if (exponent < -4) {
        *p++ = digits[0];
        if (significant > 1) {
            *p++ = '.';
            for (int i = 1; i < significant; ++i)
                *p++ = digits[i];
        }
        *p++ = 'e';
        *p++ = '-';
        const int e = -exponent;
        if (e >= 100)
            *p++ = char('0' + e / 100);
        *p++ = char('0' + e / 10 % 10);
        *p++ = char('0' + e % 10);
    } else if (exponent >= 0) {
        for (int i = 0; i <= exponent; ++i)
            *p++ = i < length ? digits[i] : '0';
        if (significant > exponent + 1) {
            *p++ = '.';
            for (int i = exponent + 1; i < significant; ++i)
                *p++ = digits[i];
        }
    } else {
        *p++ = '0';
        *p++ = '.';
        for (int i = 0; i < -exponent - 1; ++i)
            *p++ = '0';
        for (int i = 0; i < significant; ++i)
            *p++ = digits[i];
    }
    return int(p - out);
}

} // namespace

void setTextRaw(QString& out, qint32 raw, int rate, double divisor)
{
    char buffer[32];
    int length = 0;
    if (raw > -1000000 && raw < 1000000 && rate >= 0 && rate <= 22) {
        length = writeShortRaw(raw, rate, buffer);
    } else {
        const QString text = textRaw(raw, divisor);
        out = text;
        return;
    }
    out.resize(length);
    QChar* data = out.data();
    for (int i = 0; i < length; ++i)
        data[i] = QLatin1Char(buffer[i]);
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
