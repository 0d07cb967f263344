#pragma once

#include <QtGlobal>

// Physical memory the system could still give this process, in bytes; -1
// where the system does not say.
qint64 availableMemoryBytes();
