#pragma once

#include "protocol/protocolformat.h"

#include <functional>

#include <QDir>
#include <QFile>

// Fills `dir` with `count` protocols an hour apart, the i-th carrying
// records(i) records of filler; false when one cannot be written.
inline bool writeHourlyProtocols(const QString& dir, int count,
                                 const std::function<int(int)>& records)
{
    for (int i = 0; i < count; ++i) {
        const QDateTime start = QDateTime(QDate(2024, 1, 1), QTime(0, 0)).addSecs(i * 3600);
        ProtocolHeader header;
        protocolformat::setStart(header, start);
        protocolformat::setDescription(header, QStringLiteral("Протокол %1").arg(i));
        header.tickMs = 100;
        const QByteArray bytes =
            protocolformat::encodeHeader(header) + QByteArray(9 * records(i), '\1');
        QFile file(QDir(dir).filePath(protocolformat::fileNameFor(start)));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
    }
    return true;
}
