#include "device/deviceenvironment.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
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
    constexpr int kSliceMs = 50;
    QElapsedTimer elapsed;
    elapsed.start();
    while (!elapsed.hasExpired(ms)) {
        processPendingEvents();
        const qint64 left = ms - elapsed.elapsed();
        QThread::msleep(static_cast<unsigned long>(qBound<qint64>(0, left, kSliceMs)));
    }
}

void processPendingEvents()
{
    QCoreApplication::processEvents();
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
