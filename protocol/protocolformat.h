#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QtGlobal>

// On-disk layout of a logger protocol file: a fixed header followed by
// fixed-size records, little-endian, no padding.

constexpr int kProtocolHeaderSize = 139;
constexpr int kLogRecordSize = 9;
constexpr int kDescriptionSize = 127;

struct LogRecord
{
    quint8 id = 0;     // channel ID from log.def
    quint32 tick = 0;  // ticks since the header's start date-time
    qint32 value = 0;  // raw value; real value = raw / 10^RATE
};

struct ProtocolHeader
{
    char signature[3] = {'L', 'O', 'G'};
    quint16 year = 0;
    quint8 month = 0;
    quint8 day = 0;
    quint8 hour = 0;
    quint8 minute = 0;
    quint8 second = 0;
    char description[kDescriptionSize] = {};
    quint16 tickMs = 0;
};
