#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTypeInfo>
#include <QtGlobal>

// On-disk layout of a logger protocol file: a fixed header followed by
// fixed-size records, little-endian, no padding. Everything here works on
// bytes one at a time, so the layout never depends on the compiler's
// struct packing or on the machine's byte order.

constexpr int kProtocolHeaderSize = 139;
constexpr int kLogRecordSize = 9;
constexpr int kDescriptionSize = 127;

struct LogRecord
{
    quint8 id = 0;    // channel ID from log.def
    quint32 tick = 0; // ticks since the header's start date-time
    qint32 value = 0; // raw value; real value = raw / 10^RATE
};
// Plain bytes: containers may copy it with memcpy and zero-fill new ones.
Q_DECLARE_TYPEINFO(LogRecord, Q_PRIMITIVE_TYPE);

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

namespace protocolformat {

inline quint32 readUInt32(const uchar* bytes)
{
    return quint32(bytes[0]) | quint32(bytes[1]) << 8 | quint32(bytes[2]) << 16 |
           quint32(bytes[3]) << 24;
}

inline void writeUInt32(quint32 value, uchar* bytes)
{
    bytes[0] = uchar(value);
    bytes[1] = uchar(value >> 8);
    bytes[2] = uchar(value >> 16);
    bytes[3] = uchar(value >> 24);
}

// `bytes` holds at least kLogRecordSize bytes.
inline void decodeRecordInto(const uchar* bytes, LogRecord& record)
{
    record.id = bytes[0];
    record.tick = readUInt32(bytes + 1);
    record.value = qint32(readUInt32(bytes + 5));
}

inline LogRecord decodeRecord(const uchar* bytes)
{
    LogRecord record;
    decodeRecordInto(bytes, record);
    return record;
}

inline void encodeRecord(const LogRecord& record, uchar* bytes)
{
    bytes[0] = record.id;
    writeUInt32(record.tick, bytes + 1);
    writeUInt32(quint32(record.value), bytes + 5);
}

QByteArray encodeRecord(const LogRecord& record);

// `bytes` holds at least kProtocolHeaderSize bytes.
ProtocolHeader decodeHeader(const uchar* bytes);
QByteArray encodeHeader(const ProtocolHeader& header);

bool hasSignature(const ProtocolHeader& header);

// The header's date and time (local time, 0 ms); invalid when either the
// date or the time is not a real one. A time in the hour that the start of
// summer time skips is read with the offset before the change.
QDateTime startOf(const ProtocolHeader& header);
void setStart(ProtocolHeader& header, const QDateTime& start);

// The description field is CP1251 text up to its first NUL.
QString description(const ProtocolHeader& header);
// Characters CP1251 lacks become '?'; the text is cut so that it and its
// terminating NUL fit the field; the rest of the field is zeroed.
void setDescription(ProtocolHeader& header, const QString& text);

// "yyyy_MM_dd_hh_mm_ss.log", the name of a protocol started at `start`.
QString fileNameFor(const QDateTime& start);

} // namespace protocolformat
