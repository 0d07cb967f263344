#pragma once

#include <QString>

// The value filter of one channel: its title and inclusive bounds.
struct Range
{
    QString name;
    double from = 0;
    double to = 0;
};
