#include "app/mainwindow.h"

#include "app/failuretext.h"
#include "chart/chartprotocol.h"
#include "table/protocoltablemodel.h"
#include "table/timetextformatter.h"

#include <QAction>

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

QStringList MainWindow::bookmarkProblems() const
{
    QStringList texts;
    for (const BookmarkStore::Problem& problem : m_workspace->bookmarkProblems())
        texts.append(Workspace::englishText(problem));
    return texts;
}

void MainWindow::showBookmarkProblems()
{
    const QVector<BookmarkStore::Problem>& problems = m_workspace->bookmarkProblems();
    if (problems.isEmpty())
        return;
    QStringList texts;
    for (const BookmarkStore::Problem& problem : problems)
        texts.append(problemText(problem));
    statusBar()->showMessage(tr("Закладки не прочитаны: %1").arg(texts.join(QStringLiteral("; "))));
}

void MainWindow::showStoredBookmarks()
{
    // The workspace holds the bookmarks; the charts draw them.
    const QVector<qint64>& ticks = m_workspace->bookmarkTicks();
    for (ChartProtocol* chart : allCharts()) {
        const QSignalBlocker blocker(chart);
        chart->setBookmarks(ticks);
    }
    setBookmarkEnabled();
    updateStatistics();
    actBookmarkUndo->setEnabled(m_workspace->canUndoBookmarks());
}

void MainWindow::reportBookmarkErrors(const QStringList& errors)
{
    if (errors.isEmpty())
        return;
    QStringList texts;
    for (const QString& error : errors)
        texts.append(failuretext::russianFailure(error));
    statusBar()->showMessage(tr("Закладки не сохранены: %1").arg(texts.join(QStringLiteral("; "))));
}

void MainWindow::saveBookmarks()
{
    // A chart's own edit, handed to the workspace, which redraws them all.
    reportBookmarkErrors(m_workspace->setBookmarkTicks(ui.chart->bookmarks()));
}

void MainWindow::undoBookmarkChange()
{
    reportBookmarkErrors(m_workspace->undoBookmarks());
}

void MainWindow::editBookmarkNote(qint64 x)
{
    if (!m_workspace->hasBookmark(x))
        return;
    QString note = m_workspace->bookmarkNote(x);
    const QString time = ui.chart->startDateTime()
                             .addMSecs(x * ui.chart->tickLength())
                             .toString(TimeTextFormatter::format());
    if (!dialogs->getText(this, tr("Заметка к закладке"), time, note))
        return;
    reportBookmarkErrors(m_workspace->setBookmarkNote(x, note.trimmed()));
}

void MainWindow::setupBookmarkNotes()
{
    // The table's own menu: the note of the bookmark in the current row.
    auto* note = new QAction(tr("Заметка к закладке…"), ui.twEntry);
    note->setObjectName(QStringLiteral("actBookmarkNoteTable"));
    ui.twEntry->addAction(note);
    ui.twEntry->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(note, &QAction::triggered, this, [this] {
        const ProtocolTableModel& model = *tableModel();
        const int current = ui.twEntry->currentIndex().row();
        if (current < 0 || current >= model.rowCount())
            return;
        const int row = model.globalRowOf(current);
        if (model.isMarked(row))
            editBookmarkNote(model.tick(row));
    });

    // Takes back the last change of the bookmarks or their notes, files included.
    actBookmarkUndo = new QAction(tr("Отменить"), this);
    actBookmarkUndo->setObjectName(QStringLiteral("actBookmarkUndo"));
    actBookmarkUndo->setToolTip(tr("Отменить последнее изменение закладок"));
    actBookmarkUndo->setShortcut(QKeySequence::Undo);
    actBookmarkUndo->setEnabled(false);
    addAction(actBookmarkUndo);
    ui.chart->addAction(actBookmarkUndo);
    connect(actBookmarkUndo, &QAction::triggered, this, &MainWindow::undoBookmarkChange);
    connect(ui.chart, &ChartProtocol::bookmarksEdited, this, &MainWindow::saveBookmarks);
    connect(m_workspace, &Workspace::bookmarksChanged, this, &MainWindow::showStoredBookmarks);
}
