#include "app/eventscontroller.h"

#include "app/dialogs.h"
#include "app/eventsdialog.h"
#include "app/eventsdock.h"
#include "chart/chartprotocol.h"
#include "events/eventtable.h"
#include "workspace/workspace.h"
#include "workspace/workspaceevents.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <QToolBar>

#include <algorithm>

EventsController::EventsController(Workspace& workspace, DialogsOf dialogs, QMainWindow* window,
                                   Charts charts)
    : QObject(window), m_workspace(workspace), m_dialogs(std::move(dialogs)), m_window(window),
      m_charts(std::move(charts))
{
    m_dock = new EventsDock(window);
    window->addDockWidget(Qt::BottomDockWidgetArea, m_dock);
    m_dock->hide();

    m_edit = new QAction(tr("События…"), this);
    m_edit->setObjectName(QStringLiteral("actEvents"));
    m_edit->setToolTip(tr("Условия событий: когда канал выходит за пределы и надолго ли"));
    m_bookmarks = new QAction(tr("Закладки из событий"), this);
    m_bookmarks->setObjectName(QStringLiteral("actEventBookmarks"));
    m_bookmarks->setToolTip(tr("Закладка в начале каждого события с его именем и длительностью"));
    m_next = new QAction(tr("Следующее событие"), this);
    m_next->setObjectName(QStringLiteral("actNextEvent"));
    m_next->setShortcut(QKeySequence(Qt::Key_F3));
    m_previous = new QAction(tr("Предыдущее событие"), this);
    m_previous->setObjectName(QStringLiteral("actPreviousEvent"));
    m_previous->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    for (QAction* action : {m_next, m_previous}) {
        action->setShortcutContext(Qt::WindowShortcut);
        window->addAction(action);
    }
    m_dock->toolBar()->addAction(m_edit);
    m_dock->toolBar()->addAction(m_bookmarks);
    m_dock->toolBar()->addAction(m_previous);
    m_dock->toolBar()->addAction(m_next);

    connect(m_edit, &QAction::triggered, this, &EventsController::editDefinitions);
    connect(m_bookmarks, &QAction::triggered, this, &EventsController::addBookmarks);
    connect(m_next, &QAction::triggered, this, &EventsController::nextEvent);
    connect(m_previous, &QAction::triggered, this, &EventsController::previousEvent);
    connect(m_dock, &EventsDock::eventChosen, this, &EventsController::goToEvent);
    connect(&workspace.events(), &WorkspaceEvents::changed, this, &EventsController::refresh);
    refresh();
}

void EventsController::addToMenu(QMenu* menu)
{
    if (!menu)
        return;
    menu->addSeparator();
    QAction* show = m_dock->toggleViewAction();
    show->setText(tr("Список событий"));
    show->setObjectName(QStringLiteral("actEventsDock"));
    for (QAction* action : {m_edit, show, m_bookmarks, m_previous, m_next})
        menu->addAction(action);
}

void EventsController::loadDefinitions(const QString& directory, bool interactive)
{
    m_workspace.events().load(directory);
    const QString problem = m_workspace.events().problem();
    if (interactive && !problem.isEmpty() && problem != m_reported)
        m_dialogs().warning(m_window, tr("Внимание!"), problem);
    m_reported = problem;
}

void EventsController::refresh()
{
    m_dock->setTable(m_workspace.events().table());
    const bool any = !m_workspace.events().list().isEmpty();
    for (QAction* action : {m_bookmarks, m_next, m_previous})
        action->setEnabled(any);
    if (!m_workspace.events().definitions().empty() && m_workspace.isLoaded())
        m_dock->show();
    // The window makes its per-channel charts after the load is told.
    QTimer::singleShot(0, this, &EventsController::applyBands);
}

void EventsController::applyBands()
{
    QVector<EventBand> bands;
    const EventDefinitions definitions = m_workspace.events().definitions();
    for (const Event& event : m_workspace.events().list().events)
        bands.append({event.start, event.end, definitions[size_t(event.definition)].color});
    for (ChartProtocol* chart : m_charts())
        chart->setEventBands(bands);
}

void EventsController::goToEvent(int listRow)
{
    const EventList& list = m_workspace.events().list();
    const QList<ChartProtocol*> charts = m_charts();
    if (listRow < 0 || listRow >= list.size() || charts.isEmpty())
        return;
    const Event& event = list.events[size_t(listRow)];
    const ChartProtocol* chart = charts.first();
    const double length = double(std::max<qint64>(event.ticks(), 1));
    ViewState& view = m_workspace.view();
    view.setLine(event.start);
    // The span the chart shows grows with the zoom: twice the event's length,
    // or the narrowest the charts take (a factor above 0.01) for a short one.
    const double span = chart->scaleSettings().visibleSpan;
    if (span > 0)
        view.setZoom(std::max(chart->zoom() * 2 * length / span, 0.0101));
    const double shown = chart->scaleSettings().visibleSpan;
    view.setPosition(double(event.start) + length / 2 - shown / 2);
    m_dock->selectEvent(listRow);
}

void EventsController::nextEvent()
{
    const std::vector<Event>& events = m_workspace.events().list().events;
    const qint64 line = m_workspace.view().line();
    const auto it = std::upper_bound(events.begin(), events.end(), line,
                                     [](qint64 tick, const Event& e) { return tick < e.start; });
    if (it != events.end())
        goToEvent(int(it - events.begin()));
}

void EventsController::previousEvent()
{
    const std::vector<Event>& events = m_workspace.events().list().events;
    const qint64 line = m_workspace.view().line();
    const auto it = std::lower_bound(events.begin(), events.end(), line,
                                     [](const Event& e, qint64 tick) { return e.start < tick; });
    if (it != events.begin())
        goToEvent(int(it - events.begin()) - 1);
}

void EventsController::editDefinitions()
{
    if (m_workspace.events().filePath().isEmpty()) {
        m_dialogs().warning(m_window, tr("Внимание!"),
                            tr("События хранятся рядом с log.def: сначала загрузите настройки "
                               "логера."));
        return;
    }
    EventsDialog dialog(m_workspace.events().definitions(), m_workspace.formulaCodes(), m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString error;
    if (!m_workspace.events().save(dialog.definitions(), error))
        m_dialogs().warning(m_window, tr("Внимание!"), error);
    m_reported.clear();
}

void EventsController::addBookmarks()
{
    const QStringList errors = m_workspace.events().addBookmarks();
    if (!errors.isEmpty())
        m_dialogs().warning(m_window, tr("Внимание!"),
                            tr("Закладки не сохранены:\n%1").arg(errors.join(QLatin1Char('\n'))));
}
