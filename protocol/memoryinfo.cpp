#include "protocol/memoryinfo.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

qint64 availableMemoryBytes()
{
#if defined(Q_OS_WIN)
    MEMORYSTATUSEX status;
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return -1;
    return qint64(status.ullAvailPhys);
#elif defined(Q_OS_LINUX)
    QFile info(QStringLiteral("/proc/meminfo"));
    if (!info.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    while (!info.atEnd()) {
        const QByteArray line = info.readLine();
        if (!line.startsWith("MemAvailable:"))
            continue;
        bool ok = false;
        const qint64 kilobytes = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
        return ok ? kilobytes * 1024 : -1;
    }
    return -1;
#else
    return -1;
#endif
}
