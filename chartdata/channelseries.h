#pragma once

#include <QtGlobal>

#include <utility>
#include <vector>

// One channel of one protocol file: (global tick, real value) pairs in
// ascending tick order.
using ChannelSeries = std::vector<std::pair<qint64, double>>;
