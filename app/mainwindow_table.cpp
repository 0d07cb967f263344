#include "app/mainwindow.h"

#include "chart/chartprotocol.h"
#include "table/tickrole.h"

#include <QTableWidget>

namespace {

QTableWidgetItem* bookmarkMark()
{
    auto* mark = new QTableWidgetItem(QIcon(QStringLiteral(":/res/bookmark.png")), QString());
    return mark;
}

int rowTick(const QTableWidget* table, int row)
{
    const QTableWidgetItem* time = table->item(row, 1);
    return time ? time->data(TickRole).toInt() : 0;
}

// The first row, in the current order, whose time cell carries the tick.
int rowOfTick(const QTableWidget* table, int tick)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem* time = table->item(row, 1);
        if (time && time->data(TickRole).toInt() == tick)
            return row;
    }
    return -1;
}

} // namespace

void MainWindow::on_twEntry_clicked(QModelIndex index)
{
    if (!index.isValid() || !index.model())
        return;
    const int row = index.row();
    const int tick = rowTick(ui.twEntry, row);

    ui.chart->setPosition(tick - 0.5 * ui.chart->scaleSettings().visibleSpan);
    ui.chart->setLineValueX(tick);
    lineValueXChartsChanged(tick);

    const bool marked = ui.twEntry->item(row, 0) != nullptr;
    ui.buttonBookmarkAddTable->setEnabled(!marked);
    ui.buttonBookmarkDeleteTable->setEnabled(marked);
    if (marked)
        ui.chart->addBookmark(tick);
}

void MainWindow::on_twEntry_doubleClicked(QModelIndex)
{
    ui.tabWidget->setCurrentIndex(1);
}

void MainWindow::on_buttonBookmarkAddTable_clicked()
{
    const int row = ui.twEntry->currentRow();
    if (row < 0)
        return;
    // Placing the mark may move the row when the table is sorted by marks.
    const int tick = rowTick(ui.twEntry, row);
    ui.twEntry->setItem(row, 0, bookmarkMark());
    ui.chart->addBookmark(tick);
    emit ui.twEntry->clicked(ui.twEntry->currentIndex());
}

void MainWindow::on_buttonBookmarkDeleteTable_clicked()
{
    const int row = ui.twEntry->currentRow();
    if (row < 0)
        return;
    const int tick = rowTick(ui.twEntry, row);
    QTableWidgetItem* mark = ui.twEntry->takeItem(row, 0);
    if (!mark)
        return;
    delete mark;
    ui.chart->deleteBookmark(tick);
    setBookmarkEnabled();
    emit ui.twEntry->clicked(ui.twEntry->currentIndex());
}

bool MainWindow::tryAddBookmarkTable(int x)
{
    const int row = rowOfTick(ui.twEntry, x);
    if (row < 0 || ui.twEntry->item(row, 0))
        return false;
    ui.twEntry->setItem(row, 0, bookmarkMark());
    return true;
}

bool MainWindow::tryDeleteBookmarkTable(int x)
{
    const int row = rowOfTick(ui.twEntry, x);
    if (row < 0)
        return false;
    QTableWidgetItem* mark = ui.twEntry->takeItem(row, 0);
    if (!mark)
        return false;
    delete mark;
    return true;
}

void MainWindow::setBookmarkEnabled()
{
    const int current = ui.chart->currentBookmark();
    const QVector<int>& bookmarks = ui.chart->bookmarks();
    const int line = ui.chart->lineValueX();
    const bool hasCurrent = current >= 0;
    // With nothing loaded there is nothing to mark.
    const bool loaded = ui.chart->channelCount() > 0;

    ui.actBookmark->setEnabled(hasCurrent);
    ui.actBookmarkNext->setEnabled(hasCurrent && !bookmarks.isEmpty() &&
                                   bookmarks.last() != current);
    ui.actBookmarkPrevious->setEnabled(hasCurrent && !bookmarks.isEmpty() &&
                                       bookmarks.first() != current);
    ui.actBookmarkAdd->setEnabled(loaded && line >= 1 && !bookmarks.contains(line));
    ui.actBookmarkDelete->setEnabled(hasCurrent);

    ui.buttonBookmark->setEnabled(ui.actBookmark->isEnabled());
    ui.buttonBookmarkNext->setEnabled(ui.actBookmarkNext->isEnabled());
    ui.buttonBookmarkPrevious->setEnabled(ui.actBookmarkPrevious->isEnabled());
    ui.buttonBookmarkAdd->setEnabled(ui.actBookmarkAdd->isEnabled());
    ui.buttonBookmarkDelete->setEnabled(ui.actBookmarkDelete->isEnabled());
}

void MainWindow::on_actBookmarkAdd_triggered()
{
    const int x = ui.chart->lineValueX();
    if (x <= 0 || ui.chart->channelCount() == 0)
        return;
    ui.chart->addBookmark(x);
    tryAddBookmarkTable(x);
}

void MainWindow::on_actBookmarkDelete_triggered()
{
    const int current = ui.chart->currentBookmark();
    if (current < 0)
        return;
    ui.chart->deleteBookmark(current);
    tryDeleteBookmarkTable(current);
    setBookmarkEnabled();
}
