#include "app/bookmarkactions.h"

#include "app/charttabs.h"
#include "app/dialogs.h"
#include "chart/chartprotocol.h"
#include "reports/failuretext.h"
#include "table/protocoltablemodel.h"
#include "table/timetextformatter.h"
#include "workspace/workspace.h"

#include "ui_mainwindow.h"

#include <QDir>
#include <QSignalBlocker>
#include <QStatusBar>

namespace {
QString problemText(const BookmarkStore::Problem& problem)
{
    const QString name = QDir::toNativeSeparators(problem.path);
    switch (problem.status) {
    case BookmarkFile::Status::CannotOpen:
        return QObject::tr("%1 не открывается").arg(name);
    case BookmarkFile::Status::Foreign:
        return QObject::tr("%1 относится к другому протоколу").arg(name);
    case BookmarkFile::Status::Corrupt:
    default:
        return QObject::tr("%1 поврежден").arg(name);
    }
}
} // namespace

BookmarkActions::BookmarkActions(Ui::MainWindow& form, Workspace& workspace,
                                 const std::unique_ptr<Dialogs>& dialogs, ChartTabs& charts,
                                 QMainWindow* window)
    : ui(form), m_workspace(workspace), m_dialogs(dialogs), m_charts(charts), m_window(window)
{
    setupNoteAction();
    setupUndoAction();
    ChartProtocol* chart = ui.chart;
    connect(ui.actBookmark, &QAction::triggered, chart, &ChartProtocol::goToBookmark);
    connect(ui.actBookmarkNext, &QAction::triggered, chart, &ChartProtocol::nextBookmark);
    connect(ui.actBookmarkPrevious, &QAction::triggered, chart, &ChartProtocol::previousBookmark);
    connect(chart, &ChartProtocol::bookmarkChanged, this, &BookmarkActions::updateEnabled);
    connect(chart, &ChartProtocol::lineValueXChanged, this, &BookmarkActions::updateEnabled);
    // A chart's own edit, handed to the workspace, which redraws them all.
    connect(chart, &ChartProtocol::bookmarksEdited, this,
            [this] { reportErrors(m_workspace.setBookmarkTicks(ui.chart->bookmarks())); });
    connect(&m_workspace, &Workspace::bookmarksChanged, this, &BookmarkActions::showStored);
    connect(&charts, &ChartTabs::bookmarkNoteRequested, this, &BookmarkActions::editNote);
    connect(&charts, &ChartTabs::lineShown, this, &BookmarkActions::updateEnabled);
}

void BookmarkActions::setupNoteAction()
{
    // The table's own menu: the note of the bookmark in the current row.
    auto* note = new QAction(tr("Заметка к закладке…"), ui.twEntry);
    note->setObjectName(QStringLiteral("actBookmarkNoteTable"));
    ui.twEntry->addAction(note);
    ui.twEntry->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(note, &QAction::triggered, this, [this] {
        const ProtocolTableModel& model = *m_workspace.tableModel();
        const int current = ui.twEntry->currentIndex().row();
        if (current < 0 || current >= model.rowCount())
            return;
        const int row = model.globalRowOf(current);
        if (model.isMarked(row))
            editNote(model.tick(row));
    });
}

void BookmarkActions::setupUndoAction()
{
    // Takes back the last change of the bookmarks or their notes, files included.
    m_undo = new QAction(tr("Отменить"), m_window);
    m_undo->setObjectName(QStringLiteral("actBookmarkUndo"));
    m_undo->setToolTip(tr("Отменить последнее изменение закладок"));
    m_undo->setShortcut(QKeySequence::Undo);
    m_undo->setEnabled(false);
    m_window->addAction(m_undo);
    ui.chart->addAction(m_undo);
    connect(m_undo, &QAction::triggered, this,
            [this] { reportErrors(m_workspace.undoBookmarks()); });
}

void BookmarkActions::showProblems()
{
    const QVector<BookmarkStore::Problem>& problems = m_workspace.bookmarkProblems();
    if (problems.isEmpty())
        return;
    QStringList texts;
    for (const BookmarkStore::Problem& problem : problems)
        texts.append(problemText(problem));
    m_window->statusBar()->showMessage(
        tr("Закладки не прочитаны: %1").arg(texts.join(QStringLiteral("; "))));
}

void BookmarkActions::showStored()
{
    const QVector<qint64>& ticks = m_workspace.bookmarkTicks();
    for (ChartProtocol* chart : m_charts.allCharts()) {
        const QSignalBlocker blocker(chart);
        chart->setBookmarks(ticks);
    }
    updateEnabled();
    emit statisticsStale();
    m_undo->setEnabled(m_workspace.canUndoBookmarks());
}

void BookmarkActions::reportErrors(const QStringList& errors)
{
    if (errors.isEmpty())
        return;
    QStringList texts;
    for (const QString& error : errors)
        texts.append(failuretext::russianFailure(error));
    m_window->statusBar()->showMessage(
        tr("Закладки не сохранены: %1").arg(texts.join(QStringLiteral("; "))));
}

void BookmarkActions::editNote(qint64 x)
{
    if (!m_workspace.hasBookmark(x))
        return;
    QString note = m_workspace.bookmarkNote(x);
    const QString time = ui.chart->startDateTime()
                             .addMSecs(x * ui.chart->tickLength())
                             .toString(TimeTextFormatter::format());
    if (!m_dialogs->getText(m_window, tr("Заметка к закладке"), time, note))
        return;
    reportErrors(m_workspace.setBookmarkNote(x, note.trimmed()));
}

void BookmarkActions::rowClicked(const QModelIndex& index)
{
    const ProtocolTableModel& model = *m_workspace.tableModel();
    if (!index.isValid() || !index.model() || index.row() >= model.rowCount())
        return;
    const int row = model.globalRowOf(index.row());
    const qint64 tick = model.tick(row);

    m_workspace.view().setPosition(tick - 0.5 * ui.chart->scaleSettings().visibleSpan);
    m_charts.lineValueXChartsChanged(tick);

    const bool marked = model.isMarked(row);
    ui.buttonBookmarkAddTable->setEnabled(!marked);
    ui.buttonBookmarkDeleteTable->setEnabled(marked);
    if (marked)
        ui.chart->addBookmark(tick);
}

void BookmarkActions::addAtCurrentRow()
{
    const ProtocolTableModel& model = *m_workspace.tableModel();
    const int current = ui.twEntry->currentIndex().row();
    if (current < 0 || current >= model.rowCount())
        return;
    // The chart hands the new bookmark to the workspace, which marks the row;
    // the mark may move the row when the table is sorted by marks.
    ui.chart->addBookmark(model.tick(model.globalRowOf(current)));
    emit ui.twEntry->clicked(ui.twEntry->currentIndex());
}

void BookmarkActions::deleteAtCurrentRow()
{
    const ProtocolTableModel& model = *m_workspace.tableModel();
    const int current = ui.twEntry->currentIndex().row();
    if (current < 0 || current >= model.rowCount())
        return;
    const int row = model.globalRowOf(current);
    if (!model.isMarked(row))
        return;
    ui.chart->deleteBookmark(model.tick(row));
    updateEnabled();
    emit ui.twEntry->clicked(ui.twEntry->currentIndex());
}

bool BookmarkActions::tryAdd(qint64 x)
{
    // The table's marks follow the workspace's bookmarks.
    if (m_workspace.tableModel()->firstRowOfTick(x) < 0 || m_workspace.hasBookmark(x))
        return false;
    m_workspace.addBookmark(x);
    return true;
}

bool BookmarkActions::tryDelete(qint64 x)
{
    if (m_workspace.tableModel()->firstRowOfTick(x) < 0 || !m_workspace.hasBookmark(x))
        return false;
    m_workspace.deleteBookmark(x);
    return true;
}

void BookmarkActions::updateEnabled()
{
    const ChartProtocol& chart = *ui.chart;
    const qint64 line = chart.lineValueX();
    // With nothing loaded there is nothing to mark.
    const bool loaded = chart.channelCount() > 0;

    // Bookmarks read with their protocol have no current one yet: the keys
    // work from the value line.
    ui.actBookmark->setEnabled(chart.targetBookmark() >= 0);
    ui.actBookmarkNext->setEnabled(chart.nextBookmarkTick() >= 0);
    ui.actBookmarkPrevious->setEnabled(chart.previousBookmarkTick() >= 0);
    ui.actBookmarkAdd->setEnabled(loaded && line >= 1 && !chart.bookmarks().contains(line));
    ui.actBookmarkDelete->setEnabled(chart.currentBookmark() >= 0);

    ui.buttonBookmark->setEnabled(ui.actBookmark->isEnabled());
    ui.buttonBookmarkNext->setEnabled(ui.actBookmarkNext->isEnabled());
    ui.buttonBookmarkPrevious->setEnabled(ui.actBookmarkPrevious->isEnabled());
    ui.buttonBookmarkAdd->setEnabled(ui.actBookmarkAdd->isEnabled());
    ui.buttonBookmarkDelete->setEnabled(ui.actBookmarkDelete->isEnabled());
}

void BookmarkActions::addAtLine()
{
    const qint64 x = ui.chart->lineValueX();
    if (x <= 0 || ui.chart->channelCount() == 0)
        return;
    ui.chart->addBookmark(x);
}

void BookmarkActions::deleteCurrent()
{
    const qint64 current = ui.chart->currentBookmark();
    if (current < 0)
        return;
    ui.chart->deleteBookmark(current);
    updateEnabled();
}
