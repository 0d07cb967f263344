#include "table/numbertext.h"

#include <charconv>

namespace numbertext {

int write(double value, char* out)
{
    // printf's %g rules, which QString::number's 'g' follows: exponent form
    // below 1e-4 and from 1e6 on, trailing zeros dropped, two exponent digits
    // at least.
    const std::to_chars_result result =
        std::to_chars(out, out + 32, value, std::chars_format::general, 6);
    return int(result.ptr - out);
}

QString text(double value)
{
    char buffer[32];
    return QString::fromLatin1(buffer, write(value, buffer));
}

double shown(double value)
{
    char buffer[32];
    const int length = write(value, buffer);
    double parsed = 0;
    std::from_chars(buffer, buffer + length, parsed);
    return parsed;
}

} // namespace numbertext
