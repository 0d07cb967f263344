#include "app/platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
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
bool systemOpen(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

FileOpener& opener()
{
    static FileOpener current = systemOpen;
    return current;
}
} // namespace

bool openFile(const QString& path)
{
    return opener() && opener()(path);
}

void setFileOpener(FileOpener replacement)
{
    opener() = std::move(replacement);
}

} // namespace platform
