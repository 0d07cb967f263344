#include "app/mainwindow.h"

#include "chart/chartprotocol.h"
#include "table/protocolassembly.h"
#include "table/protocoltablemodel.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QTableView>

void MainWindow::fitChannelColumns()
{
    // A channel's column shows its whole title where that is not too wide; the
    // bookmark and time columns stay in view while the others scroll.
    QHeaderView* header = ui.twEntry->horizontalHeader();
    const QFontMetrics metrics(header->font());
    const int widest = 20 * metrics.averageCharWidth();
    for (int column = ProtocolAssembly::timeColumn + 1; column < tableModel()->columnCount();
         ++column) {
        const QString title = tableModel()->headerData(column, Qt::Horizontal).toString();
        const int width = metrics.horizontalAdvance(title) + 2 * metrics.averageCharWidth();
        ui.twEntry->setColumnWidth(column, qBound(header->defaultSectionSize(), width, widest));
    }
}

void MainWindow::setupProtocolColumn()
{
    // Rows of overlapping protocols interleave: the table's menu can show
    // the file of each row, and the status bar names that of the current one.
    auto* column = new QAction(tr("Столбец «Протокол»"), ui.twEntry);
    column->setObjectName(QStringLiteral("actProtocolColumn"));
    column->setCheckable(true);
    ui.twEntry->addAction(column);
    connect(column, &QAction::toggled, this, [this](bool shown) {
        tableModel()->setProtocolColumnShown(shown);
        fitChannelColumns();
    });
    m_rowProtocol = new QLabel(this);
    m_rowProtocol->setObjectName(QStringLiteral("labelRowProtocol"));
    statusBar()->addPermanentWidget(m_rowProtocol);
    const auto showProtocol = [this](const QModelIndex& current) {
        const bool row = current.isValid() && current.row() < tableModel()->rowCount();
        const int global = row ? tableModel()->globalRowOf(current.row()) : -1;
        m_rowProtocol->setText(row ? tr("Протокол: %1").arg(tableModel()->protocolName(global))
                                   : QString());
        m_rowProtocol->setToolTip(row ? QDir::toNativeSeparators(tableModel()->protocolPath(global))
                                      : QString());
    };
    connect(ui.twEntry->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            showProtocol);
    connect(tableModel(), &QAbstractItemModel::modelReset, this,
            [showProtocol] { showProtocol(QModelIndex()); });
}

void MainWindow::on_twEntry_clicked(QModelIndex index)
{
    const ProtocolTableModel& model = *tableModel();
    if (!index.isValid() || !index.model() || index.row() >= model.rowCount())
        return;
    const int row = model.globalRowOf(index.row());
    const qint64 tick = model.tick(row);

    m_workspace->view().setPosition(tick - 0.5 * ui.chart->scaleSettings().visibleSpan);
    lineValueXChartsChanged(tick);

    const bool marked = model.isMarked(row);
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
    const int current = ui.twEntry->currentIndex().row();
    if (current < 0 || current >= tableModel()->rowCount())
        return;
    // The chart hands the new bookmark to the workspace, which marks the row;
    // the mark may move the row when the table is sorted by marks.
    ui.chart->addBookmark(tableModel()->tick(tableModel()->globalRowOf(current)));
    emit ui.twEntry->clicked(ui.twEntry->currentIndex());
}

void MainWindow::on_buttonBookmarkDeleteTable_clicked()
{
    const int current = ui.twEntry->currentIndex().row();
    if (current < 0 || current >= tableModel()->rowCount())
        return;
    const int row = tableModel()->globalRowOf(current);
    if (!tableModel()->isMarked(row))
        return;
    ui.chart->deleteBookmark(tableModel()->tick(row));
    setBookmarkEnabled();
    emit ui.twEntry->clicked(ui.twEntry->currentIndex());
}

bool MainWindow::tryAddBookmarkTable(qint64 x)
{
    // The table's marks follow the workspace's bookmarks.
    if (tableModel()->firstRowOfTick(x) < 0 || m_workspace->hasBookmark(x))
        return false;
    m_workspace->addBookmark(x);
    return true;
}

bool MainWindow::tryDeleteBookmarkTable(qint64 x)
{
    if (tableModel()->firstRowOfTick(x) < 0 || !m_workspace->hasBookmark(x))
        return false;
    m_workspace->deleteBookmark(x);
    return true;
}

void MainWindow::setBookmarkEnabled()
{
    const qint64 current = ui.chart->currentBookmark();
    const QVector<qint64>& bookmarks = ui.chart->bookmarks();
    const qint64 line = ui.chart->lineValueX();
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
    const qint64 x = ui.chart->lineValueX();
    if (x <= 0 || ui.chart->channelCount() == 0)
        return;
    ui.chart->addBookmark(x);
}

void MainWindow::on_actBookmarkDelete_triggered()
{
    const qint64 current = ui.chart->currentBookmark();
    if (current < 0)
        return;
    ui.chart->deleteBookmark(current);
    setBookmarkEnabled();
}
