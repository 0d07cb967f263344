// How the window shares a screen: rows of buttons that wrap, the split of
// the protocol tab between the file list and the table, the side panels' widths.
#include "app/mainwindow.h"

#include "app/flowlayout.h"
#include "app/rememberedplaces.h"
#include "app/statisticsdock.h"
#include "parameters/chartparameters.h"
#include "parameters/settingsfile.h"
#include "statistics/statisticspanel.h"

#include <QDockWidget>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>

namespace {
// A row of the form becomes a flow that wraps when the window is narrow, so
// that it no longer keeps the side panels from taking half the window.
void wrapRow(QBoxLayout* parent, QBoxLayout* row)
{
    const int index = parent->indexOf(row);
    if (index < 0)
        return;
    auto* flow = new FlowLayout;
    flow->setContentsMargins(row->contentsMargins());
    flow->setSpacing(row->spacing());
    parent->insertLayout(index, flow);
    while (QLayoutItem* item = row->takeAt(0)) {
        // Spacers only pushed the buttons to the left, where a flow puts them anyway.
        if (QWidget* widget = item->widget())
            flow->addWidget(widget);
        delete item;
    }
    parent->removeItem(row);
    delete row;
}
} // namespace

void MainWindow::fitToNarrowWindows()
{
    wrapRow(ui.verticalLayout_2, ui.horizontalLayoutFile);
    wrapRow(ui.verticalLayout_3, ui.horizontalLayoutTools);
    // A flow could grow taller than its lines; the tables and the chart take
    // what is left over.
    ui.verticalLayout_2->setStretchFactor(ui.splitter, 1);
    ui.verticalLayout_3->setStretchFactor(ui.chart, 1);

    // The docks' widths are fitted once their rows are known and laid out.
    const auto fitLater = [this] { QTimer::singleShot(0, this, &MainWindow::fitDockWidths); };
    connect(this, &MainWindow::initParameters, this, fitLater);
    for (QDockWidget* dock : {parametersDock, static_cast<QDockWidget*>(statisticsDock)})
        connect(dock, &QDockWidget::visibilityChanged, this, fitLater);
}

void MainWindow::fitDockWidths()
{
    for (QDockWidget* dock : {parametersDock, static_cast<QDockWidget*>(statisticsDock)}) {
        if (!dock || !dock->isVisible() || dock->isFloating() || !dock->widget())
            continue;
        const Qt::DockWidgetArea area = dockWidgetArea(dock);
        if (area != Qt::LeftDockWidgetArea && area != Qt::RightDockWidgetArea)
            continue;
        // A width the user dragged the dock to stays.
        if (m_fittedDockWidth >= 0 && qAbs(dock->width() - m_fittedDockWidth) > 2)
            return;
        int rows = 0;
        if (const auto* panel = qobject_cast<const ChartParameters*>(dock->widget()))
            rows = panel->preferredWidth();
        else if (const auto* panel = qobject_cast<const StatisticsPanel*>(dock->widget()))
            rows = panel->preferredWidth();
        const int frame = dock->width() - dock->widget()->width();
        const int wanted =
            qMax(dock->minimumSizeHint().width(), qMin(rows + frame, int(width() * kDockShare)));
        m_fittedDockWidth = wanted;
        if (dock->width() != wanted)
            resizeDocks({dock}, {wanted}, Qt::Horizontal);
    }
}

void MainWindow::restoreTableSplit()
{
    // A wider window widens the table; the file list keeps its columns.
    ui.splitter->setStretchFactor(0, 0);
    ui.splitter->setStretchFactor(1, 1);
    const QByteArray remembered = RememberedPlaces(settingsFilePath()).tableSplit();
    if (!remembered.isEmpty() && ui.splitter->restoreState(remembered))
        return;
    // Until the user moves it, the split follows the window's size.
    m_autoTableSplit = true;
    connect(ui.splitter, &QSplitter::splitterMoved, this, [this] { m_autoTableSplit = false; });
    ui.splitter->installEventFilter(this);
}

void MainWindow::placeTableSplit()
{
    const QHeaderView* header = ui.twFiles->horizontalHeader();
    const int files = header->sectionSize(0) + header->sectionSize(2) + kDescriptionWidth +
                      ui.twFiles->verticalScrollBar()->sizeHint().width() +
                      2 * ui.twFiles->frameWidth();
    const int width = ui.splitter->width() - ui.splitter->handleWidth();
    // The table always has the larger part.
    const int share = qMin(files, width * 2 / 5);
    ui.splitter->setSizes({share, width - share});
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui.splitter && event->type() == QEvent::Resize && m_autoTableSplit)
        placeTableSplit();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::rememberTableSplit()
{
    // A split the user never set keeps following the window.
    if (m_autoTableSplit)
        return;
    RememberedPlaces(settingsFilePath()).setTableSplit(ui.splitter->saveState());
}
