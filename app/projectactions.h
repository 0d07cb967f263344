#pragma once

#include "workspace/projectfile.h"

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <memory>

class Dialogs;
class MainWindow;
class QAction;
class QMenu;
class Workspace;

// "Открыть проект…", "Сохранить проект…" and "Недавние проекты" of the
// "Файл" menu, and the question about a changed project when the window
// closes. A project is the workspace's state with the window's own parts
// (the span shown, the open tab, the docks); the window only forwards.
class ProjectActions : public QObject
{
    Q_OBJECT
public:
    ProjectActions(MainWindow& window, Workspace& workspace, std::unique_ptr<Dialogs>& dialogs);

    // Puts the actions at the top of the menu.
    void addToMenu(QMenu& file);
    // Opens the project: its log definition, protocols and view; a missing
    // or changed protocol is named in one message and the rest opens.
    // `others` are read in place of the project's protocols (-l at start-up).
    bool open(const QString& path, const QStringList& others = {});
    bool save(const QString& path);
    // The project opened or saved last; empty for a plain look at protocols.
    QString currentPath() const { return m_path; }
    // Asked when the window closes: false when the user cancels. Only a
    // project the user opened or saved, and that changed since, is asked about.
    bool confirmClose();
    // What the window shows now, as a project saved at `path`.
    ProjectFile capture(const QString& path) const;

private:
    // A project that holds a comparison opens it in a comparison window.
    bool openComparison(const QString& path, const ProjectFile& project, const QStringList& files,
                        const LocatedProtocols& located);
    void chooseAndOpen();
    void chooseAndSave();
    void fillRecentMenu();
    void remember(const QString& path);
    // The state compared for "changed": the docks' bytes shift as the window settles.
    QJsonObject comparable(const ProjectFile& project) const;

    MainWindow& m_window;
    Workspace& m_workspace;
    std::unique_ptr<Dialogs>& m_dialogs;
    QAction* m_open = nullptr;
    QAction* m_save = nullptr;
    QMenu* m_recent = nullptr;
    QString m_path;
    ProjectFile m_loaded; // keeps what this version does not show
    QJsonObject m_saved;  // as opened or saved, to tell a change
};
