#include "app/platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
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
void systemOpen(const QString& path)
{
#ifdef Q_OS_WIN
    QProcess::startDetached(QStringLiteral("cmd.exe"),
                            {QStringLiteral("/C"), QDir::toNativeSeparators(path)});
#else
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

FileOpener& opener()
{
    static FileOpener current = systemOpen;
    return current;
}
} // namespace

void openFile(const QString& path)
{
    if (opener())
        opener()(path);
}

void setFileOpener(FileOpener replacement)
{
    opener() = std::move(replacement);
}

} // namespace platform
