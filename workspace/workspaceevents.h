#pragma once

#include "events/eventdefinition.h"
#include "events/eventlist.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class EventTable;
class Workspace;

// The events of a workspace: the definitions of events.def beside log.def
// with those given on the command line over them, and the events they find
// in the loaded protocols, found again on every load and every change of
// the definitions.
class WorkspaceEvents : public QObject
{
    Q_OBJECT
public:
    explicit WorkspaceEvents(Workspace* workspace);
    ~WorkspaceEvents() override;

    // events.def of the directory; a broken file is reported by problem()
    // and kept until a save replaces it.
    void load(const QString& directory);
    QString filePath() const { return m_path; }
    QString problem() const { return m_problem; }
    // Faults naming each refused option "NAME=EXPR[;min=…][;join=…]".
    QString setOptions(const QStringList& options);

    // getters:
    // The definitions in use: the file's with the options over them.
    EventDefinitions definitions() const;
    const EventList& list() const { return m_list; }
    // A table of the events over the loaded data (null when none is loaded).
    std::unique_ptr<EventTable> table() const;
    // The events between two ticks, for a report's range.
    EventList between(qint64 from, qint64 to) const;

    // setters:
    // Uses the definitions (a project's) in place of the file's, without
    // writing it, until a save; a later load of events.def does not undo it.
    void setDefinitions(const EventDefinitions& definitions);
    // Writes events.def and uses the definitions; false with the reason in
    // Russian, the old file kept.
    bool save(const EventDefinitions& definitions, QString& error);

    // The bookmarks of the events' starts with notes "NAME, 00:00:01.250",
    // added in one step that one undo takes back; English errors of files
    // that could not be written.
    QStringList addBookmarks();

signals:
    void changed();

private:
    void find();

    Workspace* m_workspace;
    QString m_path;
    QString m_problem;
    EventDefinitions m_file;
    std::optional<EventDefinitions> m_given; // a project's, over the file's
    EventDefinitions m_options;
    EventList m_list;
};
