#include "app/mainwindow.h"

#include "app/failuretext.h"
#include "chart/chartprotocol.h"
#include "protocol/streamloger.h"
#include "table/bookmarkstore.h"
#include "table/protocolassembly.h"
#include "table/protocoltablemodel.h"
#include "table/timetextformatter.h"

#include <QAction>

#include <QDir>
#include <QFileInfo>
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

// For batch runs, which report on standard error.
QString englishProblemText(const BookmarkStore::Problem& problem)
{
    const QString name = QDir::toNativeSeparators(problem.path);
    switch (problem.status) {
    case BookmarkFile::Status::CannotOpen:
        return QStringLiteral("bookmark file %1 cannot be read (not a readable file)").arg(name);
    case BookmarkFile::Status::Foreign:
        return QStringLiteral("bookmark file %1 belongs to another protocol").arg(name);
    case BookmarkFile::Status::Corrupt:
    default:
        return QStringLiteral("bookmark file %1 is damaged (no bookmark document)").arg(name);
    }
}
} // namespace

void MainWindow::restoreBookmarks(const QStringList& paths, const ProtocolAssembly& assembly)
{
    QVector<BookmarkStore::Protocol> protocols;
    for (int i = 0; i < assembly.protocolCount() && i < paths.size(); ++i) {
        const int records = assembly.recordCount(i);
        if (records == 0)
            continue;
        BookmarkStore::Protocol protocol;
        // The reader takes a relative name from the protocol directory; the
        // bookmarks lie beside the file it read, wherever the program runs.
        protocol.path =
            QFileInfo(logger->protocolDir().absoluteFilePath(paths[i])).absoluteFilePath();
        protocol.owner.start = assembly.dateTime(i, 0).addMSecs(
            -(assembly.globalTick(i, 0) - assembly.offset(i)) * assembly.tickMs());
        protocol.owner.tickMs = assembly.tickMs();
        protocol.offset = assembly.offset(i);
        protocol.firstTick = assembly.globalTick(i, 0);
        protocol.lastTick = assembly.globalTick(i, records - 1);
        protocols.append(protocol);
    }
    m_bookmarkStore->setView(protocols);
    const QVector<BookmarkStore::Problem> problems = m_bookmarkStore->load();
    m_bookmarkProblems.clear();
    for (const BookmarkStore::Problem& problem : problems)
        m_bookmarkProblems.append(englishProblemText(problem));
    showStoredBookmarks();

    if (problems.isEmpty())
        return;
    QStringList texts;
    for (const BookmarkStore::Problem& problem : problems)
        texts.append(problemText(problem));
    statusBar()->showMessage(tr("Закладки не прочитаны: %1").arg(texts.join(QStringLiteral("; "))));
}

void MainWindow::showStoredBookmarks()
{
    const QVector<qint64>& ticks = m_bookmarkStore->ticks();
    ui.chart->setBookmarks(ticks);
    QStringList notes;
    notes.reserve(ticks.size());
    for (const QString& note : m_bookmarkStore->notes())
        notes.append(note);
    m_tableModel->setBookmarkMarks(ticks, notes);
    setBookmarkEnabled();
    actBookmarkUndo->setEnabled(m_bookmarkStore->canUndo());
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
    reportBookmarkErrors(m_bookmarkStore->save(ui.chart->bookmarks()));
    actBookmarkUndo->setEnabled(m_bookmarkStore->canUndo());
}

void MainWindow::undoBookmarkChange()
{
    if (!m_bookmarkStore->canUndo())
        return;
    const QStringList errors = m_bookmarkStore->undo();
    showStoredBookmarks();
    reportBookmarkErrors(errors);
}

void MainWindow::editBookmarkNote(qint64 x)
{
    if (!ui.chart->bookmarks().contains(x))
        return;
    QString note = m_bookmarkStore->note(x);
    const QString time = ui.chart->startDateTime()
                             .addMSecs(x * ui.chart->tickLength())
                             .toString(TimeTextFormatter::format());
    if (!dialogs->getText(this, tr("Заметка к закладке"), time, note))
        return;
    m_bookmarkStore->setNote(x, note.trimmed());
    m_tableModel->setNote(m_tableModel->firstRowOfTick(x), m_bookmarkStore->note(x));
    saveBookmarks();
}

void MainWindow::setupBookmarkNotes()
{
    // The table's own menu: the note of the bookmark in the current row.
    auto* note = new QAction(tr("Заметка к закладке…"), ui.twEntry);
    note->setObjectName(QStringLiteral("actBookmarkNoteTable"));
    ui.twEntry->addAction(note);
    ui.twEntry->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(note, &QAction::triggered, this, [this] {
        const int current = ui.twEntry->currentIndex().row();
        if (current < 0 || current >= m_tableModel->rowCount())
            return;
        const int row = m_tableModel->globalRowOf(current);
        if (m_tableModel->isMarked(row))
            editBookmarkNote(m_tableModel->tick(row));
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
}
