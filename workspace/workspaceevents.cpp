#include "workspace/workspaceevents.h"

#include "events/eventfile.h"
#include "events/eventfinder.h"
#include "events/eventtable.h"
#include "reports/failuretext.h"
#include "table/protocolassembly.h"
#include "workspace/workspace.h"

#include <QDir>

WorkspaceEvents::WorkspaceEvents(Workspace* workspace) : QObject(workspace), m_workspace(workspace)
{
    connect(workspace, &Workspace::loaded, this, &WorkspaceEvents::find);
    connect(workspace, &Workspace::cleared, this, [this] {
        m_list.clear();
        emit changed();
    });
}

WorkspaceEvents::~WorkspaceEvents() = default;

void WorkspaceEvents::load(const QString& directory)
{
    m_path = EventFile::pathIn(directory);
    QString error;
    EventFile::load(m_path, m_file, error);
    m_problem = failuretext::withRussianCause(error, m_path, false);
    find();
}

QString WorkspaceEvents::setOptions(const QStringList& options)
{
    QStringList faults;
    m_options.clear();
    for (const QString& option : options) {
        EventDefinition definition;
        QString error;
        if (!parseEventOption(option, definition, error)) {
            faults.append(error);
            continue;
        }
        definition.color = defaultEventColor(int(definitions().size() + m_options.size()));
        m_options = withEventOverrides(m_options, {definition});
    }
    std::vector<int> refused;
    const EventDefinitions all = definitions();
    const QStringList problems = checkEventDefinitions(all, m_workspace->formulaCodes(), &refused);
    faults += problems;
    find();
    return faults.join(QLatin1Char('\n'));
}

EventDefinitions WorkspaceEvents::definitions() const
{
    return withEventOverrides(m_given ? *m_given : m_file, m_options);
}

void WorkspaceEvents::setDefinitions(const EventDefinitions& definitions)
{
    m_given = definitions;
    find();
}

bool WorkspaceEvents::save(const EventDefinitions& definitions, QString& error)
{
    if (!EventFile::save(m_path, definitions, error)) {
        error = failuretext::withRussianCause(error, m_path, true);
        return false;
    }
    m_problem.clear();
    // The list saved is the whole list in use.
    m_file = definitions;
    m_given.reset();
    m_options.clear();
    find();
    return true;
}

void WorkspaceEvents::find()
{
    const ProtocolAssembly* assembly = m_workspace->assembly();
    if (assembly)
        m_list = EventFinder::find(*assembly, definitions());
    else
        m_list.clear();
    emit changed();
}

EventList WorkspaceEvents::between(qint64 from, qint64 to) const
{
    const ProtocolAssembly* assembly = m_workspace->assembly();
    return assembly ? EventFinder::find(*assembly, definitions(), from, to) : EventList();
}

std::unique_ptr<EventTable> WorkspaceEvents::table() const
{
    const ProtocolAssembly* assembly = m_workspace->assembly();
    if (!assembly)
        return nullptr;
    return std::make_unique<EventTable>(assembly, definitions(), m_list);
}

QStringList WorkspaceEvents::addBookmarks()
{
    const std::unique_ptr<EventTable> events = table();
    if (!events)
        return {};
    QVector<QPair<qint64, QString>> marks;
    for (int row = 0; row < events->rowCount(); ++row)
        marks.append({events->event(row).start, events->bookmarkNote(row)});
    return m_workspace->addBookmarks(marks);
}
