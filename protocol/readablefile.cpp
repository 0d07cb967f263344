#include "protocol/readablefile.h"

#include <QFileInfo>

#include <algorithm>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace {

// What a path that is no regular file is; empty for a regular file.
QString nonRegularKind(const QString& path)
{
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("a folder");
    return info.isFile() ? QString() : QStringLiteral("a device");
#else
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return QString(); // the open that follows names the reason
    if (S_ISREG(status.st_mode))
        return QString();
    if (S_ISDIR(status.st_mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(status.st_mode))
        return QStringLiteral("a FIFO");
    if (S_ISSOCK(status.st_mode))
        return QStringLiteral("a socket");
    return QStringLiteral("a device");
#endif
}

readablefile::Status status(readablefile::Result result, const QString& detail = QString())
{
    readablefile::Status status;
    status.result = result;
    status.detail = detail;
    return status;
}

} // namespace

namespace readablefile {

QString Status::englishReason() const
{
    switch (result) {
    case Result::Opened:
        return QString();
    case Result::Missing:
        return QStringLiteral("No such file or directory");
    case Result::NotRegular:
        return QStringLiteral("not a regular file but %1").arg(detail);
    case Result::CannotOpen:
        return detail;
    case Result::TooLarge:
        return QStringLiteral("file too large");
    }
    return QString();
}

QString Status::russianReason() const
{
    switch (result) {
    case Result::Opened:
        return QString();
    case Result::Missing:
        return QStringLiteral("файл не найден");
    case Result::NotRegular: {
        QString kind = QStringLiteral("устройство");
        if (detail == QLatin1String("a folder"))
            kind = QStringLiteral("папка");
        else if (detail == QLatin1String("a FIFO"))
            kind = QStringLiteral("канал FIFO");
        else if (detail == QLatin1String("a socket"))
            kind = QStringLiteral("сокет");
        return QStringLiteral("это не обычный файл, а %1").arg(kind);
    }
    case Result::CannotOpen:
        return QStringLiteral("файл не открывается (%1)").arg(detail);
    case Result::TooLarge:
        return QStringLiteral("файл слишком велик");
    }
    return QString();
}

Status open(QFile& file, const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return status(Result::Missing);
    const QString kind = nonRegularKind(path);
    if (!kind.isEmpty())
        return status(Result::NotRegular, kind);
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return status(Result::CannotOpen, file.errorString());
    return status(Result::Opened);
}

Status readAll(const QString& path, qint64 maxBytes, QByteArray& bytes)
{
    bytes.clear();
    QFile file;
    Status opened = open(file, path);
    if (!opened.ok())
        return opened;
    // Chunk by chunk up to one byte past the bound: a file that claims a
    // small size but keeps giving stops there.
    constexpr qint64 kChunk = 1 << 16;
    for (;;) {
        const qint64 room = maxBytes + 1 - bytes.size();
        if (room <= 0)
            break;
        const QByteArray chunk = file.read(std::min(kChunk, room));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (file.error() != QFileDevice::NoError) {
        bytes.clear();
        return status(Result::CannotOpen, file.errorString());
    }
    if (bytes.size() > maxBytes) {
        bytes.clear();
        return status(Result::TooLarge);
    }
    return opened;
}

} // namespace readablefile
