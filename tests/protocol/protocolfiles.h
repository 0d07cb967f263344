#pragma once

#include "protocol/protocolformat.h"

#include <QDir>
#include <QFile>
#include <QVector>

// Test protocol files, written with the program's own format code.
namespace protocolfiles {

inline ProtocolHeader header(const QDateTime& start, quint16 tickMs,
                             const QString& description = QString())
{
    ProtocolHeader result;
    protocolformat::setStart(result, start);
    protocolformat::setDescription(result, description);
    result.tickMs = tickMs;
    return result;
}

inline LogRecord rec(quint8 id, quint32 tick, qint32 value)
{
    LogRecord record;
    record.id = id;
    record.tick = tick;
    record.value = value;
    return record;
}

inline QByteArray bytes(const ProtocolHeader& head, const QVector<LogRecord>& records)
{
    QByteArray out = protocolformat::encodeHeader(head);
    for (const LogRecord& record : records)
        out += protocolformat::encodeRecord(record);
    return out;
}

inline bool write(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

inline bool writeDefinition(const QString& dir, const QByteArray& text)
{
    QDir().mkpath(dir);
    return write(dir + QStringLiteral("/log.def"), text);
}

} // namespace protocolfiles
