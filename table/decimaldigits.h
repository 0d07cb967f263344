#pragma once

#include <QString>

// The number written by text[at, at + count) in decimal digits; -1 when one
// of them is no digit. Fixed-width date and time fields are read this way,
// which is much faster than a date-time parser with a format string.
inline int decimalDigits(const QString& text, int at, int count)
{
    int value = 0;
    for (int i = at; i < at + count; ++i) {
        const ushort c = text.at(i).unicode();
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}
