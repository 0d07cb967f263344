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
    parametersDock->setWidget(panel);
    addDockWidget(Qt::RightDockWidgetArea, parametersDock);

    connect(this, &MainWindow::initParameters, panel, &ChartParameters::init);
    connect(this, &MainWindow::initLoger, panel, &ChartParameters::clear);
    connect(m_charts.get(), &ChartTabs::channelShown, this,
            [this](const QString& title, bool shown) {
                parameters->showChannel(title, shown);
                updateStatistics();
            });
    // The panel and the charts' menus send their changes to the view state,
    // which every chart and the panel follow.
    ViewState* view = &m_workspace->view();
    connect(panel, &ChartParameters::setChartVisible, view, &ViewState::setChannelShown);
    connect(panel, &ChartParameters::colorChosen, view, &ViewState::setChannelColor);
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
    // What the panel shows becomes the view's filter, which the table applies.
    ViewState& view = m_workspace->view();
    const std::pair<QDateTime, QDateTime> window = parameters->getTimeRange();
    view.setValueRanges(parameters->getRange());
    view.setFilter(parameters->isFilterActive(), window.first, window.second);
    const TableFilter filter(view.valueRanges(), tableModel()->headerLabels(), view.isFilterOn(),
                             view.timeFrom(), view.timeTo());
    tableModel()->applyFilter(filter);
    ui.tabWidget->setCurrentIndex(0);
}
