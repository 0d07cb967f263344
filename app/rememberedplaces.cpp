#include "app/rememberedplaces.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
const char kLogDirectory[] = "Places/LogDirectory";
const char kReportDirectory[] = "Places/ReportDirectory";
const char kTableSplit[] = "Window/TableSplitter";
const char kRecentProjectsKey[] = "Places/RecentProjects";
} // namespace

RememberedPlaces::RememberedPlaces(const QString& settingsFile) : m_file(settingsFile) {}

QString RememberedPlaces::logDirectory() const
{
    return QSettings(m_file, QSettings::IniFormat).value(kLogDirectory).toString();
}

QString RememberedPlaces::reportDirectory() const
{
    return QSettings(m_file, QSettings::IniFormat).value(kReportDirectory).toString();
}

QByteArray RememberedPlaces::tableSplit() const
{
    return QSettings(m_file, QSettings::IniFormat).value(kTableSplit).toByteArray();
}

void RememberedPlaces::setLogDirectory(const QString& directory)
{
    QSettings(m_file, QSettings::IniFormat).setValue(kLogDirectory, directory);
}

void RememberedPlaces::setReportDirectory(const QString& directory)
{
    QSettings(m_file, QSettings::IniFormat).setValue(kReportDirectory, directory);
}

void RememberedPlaces::setTableSplit(const QByteArray& state)
{
    QSettings(m_file, QSettings::IniFormat).setValue(kTableSplit, state);
}

bool hasLogDefinition(const QString& directory)
{
    return !directory.isEmpty() &&
           QFileInfo(QDir(directory).filePath(QStringLiteral("log.def"))).isFile();
}

QString startDirectory(const QString& option, const QString& byDefault, const QString& remembered)
{
    if (!option.isEmpty())
        return option;
    if (!hasLogDefinition(byDefault) && hasLogDefinition(remembered))
        return remembered;
    return byDefault;
}

QString suggestedReportPath(const QDateTime& start, const QString& folder, const QString& suffix)
{
    const QString name = start.isValid() ? start.toString(QStringLiteral("yyyy_MM_dd_hh_mm_ss"))
                                         : QStringLiteral("report");
    return QDir(folder).filePath(name + QLatin1Char('.') + suffix);
}

QStringList RememberedPlaces::recentProjects() const
{
    return QSettings(m_file, QSettings::IniFormat).value(kRecentProjectsKey).toStringList();
}

void RememberedPlaces::addRecentProject(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList recent = recentProjects();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > kRecentProjects)
        recent.removeLast();
    QSettings(m_file, QSettings::IniFormat).setValue(kRecentProjectsKey, recent);
}

void RememberedPlaces::forgetRecentProject(const QString& path)
{
    QStringList recent = recentProjects();
    recent.removeAll(QFileInfo(path).absoluteFilePath());
    QSettings(m_file, QSettings::IniFormat).setValue(kRecentProjectsKey, recent);
}
