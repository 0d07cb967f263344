#pragma once

#include <Qt>

// Item data role of a table row's time cell: the row's global tick.
constexpr int TickRole = Qt::UserRole + 2;
