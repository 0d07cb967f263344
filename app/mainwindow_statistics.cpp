#include "app/mainwindow.h"

#include "app/statisticsdock.h"
#include "chart/chartprotocol.h"
#include "statistics/statisticspanel.h"

void MainWindow::setupStatisticsDock()
{
    statisticsDock = new StatisticsDock(this);
    addDockWidget(Qt::RightDockWidgetArea, statisticsDock);
    tabifyDockWidget(parametersDock, statisticsDock);
    statisticsDock->hide();

    actStatistics =
        new QAction(QIcon(QStringLiteral(":/res/statistics.png")), tr("Статистика"), this);
    actStatistics->setObjectName(QStringLiteral("actStatistics"));
    actStatistics->setToolTip(tr("Статистика между курсорами"));
    connect(actStatistics, &QAction::triggered, this, [this] {
        statisticsDock->setVisible(!statisticsDock->isVisible());
        if (statisticsDock->isVisible())
            statisticsDock->raise();
    });
    connect(statisticsDock, &QDockWidget::visibilityChanged, this, &MainWindow::updateStatistics);
    connect(statisticsDock->panel(), &StatisticsPanel::betweenBookmarksChanged, this,
            &MainWindow::updateStatistics);
    connect(statisticsDock->panel(), &StatisticsPanel::copyRequested, this,
            &MainWindow::copyStatistics);
    // Value line moves reach every chart through lineValueXChartsChanged.
    connect(ui.chart, &ChartProtocol::bookmarkChanged, this, &MainWindow::updateStatistics);
    updateStatistics();
}

void MainWindow::setClipboard(std::unique_ptr<Clipboard> replacement)
{
    clipboard = std::move(replacement);
}

void MainWindow::updateStatistics()
{
    if (statisticsDock)
        statisticsDock->showFiguresOf(*ui.chart);
}

void MainWindow::copyStatistics()
{
    const QString text = statisticsDock->figuresText(*ui.chart);
    if (!text.isEmpty() && clipboard)
        clipboard->setText(text);
}
