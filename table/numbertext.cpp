#include "table/numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace numbertext {

namespace {

// Powers of ten a double holds exactly: raw / 10^rate is then the exact
// decimal rounded once, and the raw digits are its text.
constexpr int kExactRate = 22;

// Results from 10^15 on have more digits than a double keeps for every
// decimal: they are kept as their 15-digit text reads back.
constexpr double kExactLimit = 1e15;

int writeExponent(int exponent, char* p)
{
    const char* start = p;
    *p++ = 'e';
    *p++ = exponent < 0 ? '-' : '+';
    const int e = std::abs(exponent);
    if (e >= 100)
        *p++ = char('0' + e / 100);
    *p++ = char('0' + e / 10 % 10);
    *p++ = char('0' + e % 10);
    return int(p - start);
}

// The exact decimal raw * 10^-rate in the general form with ten digits.
int writeExactRaw(qint32 raw, int rate, char* out)
{
    char* p = out;
    if (raw == 0) {
        *p = '0';
        return 1;
    }
    if (raw < 0)
        *p++ = '-';
    quint32 magnitude = raw < 0 ? 0u - quint32(raw) : quint32(raw);
    char reversed[12];
    int length = 0;
    while (magnitude > 0) {
        reversed[length++] = char('0' + magnitude % 10);
        magnitude /= 10;
    }
    char digits[12];
    for (int i = 0; i < length; ++i)
        digits[i] = reversed[length - 1 - i];
    const int exponent = length - 1 - rate;
    int significant = length;
    while (significant > 1 && digits[significant - 1] == '0')
        --significant;
    if (exponent < -4 || exponent >= loggedDigits) {
        *p++ = digits[0];
        if (significant > 1) {
            *p++ = '.';
            for (int i = 1; i < significant; ++i)
                *p++ = digits[i];
        }
        p += writeExponent(exponent, p);
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

double parsed(const char* text, int length)
{
    double value = 0;
    std::from_chars(text, text + length, value);
    return value;
}

// The decimal exponent of a finite, non-zero value as its 15-digit form has it.
int decimalExponent(double value)
{
    char buffer[40];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                                      std::chars_format::scientific, maxDigits - 1);
    const char* e = std::find(buffer, result.ptr, 'e');
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), result.ptr, exponent);
    return exponent;
}

} // namespace

int write(double value, char* out, int digits)
{
    // Zero and "nan" without a sign, as the toolkit writes them.
    if (value == 0) {
        out[0] = '0';
        return 1;
    }
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);
        return 3;
    }
    const std::to_chars_result result = std::to_chars(
        out, out + 32, value, std::chars_format::general, std::clamp(digits, 1, maxDigits));
    return int(result.ptr - out);
}

QString text(double value, int digits)
{
    char buffer[32];
    return QString::fromLatin1(buffer, write(value, buffer, digits));
}

QString textRaw(qint32 raw, double divisor)
{
    return text(double(raw) / divisor);
}

int writeRaw(qint32 raw, int rate, double divisor, char* out)
{
    return rate >= -kExactRate && rate <= kExactRate ? writeExactRaw(raw, rate, out)
                                                     : write(double(raw) / divisor, out);
}

void setTextRaw(QString& out, qint32 raw, int rate, double divisor)
{
    char buffer[32];
    const int length = writeRaw(raw, rate, divisor, buffer);
    out.resize(length);
    QChar* data = out.data();
    for (int i = 0; i < length; ++i)
        data[i] = QLatin1Char(buffer[i]);
}

double shown(double value, int digits)
{
    if (!std::isfinite(value))
        return value;
    char buffer[32];
    return parsed(buffer, write(value, buffer, digits));
}

double shownRaw(qint32 raw, double divisor)
{
    // Over a whole power of ten the text is the exact decimal, which reads
    // back as the nearest double, the value itself.
    const double value = double(raw) / divisor;
    if (divisor >= 1 && divisor <= 1e22 && divisor == std::floor(divisor))
        return value;
    return shown(value);
}

double rounded(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    const double scale = std::pow(10.0, decimals);
    const double units = value * scale;
    if (std::fabs(units) < kExactLimit)
        return std::round(units) / scale;
    return shown(value, maxDigits);
}

QString decimalText(double value, int decimals)
{
    const double r = rounded(value, decimals);
    if (r == 0 || !std::isfinite(r))
        return text(r);
    return text(r, std::clamp(decimalExponent(r) + 1 + decimals, 1, maxDigits));
}

} // namespace numbertext
