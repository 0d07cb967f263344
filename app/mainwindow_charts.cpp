#include "app/mainwindow.h"

#include "app/chartrenderer.h"
#include "app/shortcuthelp.h"
#include "chart/chartprotocol.h"
#include "chart/scalealigner.h"
#include "parameters/chartparameters.h"

#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QTabWidget>
#include <QToolButton>
#include <QFontMetrics>
#include <QScrollBar>
#include <QSignalBlocker>

#include <cmath>

namespace {
// About 150 px at the default font: a plot of four value divisions, each a
// little over a line high, and the time band; the charts above the last do
// without the band, they share the last one's.
int singleChartMinimumHeight(const QFont& font, bool timeAxis)
{
    return (timeAxis ? 8 : 6) * QFontMetrics(font).height();
}

// The splitter adds up the charts' maximum heights in an int: with the
// widget default, some 130 charts overflow it, the splitter gets no height
// and the tab shows nothing. No screen is this tall.
constexpr int kSingleChartMaximumHeight = 32767;

double visibleSpan(const Chart& chart)
{
    return chart.scaleSettings().visibleSpan;
}

// Shows a view state change on every chart, with their signals blocked so
// that it does not echo back.
template <typename Apply> void applyToAll(const QList<ChartProtocol*>& charts, Apply apply)
{
    for (ChartProtocol* chart : charts) {
        const QSignalBlocker blocker(chart);
        apply(chart);
    }
}
} // namespace

void MainWindow::buildSingleCharts(const QList<Channel>& channels)
{
    clearSingleCharts();
    // Views of an earlier load mean nothing for this one.
    viewHistory.clear();
    if (actViewBack)
        actViewBack->setEnabled(false);
    ui.tabWidget->setCurrentIndex(2);
    if (!m_scaleAligner)
        m_scaleAligner = new ScaleAligner(this);

    // One chart per channel title: the records of one channel read from
    // several files share it, so the splitter shows each channel once.
    QMap<QString, ChartProtocol*> built;
    for (const Channel& channel : channels) {
        ChartProtocol* single = built.value(channel.name());
        if (single) {
            single->addChannel(channel);
            continue;
        }
        single = new ChartProtocol;
        single->setObjectName(QStringLiteral("singleChart"));
        // Readable however many channels there are: the scroll area around
        // the splitter scrolls through the charts instead of squeezing them.
        single->setMinimumHeight(singleChartMinimumHeight(single->font(), true));
        single->setMaximumHeight(kSingleChartMaximumHeight);
        single->addChannel(channel);
        single->setTimeBase(ui.chart->startDateTime(), ui.chart->tickLength());
        single->setEndDateTime(ui.chart->endDateTime());
        single->setMaximumSpan(ui.chart->maximumSpan());
        const ViewState& view = m_workspace->view();
        single->setZoom(view.zoom());
        if (!mapSingleCharts.isEmpty())
            updateChartsScrollBar();
        single->setPosition(view.position());
        single->setLineValueX(view.line());
        single->setShowGrid(ui.chart->showGrid());
        single->setShowLegend(ui.chart->showLegend());
        single->setTopBackgroundColor(ui.chart->topBackgroundColor());
        single->setBottomBackgroundColor(ui.chart->bottomBackgroundColor());
        single->setGridColor(ui.chart->gridColor());
        single->setBookmarks(m_workspace->bookmarkTicks());
        single->setFocusPolicy(Qt::ClickFocus);
        single->setTimeShared(true);
        ui.splitterCharts->addWidget(single);
        m_scaleAligner->addChart(single);
        built.insert(channel.name(), single);
        mapSingleCharts.insert(channel.name(), single);
        connect(single, qOverload<double>(&Chart::positionChanged), this, &MainWindow::moveCharts);
        connect(single, &ChartProtocol::zoomChanged, this, &MainWindow::zoomCharts);
        connect(single, &ChartProtocol::lineValueXChanged, this,
                &MainWindow::lineValueXChartsChanged);
        connectReferenceCursor(single);
        connect(single, &ChartProtocol::viewJumped, this, &MainWindow::rememberView);
        connect(single, &Chart::channelShownChanged, this, &MainWindow::followChannelShown);
        if (view.hasReference())
            single->setReferenceX(view.reference());
        QCoreApplication::processEvents();
    }
    updateChartsScrollBar();
    shareTimeAxis();
    alignSingleCharts();
}

void MainWindow::shareTimeAxis()
{
    // The charts stand one above the other on one time scale: the lowest
    // shown one carries the time labels for all.
    ChartProtocol* lowest = nullptr;
    for (int i = 0; i < ui.splitterCharts->count(); ++i) {
        auto* single = qobject_cast<ChartProtocol*>(ui.splitterCharts->widget(i));
        if (single && !single->isHidden())
            lowest = single;
    }
    for (ChartProtocol* single : qAsConst(mapSingleCharts)) {
        const bool axis = single == lowest;
        if (single->showScale() != axis)
            single->setShowScale(axis);
        single->setMinimumHeight(singleChartMinimumHeight(single->font(), axis));
    }
}

void MainWindow::alignSingleCharts()
{
    // The scale columns are measured while painting: charts painted later
    // are lined up by the aligner after their paint.
    m_scaleAligner->align();
}

void MainWindow::clearSingleCharts()
{
    if (m_scaleAligner)
        m_scaleAligner->clear();
    for (ChartProtocol* single : qAsConst(mapSingleCharts)) {
        QObject::disconnect(single, nullptr, nullptr, nullptr);
        delete single;
    }
    mapSingleCharts.clear();
}

void MainWindow::limitZoomOut()
{
    ui.chart->setMaximumSpan(maximumSpan(*ui.chart, *m_workspace));
    for (ChartProtocol* single : qAsConst(mapSingleCharts))
        single->setMaximumSpan(ui.chart->maximumSpan());
}

void MainWindow::connectScrollBars()
{
    // Arrows, trough, keys and the wheel move a bar without sliderMoved;
    // every one of them triggers an action, after which the charts follow.
    const auto follow = [this](QScrollBar* bar, void (MainWindow::*move)(int)) {
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar, move](int action) {
            // A dragged thumb reports through sliderMoved already.
            if (action == QAbstractSlider::SliderMove && bar->isSliderDown())
                return;
            (this->*move)(bar->sliderPosition());
        });
    };
    follow(ui.chartScrollBar, &MainWindow::on_chartScrollBar_sliderMoved);
    follow(ui.chartsScrollBar, &MainWindow::on_chartsScrollBar_sliderMoved);
}

void MainWindow::updateChartScrollBar()
{
    const double span = visibleSpan(*ui.chart);
    ui.chartScrollBar->setMinimum(0);
    ui.chartScrollBar->setMaximum(qMax(0, m_scrollScale.value(double(lastTick()) - span)));
    ui.chartScrollBar->setPageStep(qMax(1, m_scrollScale.steps(span)));
}

void MainWindow::updateChartsScrollBar()
{
    if (mapSingleCharts.isEmpty())
        return;
    const double span = visibleSpan(*mapSingleCharts.first());
    ui.chartsScrollBar->setMinimum(0);
    ui.chartsScrollBar->setMaximum(qMax(0, m_scrollScale.value(double(lastTick()) - span)));
    ui.chartsScrollBar->setPageStep(qMax(1, m_scrollScale.steps(span)));
}

void MainWindow::setSingleChartVisible(QString name, bool bVisible)
{
    if (ChartProtocol* single = mapSingleCharts.value(name)) {
        // Its curve too: hidden from its own menu, it comes back drawn.
        single->setChartVisible(name, bVisible);
        single->setVisible(bVisible);
        shareTimeAxis();
    }
}

void MainWindow::followChannelShown(QString name, bool visible)
{
    m_workspace->view().setChannelShown(name, visible);
}

void MainWindow::moveCharts(double position)
{
    // A move within one tick changes no state; the chart that made it goes
    // back onto the tick the others show.
    ViewState& view = m_workspace->view();
    if (std::trunc(position) == view.position())
        showPosition(view.position());
    view.setPosition(position);
}

void MainWindow::zoomCharts(double factor)
{
    m_workspace->view().setZoom(factor);
}

void MainWindow::lineValueXChartsChanged(qint64 x)
{
    // A chart's line set directly may differ from the state: the same tick
    // is shown again on every chart.
    ViewState& view = m_workspace->view();
    if (x == view.line())
        showLine(x);
    view.setLine(x);
}

void MainWindow::connectViewState()
{
    const ViewState* view = &m_workspace->view();
    connect(view, &ViewState::positionChanged, this, &MainWindow::showPosition);
    connect(view, &ViewState::zoomChanged, this, &MainWindow::showZoom);
    connect(view, &ViewState::lineChanged, this, &MainWindow::showLine);
    connect(view, &ViewState::referenceChanged, this, &MainWindow::showReference);
    connect(view, &ViewState::channelShownChanged, this, &MainWindow::showChannel);
    connect(view, &ViewState::channelColorChanged, this, &MainWindow::showChannelColor);
}

void MainWindow::showPosition(double position)
{
    applyToAll(allCharts(), [position](ChartProtocol* c) { c->setPosition(position); });
    ui.chartsScrollBar->setValue(m_scrollScale.value(position));
    ui.chartScrollBar->setValue(m_scrollScale.value(position));
}

void MainWindow::showZoom(double factor)
{
    applyToAll(allCharts(), [factor](ChartProtocol* c) { c->setZoom(factor); });
    updateChartsScrollBar();
    updateChartScrollBar();
    // The zoom moved the view around the value line; the thumbs show it.
    ui.chartScrollBar->setValue(m_scrollScale.value(ui.chart->scaleSettings().position));
    ui.chartsScrollBar->setValue(m_scrollScale.value(ui.chart->scaleSettings().position));
}

void MainWindow::showLine(qint64 x)
{
    applyToAll(allCharts(), [x](ChartProtocol* c) {
        c->setLineValueX(x);
        c->update();
    });
    setBookmarkEnabled();
    updateStatistics();
}

void MainWindow::showReference()
{
    const ViewState& view = m_workspace->view();
    applyToAll(allCharts(), [&view](ChartProtocol* c) {
        if (view.hasReference())
            c->setReferenceX(view.reference());
        else
            c->clearReference();
    });
    updateStatistics();
}

void MainWindow::showChannel(const QString& title, bool shown)
{
    {
        const QSignalBlocker blocker(ui.chart);
        ui.chart->setChartVisible(title, shown);
    }
    setSingleChartVisible(title, shown);
    if (parameters)
        parameters->showChannel(title, shown);
    updateStatistics();
}

void MainWindow::showChannelColor(const QString& title, const QColor& color)
{
    channelPalette.setColor(title, color);
    for (ChartProtocol* chart : allCharts())
        chart->setNamedChannelColor(title, color);
}

QList<ChartProtocol*> MainWindow::allCharts() const
{
    return QList<ChartProtocol*>{ui.chart} + mapSingleCharts.values();
}

void MainWindow::on_actGrid_triggered()
{
    const bool grid = !ui.chart->showGrid();
    for (ChartProtocol* chart : allCharts())
        chart->setShowGrid(grid);
}

void MainWindow::on_actLegend_triggered()
{
    const bool legend = !ui.chart->showLegend();
    for (ChartProtocol* chart : allCharts())
        chart->setShowLegend(legend);
}

void MainWindow::on_actZoomIn_triggered()
{
    zoomCharts(ui.chart->zoom() / 1.1);
}

void MainWindow::on_actZoomOrigin_triggered()
{
    zoomCharts(1.0);
}

void MainWindow::on_actZoomOut_triggered()
{
    zoomCharts(ui.chart->zoom() * 1.1);
}

void MainWindow::on_actLeft_triggered()
{
    moveCharts(std::trunc(ui.chart->scaleSettings().position) - 10.0);
}

void MainWindow::on_actZeroPoint_triggered()
{
    moveCharts(firstTick());
}

void MainWindow::on_actRight_triggered()
{
    moveCharts(std::trunc(ui.chart->scaleSettings().position) + 10.0);
}

void MainWindow::chooseChartColor(QPushButton* button, QColor (Chart::*current)() const,
                                  void (Chart::*apply)(QColor))
{
    const QColor color = dialogs->getColor((ui.chart->*current)(), this);
    if (!color.isValid())
        return;
    paintColorButton(button, color);
    for (ChartProtocol* chart : allCharts())
        (chart->*apply)(color);
}

void MainWindow::on_actColorTopBackground_triggered()
{
    chooseChartColor(ui.buttonTopColor, &Chart::topBackgroundColor, &Chart::setTopBackgroundColor);
}

void MainWindow::on_actColorBottomBackground_triggered()
{
    chooseChartColor(ui.buttonBottomColor, &Chart::bottomBackgroundColor,
                     &Chart::setBottomBackgroundColor);
}

void MainWindow::on_actColorGrid_triggered()
{
    chooseChartColor(ui.buttonGridColor, &Chart::gridColor, &Chart::setGridColor);
}

void MainWindow::on_chartScrollBar_sliderMoved(int value)
{
    ui.chart->setPosition(m_scrollScale.tick(value));
}

void MainWindow::on_chartsScrollBar_sliderMoved(int value)
{
    m_workspace->view().setPosition(m_scrollScale.tick(value));
}

QAction* MainWindow::addChartAction(const QString& name, const QString& text,
                                    const QString& toolTip, void (MainWindow::*slot)())
{
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    action->setToolTip(toolTip);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void MainWindow::createChartActions()
{
    actShowAll =
        addChartAction(QStringLiteral("actShowAll"), tr("Показать всё"),
                       tr("Показать весь загруженный протокол"), &MainWindow::showWholeSpan);
    actShowAll->setIcon(QIcon(QStringLiteral(":/res/zoom-all.png")));
    actLineStart = addChartAction(QStringLiteral("actLineStart"), tr("Курсор в начало"),
                                  tr("Курсор на начало данных"), &MainWindow::lineToStart);
    actLineEnd = addChartAction(QStringLiteral("actLineEnd"), tr("Курсор в конец"),
                                tr("Курсор на конец данных"), &MainWindow::lineToEnd);
    actLineLeft = addChartAction(QStringLiteral("actLineLeft"), tr("Курсор влево"),
                                 tr("Курсор на отсчет влево"), &MainWindow::lineLeft);
    actLineRight = addChartAction(QStringLiteral("actLineRight"), tr("Курсор вправо"),
                                  tr("Курсор на отсчет вправо"), &MainWindow::lineRight);
    actLineStepLeft =
        addChartAction(QStringLiteral("actLineStepLeft"), tr("Курсор на деление влево"),
                       tr("Курсор на деление сетки влево"), &MainWindow::lineStepLeft);
    actLineStepRight =
        addChartAction(QStringLiteral("actLineStepRight"), tr("Курсор на деление вправо"),
                       tr("Курсор на деление сетки вправо"), &MainWindow::lineStepRight);
    actViewBack = addChartAction(QStringLiteral("actViewBack"), tr("Предыдущий вид"),
                                 tr("Вернуть вид, что был до увеличения рамкой или «Показать всё»"),
                                 &MainWindow::previousView);
    actViewBack->setEnabled(false);
    connect(ui.chart, &ChartProtocol::viewJumped, this, &MainWindow::rememberView);
    actShortcutHelp =
        addChartAction(QStringLiteral("actShortcutHelp"), tr("Горячие клавиши"),
                       tr("Список клавиш и действий мышью"), &MainWindow::showShortcutHelp);
}

void MainWindow::showBookmarksOnEveryChart()
{
    showStoredBookmarks();
}

void MainWindow::showWholeSpan()
{
    if (!m_workspace->isLoaded())
        return;
    ui.chart->showRange(firstTick(), lastTick());
}

void MainWindow::rememberView(double zoom, double position)
{
    // Enough to retrace a search; the oldest go first.
    constexpr int kKeptViews = 50;
    viewHistory.append({zoom, position});
    if (viewHistory.size() > kKeptViews)
        viewHistory.removeFirst();
    actViewBack->setEnabled(true);
}

void MainWindow::previousView()
{
    if (viewHistory.isEmpty())
        return;
    const QPair<double, double> view = viewHistory.takeLast();
    actViewBack->setEnabled(!viewHistory.isEmpty());
    zoomCharts(view.first);
    moveCharts(view.second);
}

void MainWindow::placeLine(qint64 x)
{
    if (m_workspace->isLoaded())
        x = qBound<qint64>(firstTick(), x, lastTick());
    ui.chart->placeLineValue(x);
}

void MainWindow::lineToStart()
{
    if (!m_workspace->isLoaded())
        return;
    placeLine(firstTick());
    moveCharts(firstTick());
}

void MainWindow::lineToEnd()
{
    if (!m_workspace->isLoaded())
        return;
    placeLine(lastTick());
    // The end at the right edge of the plot.
    moveCharts(std::ceil(double(lastTick()) - visibleSpan(*ui.chart)));
}

void MainWindow::lineLeft()
{
    placeLine(ui.chart->lineValueX() - 1);
}

void MainWindow::lineRight()
{
    placeLine(ui.chart->lineValueX() + 1);
}

void MainWindow::lineStepLeft()
{
    placeLine(ui.chart->lineValueX() - gridStepTicks());
}

void MainWindow::lineStepRight()
{
    placeLine(ui.chart->lineValueX() + gridStepTicks());
}

qint64 MainWindow::gridStepTicks() const
{
    // The chart on screen knows the step it drew.
    const ChartProtocol* shown = ui.chart;
    if (ui.tabWidget->currentWidget() == ui.tabCharts && !mapSingleCharts.isEmpty())
        shown = mapSingleCharts.first();
    return qMax<qint64>(1, std::llround(qMin(shown->gridStep(), Chart::kSpanLimit)));
}

void MainWindow::showShortcutHelp()
{
    if (!shortcutHelp)
        shortcutHelp = new ShortcutHelp(this);
    shortcutHelp->setActions(findChildren<QAction*>());
    shortcutHelp->show();
    shortcutHelp->raise();
}
