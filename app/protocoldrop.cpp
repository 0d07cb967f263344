#include "app/protocoldrop.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isLogDirectory(const QFileInfo& info)
{
    return info.isDir() &&
           QFileInfo(QDir(info.filePath()).filePath(QStringLiteral("log.def"))).isFile();
}

bool isProtocol(const QFileInfo& info)
{
    return info.isFile() && info.suffix().compare(QLatin1String("log"), Qt::CaseInsensitive) == 0;
}

} // namespace

ProtocolDrop ProtocolDrop::fromUrls(const QList<QUrl>& urls)
{
    ProtocolDrop drop;
    QStringList protocols;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            return drop;
        const QFileInfo info(url.toLocalFile());
        if (isProtocol(info))
            protocols.append(QDir::cleanPath(info.absoluteFilePath()));
        else if (urls.size() == 1 && isLogDirectory(info))
            return {Kind::LogDirectory, {QDir::cleanPath(info.absoluteFilePath())}};
        else if (urls.size() == 1 && info.isFile() &&
                 info.suffix().compare(QLatin1String("vtproj"), Qt::CaseInsensitive) == 0)
            return {Kind::Project, {QDir::cleanPath(info.absoluteFilePath())}};
        else
            return drop;
    }
    protocols.removeDuplicates();
    if (!protocols.isEmpty())
        drop = {Kind::Protocols, protocols};
    return drop;
}
