#include "app/mainwindow.h"

#include <climits>
#include <cmath>

#include "chart/chartprotocol.h"
#include "parameters/chartparameters.h"
#include "protocol/channellookup.h"
#include "statistics/cursorstatistics.h"
#include "statistics/statisticspanel.h"
#include "table/protocolassembly.h"

#include <QDockWidget>

namespace {
// Names of the visible channels of a chart, each once, in chart order.
QStringList visibleTitles(const ChartProtocol& chart)
{
    QStringList titles;
    for (const Channel& channel : chart.channels()) {
        if (channel.visible() && !titles.contains(channel.name()))
            titles.append(channel.name());
    }
    return titles;
}
} // namespace

void MainWindow::setupStatisticsDock()
{
    statisticsDock = new QDockWidget(tr("Статистика"), this);
    statisticsDock->setObjectName(QStringLiteral("statisticsDock"));
    statisticsDock->setAllowedAreas(Qt::AllDockWidgetAreas);
    statisticsPanel = new StatisticsPanel;
    statisticsDock->setWidget(statisticsPanel);
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
    connect(statisticsPanel, &StatisticsPanel::betweenBookmarksChanged, this,
            &MainWindow::updateStatistics);
    connect(statisticsPanel, &StatisticsPanel::copyRequested, this, &MainWindow::copyStatistics);
    connectReferenceCursor(ui.chart);
    // Value line moves reach every chart through lineValueXChartsChanged.
    connect(ui.chart, &ChartProtocol::bookmarkChanged, this, &MainWindow::updateStatistics);
    connect(parameters, &ChartParameters::setChartVisible, this, &MainWindow::updateStatistics);
    updateStatistics();
}

void MainWindow::setClipboard(std::unique_ptr<Clipboard> replacement)
{
    clipboard = std::move(replacement);
}

void MainWindow::connectReferenceCursor(ChartProtocol* chart)
{
    connect(chart, &ChartProtocol::referenceXChanged, this, &MainWindow::referenceXChartsChanged);
    connect(chart, &ChartProtocol::referenceCleared, this, &MainWindow::referenceChartsCleared);
    connect(chart, &ChartProtocol::bookmarkNoteRequested, this, &MainWindow::editBookmarkNote);
}

void MainWindow::referenceXChartsChanged(qint64 x)
{
    for (ChartProtocol* chart : allCharts()) {
        if (chart != sender())
            chart->setReferenceX(x);
    }
    updateStatistics();
}

void MainWindow::referenceChartsCleared()
{
    for (ChartProtocol* chart : allCharts())
        chart->clearReference();
    updateStatistics();
}

void MainWindow::prepareStatistics(const ProtocolAssembly& assembly)
{
    clearStatistics();
    for (const AssembledChannel& channel : assembly.channels())
        m_statisticsParts.push_back({channel.title, channel.code, &channel.series});
}

void MainWindow::clearStatistics()
{
    m_statisticsParts.clear();
    m_statistics.reset();
}

bool MainWindow::statisticsPair(qint64& from, qint64& to) const
{
    to = ui.chart->lineValueX();
    if (statisticsPanel && statisticsPanel->betweenBookmarks())
        return CursorStatistics::bookmarksAround(ui.chart->bookmarks(), to, from, to);
    from = ui.chart->referenceX();
    return ui.chart->hasReference();
}

void MainWindow::updateStatistics()
{
    if (!statisticsDock || !statisticsDock->isVisible())
        return;
    if (!m_statistics && !m_statisticsParts.empty()) {
        // Indexing reads every record once; it waits until the dock is shown.
        m_statistics = std::make_unique<CursorStatistics>();
        const ChannelLookup& lookup = ChannelLookup::streamLoger();
        for (const StatisticsPart& part : m_statisticsParts) {
            CursorStatistics::StateText stateText;
            if (lookup.hasRefs(part.code)) {
                const QString code = part.code;
                const double scale = std::pow(10.0, lookup.rateByCode(code));
                // The table looks a state up by its raw value; the series
                // holds raw / 10^RATE.
                stateText = [code, scale, &lookup](double value) {
                    const double raw = std::round(value * scale);
                    return lookup.refText(code, raw >= INT_MIN && raw <= INT_MAX ? int(raw) : 0);
                };
            }
            m_statistics->addPart(part.title,
                                  std::make_unique<ColumnStatisticsSource>(*part.series), stateText,
                                  lookup.rateByCode(part.code));
        }
    }
    if (!m_statistics) {
        statisticsPanel->showHint(tr("Нет загруженных протоколов"));
        return;
    }
    m_statistics->setTimeBase(ui.chart->startDateTime(), ui.chart->tickLength());
    qint64 from = 0;
    qint64 to = 0;
    if (!statisticsPair(from, to)) {
        statisticsPanel->showHint(statisticsPanel->betweenBookmarks()
                                      ? tr("Курсор не стоит между двумя закладками")
                                      : tr("Поставьте опорный курсор: Shift+двойной щелчок\n"
                                           "или контекстное меню графика"));
        return;
    }
    statisticsPanel->showFigures(m_statistics->timeText(from), m_statistics->timeText(to),
                                 m_statistics->durationText(from, to), CursorStatistics::headers(),
                                 m_statistics->rows(from, to, visibleTitles(*ui.chart)));
}

void MainWindow::copyStatistics()
{
    qint64 from = 0;
    qint64 to = 0;
    if (!m_statistics || !statisticsPair(from, to))
        return;
    const QString text = m_statistics->tabSeparated(from, to, visibleTitles(*ui.chart));
    if (clipboard)
        clipboard->setText(text);
}
