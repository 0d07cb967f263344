#include "app/platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QUrl>

#ifdef Q_OS_WIN
#include <windows.h>
#include <vector>
#endif

namespace platform {

QString programVersion()
{
#ifdef Q_OS_WIN
    const std::wstring path = QCoreApplication::applicationFilePath().toStdWString();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0)
        return QString();
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
        return QString();
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
        info->dwSignature != 0xFEEF04BD)
        return QString();
    return QStringLiteral("%1.%2")
        .arg(HIWORD(info->dwFileVersionMS))
        .arg(LOWORD(info->dwFileVersionMS));
#else
    return QStringLiteral("%1.%2").arg(VOLTREK_VERSION_MAJOR).arg(VOLTREK_VERSION_MINOR);
#endif
}

namespace {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// The desktop's opener tells only by its exit status that it found no
// program for the file, so it runs as a child that is waited for without
// blocking. A child still running when the program ends is left to run:
// its object is never deleted then, so the viewer is not killed.
bool systemOpen(const QString& path, const OpenFailed& failed)
{
    // Without a desktop (the offscreen platform) there is nothing to open with.
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland")))
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    auto* process = new QProcess;
    QObject::connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished),
                     [process, failed](int code, QProcess::ExitStatus status) {
                         if ((code != 0 || status != QProcess::NormalExit) && failed)
                             failed();
                         process->deleteLater();
                     });
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(QStringLiteral("xdg-open"), {path});
    if (process->waitForStarted(5000))
        return true;
    delete process;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
#else
bool systemOpen(const QString& path, const OpenFailed&)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
#endif

FileOpener& opener()
{
    static FileOpener current = systemOpen;
    return current;
}
} // namespace

bool openFile(const QString& path, const OpenFailed& failed)
{
    return opener() && opener()(path, failed);
}

void setFileOpener(FileOpener replacement)
{
    opener() = std::move(replacement);
}

} // namespace platform
