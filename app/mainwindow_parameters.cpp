#include "app/mainwindow.h"

#include "chart/chartprotocol.h"
#include "parameters/chartparameters.h"
#include "table/protocoltablemodel.h"
#include "table/tablefilter.h"

#include <QDockWidget>

void MainWindow::setupParametersDock()
{
    parametersDock = new QDockWidget(tr("Параметры"), this);
    parametersDock->setObjectName(QStringLiteral("parametersDock"));
    parametersDock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);

    auto* panel = new ChartParameters;
    panel->setColorPalette(&channelPalette);
    parametersDock->setWidget(panel);
    addDockWidget(Qt::RightDockWidgetArea, parametersDock);

    connect(this, &MainWindow::initParameters, panel, &ChartParameters::init);
    connect(this, &MainWindow::initLoger, panel, &ChartParameters::clear);
    connect(panel, &ChartParameters::setChartVisible, ui.chart, &ChartProtocol::setChartVisible);
    connect(panel, &ChartParameters::setChartVisible, this, &MainWindow::setSingleChartVisible);
    connect(ui.chart, &Chart::channelShownChanged, this, &MainWindow::followChannelShown);
    QAction* filterAction = ui.actFilter;
    connect(panel, &ChartParameters::filter, filterAction,
            [filterAction] { emit filterAction->triggered(); });
    connect(panel, &ChartParameters::editComputedChannels, this, &MainWindow::editComputedChannels);
    parameters = panel;
}

void MainWindow::on_actParameter_triggered()
{
    parametersDock->setVisible(!parametersDock->isVisible());
}

void MainWindow::on_actFilter_triggered()
{
    if (!parameters)
        return;
    const std::pair<QDateTime, QDateTime> window = parameters->getTimeRange();
    const TableFilter filter(parameters->getRange(), m_tableModel->headerLabels(),
                             parameters->isFilterActive(), window.first, window.second);
    m_tableModel->applyFilter(filter);
    ui.tabWidget->setCurrentIndex(0);
}
