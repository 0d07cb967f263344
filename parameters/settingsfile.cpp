#include "parameters/settingsfile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString settingsFilePath()
{
    const QString name = QStringLiteral("settings.conf");
    const QFileInfo local(name);
    if (local.isFile())
        return local.absoluteFilePath();
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).filePath(name);
}
