#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// The places the program remembers between runs, in the user's settings: the
// last log directory whose definition was applied, the folder the last
// report went to, and how the protocol tab is split between its two tables.
class RememberedPlaces
{
public:
    explicit RememberedPlaces(const QString& settingsFile);

    // getters: empty when nothing was remembered yet
    QString logDirectory() const;
    QString reportDirectory() const;
    QByteArray tableSplit() const;
    // The projects opened or saved last, newest first, at most kRecentProjects.
    QStringList recentProjects() const;
    static constexpr int kRecentProjects = 8;

    // setters:
    void setLogDirectory(const QString& directory);
    void setReportDirectory(const QString& directory);
    void setTableSplit(const QByteArray& state);
    // Puts the project first in the recent list (once); forget() takes it out.
    void addRecentProject(const QString& path);
    void forgetRecentProject(const QString& path);

private:
    QString m_file;
};

// Whether a directory holds a log definition ("log.def") to apply.
bool hasLogDefinition(const QString& directory);

// The log directory to start with: the one given with "-d"; else the
// default one if it holds a definition; else the remembered one if it still
// holds one; else the default, whose missing definition is then reported.
QString startDirectory(const QString& option, const QString& byDefault, const QString& remembered);

// The name a report is offered under: the protocol's start as protocol files
// are named ("2024_03_11_08_00_00.xlsx"), in the given folder.
QString suggestedReportPath(const QDateTime& start, const QString& folder, const QString& suffix);
