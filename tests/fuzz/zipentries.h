#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <zlib.h>

// The entries of a zip archive, read in-process (an unzip process per part
// would cost more than everything else a fuzz run does). Stored and deflated
// entries only, as a workbook writer makes them; empty when the archive is
// broken.
namespace fuzz {

inline quint32 zipNumber(const QByteArray& bytes, qint64 at, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | quint8(bytes[int(at + i)]);
    return value;
}

inline QByteArray inflated(const char* data, quint32 size, quint32 expected)
{
    QByteArray out(int(expected), '\0');
    z_stream stream = {};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return {};
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    stream.avail_in = size;
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = expected;
    const int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    return result == Z_STREAM_END && stream.total_out == expected ? out : QByteArray();
}

inline QMap<QString, QByteArray> zipEntries(const QByteArray& zip)
{
    QMap<QString, QByteArray> entries;
    // End of the central directory: 22 bytes, no archive comment.
    const qint64 end = zip.size() - 22;
    if (end < 0 || zipNumber(zip, end, 4) != 0x06054b50)
        return {};
    const int count = int(zipNumber(zip, end + 10, 2));
    qint64 at = zipNumber(zip, end + 16, 4);
    for (int i = 0; i < count; ++i) {
        if (at + 46 > zip.size() || zipNumber(zip, at, 4) != 0x02014b50)
            return {};
        const quint32 method = zipNumber(zip, at + 10, 2);
        const quint32 packed = zipNumber(zip, at + 20, 4);
        const quint32 size = zipNumber(zip, at + 24, 4);
        const int nameSize = int(zipNumber(zip, at + 28, 2));
        const qint64 local = zipNumber(zip, at + 42, 4);
        const QString name = QString::fromUtf8(zip.mid(int(at + 46), nameSize));
        at += 46 + nameSize + zipNumber(zip, at + 30, 2) + zipNumber(zip, at + 32, 2);
        if (local + 30 > zip.size())
            return {};
        const qint64 data =
            local + 30 + zipNumber(zip, local + 26, 2) + zipNumber(zip, local + 28, 2);
        if (data + packed > zip.size())
            return {};
        if (method == 0)
            entries.insert(name, zip.mid(int(data), int(packed)));
        else if (method == 8)
            entries.insert(name, inflated(zip.constData() + data, packed, size));
        else
            return {};
    }
    return entries;
}

} // namespace fuzz
