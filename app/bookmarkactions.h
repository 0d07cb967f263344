#pragma once

#include <QModelIndex>
#include <QObject>
#include <QStringList>

#include <memory>

class ChartTabs;
class Dialogs;
class QAction;
class QMainWindow;
class Workspace;
namespace Ui {
class MainWindow;
}

// The bookmark actions of the charts and the table: they send the user's
// marks and notes to the workspace, which keeps them, and show the
// workspace's bookmarks on every chart and in the actions' states.
class BookmarkActions : public QObject
{
    Q_OBJECT
public:
    BookmarkActions(Ui::MainWindow& ui, Workspace& workspace,
                    const std::unique_ptr<Dialogs>& dialogs, ChartTabs& charts,
                    QMainWindow* window);

    // Enables the bookmark actions and buttons for the value line and the
    // current bookmark of the common chart.
    void updateEnabled();
    // A bookmark on the value line, and away with the current one.
    void addAtLine();
    void deleteCurrent();
    // The table's buttons act on the bookmark of the current row.
    void addAtCurrentRow();
    void deleteAtCurrentRow();
    // A row clicked: every chart goes to its tick.
    void rowClicked(const QModelIndex& index);
    // Marks or unmarks a tick of a table row; false when there is no such
    // row or nothing to change.
    bool tryAdd(qint64 x);
    bool tryDelete(qint64 x);
    void editNote(qint64 x);
    // Says which bookmark files of the new view could not be read.
    void showProblems();
    // The workspace's bookmarks on every chart.
    void showStored();

signals:
    // The bookmarks the statistics may span have changed.
    void statisticsStale();

private:
    void setupNoteAction();
    void setupUndoAction();
    void reportErrors(const QStringList& errors);

    Ui::MainWindow& ui;
    Workspace& m_workspace;
    const std::unique_ptr<Dialogs>& m_dialogs;
    ChartTabs& m_charts;
    QMainWindow* m_window;
    QAction* m_undo = nullptr; // Ctrl+Z: the last bookmark change
};
