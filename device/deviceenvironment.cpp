#include "device/deviceenvironment.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStorageInfo>
#include <QThread>
#include <QUrl>

namespace device {

QStringList systemSerialPorts()
{
    QStringList names;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& port : ports)
        names.append(port.portName());
    return names;
}

QStringList systemDriveRoots()
{
    QStringList roots;
#ifdef Q_OS_WIN
    const QFileInfoList drives = QDir::drives();
    for (const QFileInfo& drive : drives)
        roots.append(drive.filePath());
#else
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo& volume : volumes) {
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots.append(volume.rootPath());
    }
#endif
    return roots;
}

void systemSleep(int ms)
{
    QThread::msleep(static_cast<unsigned long>(qMax(ms, 0)));
}

void openWithDesktop(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString monitorProgramPath()
{
#ifdef Q_OS_WIN
    return QCoreApplication::applicationDirPath() + QStringLiteral("/DEVMON.exe");
#else
    return QCoreApplication::applicationDirPath() + QStringLiteral("/DEVMON");
#endif
}

} // namespace device
