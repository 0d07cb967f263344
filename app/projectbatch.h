#pragma once

#include "workspace/projectfile.h"

#include <QString>
#include <QStringList>

struct ReportRequest;
struct StartupOptions;
class Workspace;

// A project in a run from a script: its protocols unless -l names others,
// its computed channels, and the view its window showed, which the reports
// then show: the channels shown, the time span and the picture.
class ProjectBatch
{
public:
    // False with the Russian reason when the project cannot be read.
    bool load(const QString& path, QString& error);
    bool isLoaded() const { return m_loaded; }

    // The project's protocols as they are found now; `problems` gets one
    // line per missing one (left out) and `notices` one per changed one.
    QStringList protocols(QStringList& problems, QStringList& notices) const;
    // Before the read: the copied computed channels.
    void prepare(Workspace& workspace) const;
    // Once log.def's own event definitions are read: the project's in their
    // place; false with the Russian reason when they cannot be read.
    bool applyEvents(Workspace& workspace, QString& error) const
    {
        return m_project.applyEvents(workspace, m_path, error);
    }
    // After the read: the view onto the workspace, and the channels, rows
    // and picture span of the request, where the options leave them open.
    void shape(Workspace& workspace, const StartupOptions& options, ReportRequest& request) const;

private:
    ProjectFile m_project;
    QString m_path;
    bool m_loaded = false;
};
