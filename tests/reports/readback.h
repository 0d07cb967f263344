#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs a reading tool and returns its standard output; empty when it fails.
inline QByteArray runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return QByteArray();
    return process.readAllStandardOutput();
}

// A path that cannot be written: its folder is a plain file.
inline QString unwritablePath(const QString& dir, const QString& name)
{
    const QString blocker = QDir(dir).filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    file.open(QIODevice::WriteOnly);
    return blocker + QLatin1Char('/') + name;
}
