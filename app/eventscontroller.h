#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class ChartProtocol;
class Dialogs;
class EventsDock;
class QAction;
class QMainWindow;
class QMenu;
class Workspace;

// Events in the window: the dock, the dialog "События…", bookmarks from
// the events, the bands on every chart and the steps from event to event
// (F3, Shift+F3). Charts move through the workspace's view state.
class EventsController : public QObject
{
    Q_OBJECT
public:
    using Charts = std::function<QList<ChartProtocol*>()>;

    using DialogsOf = std::function<Dialogs&()>;

    // `charts` lists every chart, the common one first; `dialogs` answers
    // with the window's dialogs of the moment (tests replace them).
    EventsController(Workspace& workspace, DialogsOf dialogs, QMainWindow* window, Charts charts);

    // "События…" and "Закладки из событий" in the menu "График", the
    // dock's switch and the steps after them.
    void addToMenu(QMenu* menu);

    EventsDock* dock() const { return m_dock; }
    QAction* editAction() const { return m_edit; }
    QAction* bookmarksAction() const { return m_bookmarks; }
    QAction* nextAction() const { return m_next; }
    QAction* previousAction() const { return m_previous; }

    // events.def of a log directory; a broken file is said once.
    void loadDefinitions(const QString& directory, bool interactive);
    // The events of the list row fill the middle half of every chart, the
    // value line at their start.
    void goToEvent(int listRow);
    void nextEvent();
    void previousEvent();
    void editDefinitions();
    void addBookmarks();
    // The dock's table and the charts' bands anew; also for charts made later.
    void refresh();

private:
    void applyBands();

    Workspace& m_workspace;
    DialogsOf m_dialogs;
    QMainWindow* m_window;
    Charts m_charts;
    EventsDock* m_dock = nullptr;
    QAction* m_edit = nullptr;
    QAction* m_bookmarks = nullptr;
    QAction* m_next = nullptr;
    QAction* m_previous = nullptr;
    QString m_reported; // the last file problem shown
};
