#include "app/charttabs.h"

#include "app/chartrenderer.h"
#include "app/dialogs.h"
#include "app/shortcuthelp.h"
#include "chart/chartprotocol.h"
#include "chart/scalealigner.h"
#include "workspace/workspace.h"

#include "ui_mainwindow.h"

#include <QCoreApplication>
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

ChartTabs::ChartTabs(Ui::MainWindow& form, Workspace& workspace,
                     const std::unique_ptr<Dialogs>& dialogs, QWidget* window)
    : ui(form), m_workspace(workspace), m_dialogs(dialogs), m_window(window),
      m_scaleAligner(new ScaleAligner(this))
{
    restoreChartColors(*ui.chart);
    paintColorButton(ui.buttonTopColor, ui.chart->topBackgroundColor());
    paintColorButton(ui.buttonBottomColor, ui.chart->bottomBackgroundColor());
    paintColorButton(ui.buttonGridColor, ui.chart->gridColor());
    createActions();
    // A chart takes the focus when clicked, and its tab gives it the focus
    // when chosen, so that the keys reach it at once.
    ui.chart->setFocusPolicy(Qt::ClickFocus);
    connect(ui.tabWidget, &QTabWidget::currentChanged, this, [this] {
        if (ui.tabWidget->currentWidget() == ui.tabChart)
            ui.chart->setFocus();
        else if (ui.tabWidget->currentWidget() == ui.tabCharts && !m_singles.isEmpty())
            m_singles.first()->setFocus();
    });
    connectCommonChart();
    connectScrollBars();
    connectViewState();
}

ChartTabs::~ChartTabs() = default;

ChartProtocol* ChartTabs::chart() const
{
    return ui.chart;
}

void ChartTabs::connectCommonChart()
{
    ChartProtocol* chart = ui.chart;
    connect(chart, qOverload<double>(&Chart::positionChanged), this, [this](double position) {
        ui.chartScrollBar->setValue(m_scrollScale.value(position));
    });
    connect(chart, &ChartProtocol::lineValueXChanged, this, &ChartTabs::lineValueXChartsChanged);
    connect(chart, &ChartProtocol::zoomChanged, this, &ChartTabs::zoomCharts);
    connect(chart, qOverload<double>(&Chart::positionChanged), this, &ChartTabs::moveCharts);
    connect(chart, &ChartProtocol::viewJumped, this, &ChartTabs::rememberView);
    connect(chart, &Chart::channelShownChanged, &m_workspace.view(), &ViewState::setChannelShown);
    connectCursors(chart);
}

void ChartTabs::connectCursors(ChartProtocol* chart)
{
    ViewState* view = &m_workspace.view();
    connect(chart, &ChartProtocol::referenceXChanged, view, &ViewState::setReference);
    connect(chart, &ChartProtocol::referenceCleared, view, &ViewState::clearReference);
    connect(chart, &ChartProtocol::bookmarkNoteRequested, this, &ChartTabs::bookmarkNoteRequested);
}

void ChartTabs::buildSingleCharts(const QList<Channel>& channels)
{
    clearSingleCharts();
    // Views of an earlier load mean nothing for this one.
    m_viewHistory.clear();
    m_viewBack->setEnabled(false);
    ui.tabWidget->setCurrentIndex(2);

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
        const ViewState& view = m_workspace.view();
        single->setZoom(view.zoom());
        if (!m_singles.isEmpty())
            updateChartsScrollBar();
        single->setPosition(view.position());
        single->setLineValueX(view.line());
        single->setShowGrid(ui.chart->showGrid());
        single->setShowLegend(ui.chart->showLegend());
        single->setTopBackgroundColor(ui.chart->topBackgroundColor());
        single->setBottomBackgroundColor(ui.chart->bottomBackgroundColor());
        single->setGridColor(ui.chart->gridColor());
        single->setBookmarks(m_workspace.bookmarkTicks());
        single->setFocusPolicy(Qt::ClickFocus);
        single->setTimeShared(true);
        ui.splitterCharts->addWidget(single);
        m_scaleAligner->addChart(single);
        built.insert(channel.name(), single);
        m_singles.insert(channel.name(), single);
        connect(single, qOverload<double>(&Chart::positionChanged), this, &ChartTabs::moveCharts);
        connect(single, &ChartProtocol::zoomChanged, this, &ChartTabs::zoomCharts);
        connect(single, &ChartProtocol::lineValueXChanged, this,
                &ChartTabs::lineValueXChartsChanged);
        connectCursors(single);
        connect(single, &ChartProtocol::viewJumped, this, &ChartTabs::rememberView);
        connect(single, &Chart::channelShownChanged, &m_workspace.view(),
                &ViewState::setChannelShown);
        if (view.hasReference())
            single->setReferenceX(view.reference());
        QCoreApplication::processEvents();
    }
    updateChartsScrollBar();
    shareTimeAxis();
    // The scale columns are measured while painting: charts painted later
    // are lined up by the aligner after their paint.
    m_scaleAligner->align();
}

void ChartTabs::shareTimeAxis()
{
    // The charts stand one above the other on one time scale: the lowest
    // shown one carries the time labels for all.
    ChartProtocol* lowest = nullptr;
    for (int i = 0; i < ui.splitterCharts->count(); ++i) {
        auto* single = qobject_cast<ChartProtocol*>(ui.splitterCharts->widget(i));
        if (single && !single->isHidden())
            lowest = single;
    }
    for (ChartProtocol* single : qAsConst(m_singles)) {
        const bool axis = single == lowest;
        if (single->showScale() != axis)
            single->setShowScale(axis);
        single->setMinimumHeight(singleChartMinimumHeight(single->font(), axis));
    }
}

void ChartTabs::clearSingleCharts()
{
    m_scaleAligner->clear();
    for (ChartProtocol* single : qAsConst(m_singles)) {
        QObject::disconnect(single, nullptr, nullptr, nullptr);
        delete single;
    }
    m_singles.clear();
}

void ChartTabs::setTickRange(qint64 first, qint64 last)
{
    m_scrollScale.setRange(first, last);
    limitZoomOut();
}

void ChartTabs::limitZoomOut()
{
    ui.chart->setMaximumSpan(maximumSpan(*ui.chart, m_workspace));
    for (ChartProtocol* single : qAsConst(m_singles))
        single->setMaximumSpan(ui.chart->maximumSpan());
}

void ChartTabs::connectScrollBars()
{
    // Arrows, trough, keys and the wheel move a bar without sliderMoved;
    // every one of them triggers an action, after which the charts follow.
    const auto follow = [this](QScrollBar* bar, void (ChartTabs::*move)(int)) {
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar, move](int action) {
            // A dragged thumb reports through sliderMoved already.
            if (action == QAbstractSlider::SliderMove && bar->isSliderDown())
                return;
            (this->*move)(bar->sliderPosition());
        });
    };
    follow(ui.chartScrollBar, &ChartTabs::scrollChart);
    follow(ui.chartsScrollBar, &ChartTabs::scrollCharts);
}

void ChartTabs::updateChartScrollBar()
{
    const double span = visibleSpan(*ui.chart);
    ui.chartScrollBar->setMinimum(0);
    ui.chartScrollBar->setMaximum(
        qMax(0, m_scrollScale.value(double(m_workspace.lastTick()) - span)));
    ui.chartScrollBar->setPageStep(qMax(1, m_scrollScale.steps(span)));
}

void ChartTabs::updateChartsScrollBar()
{
    if (m_singles.isEmpty())
        return;
    const double span = visibleSpan(*m_singles.first());
    ui.chartsScrollBar->setMinimum(0);
    ui.chartsScrollBar->setMaximum(
        qMax(0, m_scrollScale.value(double(m_workspace.lastTick()) - span)));
    ui.chartsScrollBar->setPageStep(qMax(1, m_scrollScale.steps(span)));
}

void ChartTabs::setSingleChartVisible(const QString& name, bool visible)
{
    if (ChartProtocol* single = m_singles.value(name)) {
        // Its curve too: hidden from its own menu, it comes back drawn.
        single->setChartVisible(name, visible);
        single->setVisible(visible);
        shareTimeAxis();
    }
}

void ChartTabs::moveCharts(double position)
{
    // A move within one tick changes no state; the chart that made it goes
    // back onto the tick the others show.
    ViewState& view = m_workspace.view();
    if (std::trunc(position) == view.position())
        showPosition(view.position());
    view.setPosition(position);
}

void ChartTabs::zoomCharts(double factor)
{
    m_workspace.view().setZoom(factor);
}

void ChartTabs::lineValueXChartsChanged(qint64 x)
{
    // A chart's line set directly may differ from the state: the same tick
    // is shown again on every chart.
    ViewState& view = m_workspace.view();
    if (x == view.line())
        showLine(x);
    view.setLine(x);
}

void ChartTabs::scrollChart(int value)
{
    ui.chart->setPosition(m_scrollScale.tick(value));
}

void ChartTabs::scrollCharts(int value)
{
    m_workspace.view().setPosition(m_scrollScale.tick(value));
}

void ChartTabs::connectViewState()
{
    const ViewState* view = &m_workspace.view();
    connect(view, &ViewState::positionChanged, this, &ChartTabs::showPosition);
    connect(view, &ViewState::zoomChanged, this, &ChartTabs::showZoom);
    connect(view, &ViewState::lineChanged, this, &ChartTabs::showLine);
    connect(view, &ViewState::referenceChanged, this, &ChartTabs::showReference);
    connect(view, &ViewState::channelShownChanged, this, &ChartTabs::showChannel);
    connect(view, &ViewState::channelColorChanged, this, &ChartTabs::showChannelColor);
}

void ChartTabs::showPosition(double position)
{
    applyToAll(allCharts(), [position](ChartProtocol* c) { c->setPosition(position); });
    ui.chartsScrollBar->setValue(m_scrollScale.value(position));
    ui.chartScrollBar->setValue(m_scrollScale.value(position));
}

void ChartTabs::showZoom(double factor)
{
    applyToAll(allCharts(), [factor](ChartProtocol* c) { c->setZoom(factor); });
    updateChartsScrollBar();
    updateChartScrollBar();
    // The zoom moved the view around the value line; the thumbs show it.
    ui.chartScrollBar->setValue(m_scrollScale.value(ui.chart->scaleSettings().position));
    ui.chartsScrollBar->setValue(m_scrollScale.value(ui.chart->scaleSettings().position));
}

void ChartTabs::showLine(qint64 x)
{
    applyToAll(allCharts(), [x](ChartProtocol* c) {
        c->setLineValueX(x);
        c->update();
    });
    emit lineShown();
}

void ChartTabs::showReference()
{
    const ViewState& view = m_workspace.view();
    applyToAll(allCharts(), [&view](ChartProtocol* c) {
        if (view.hasReference())
            c->setReferenceX(view.reference());
        else
            c->clearReference();
    });
    emit statisticsStale();
}

void ChartTabs::showChannel(const QString& title, bool shown)
{
    {
        const QSignalBlocker blocker(ui.chart);
        ui.chart->setChartVisible(title, shown);
    }
    setSingleChartVisible(title, shown);
    emit channelShown(title, shown);
}

void ChartTabs::showChannelColor(const QString& title, const QColor& color)
{
    m_palette.setColor(title, color);
    for (ChartProtocol* chart : allCharts())
        chart->setNamedChannelColor(title, color);
}

QList<ChartProtocol*> ChartTabs::allCharts() const
{
    return QList<ChartProtocol*>{ui.chart} + m_singles.values();
}

void ChartTabs::toggleGrid()
{
    const bool grid = !ui.chart->showGrid();
    for (ChartProtocol* chart : allCharts())
        chart->setShowGrid(grid);
}

void ChartTabs::toggleLegend()
{
    const bool legend = !ui.chart->showLegend();
    for (ChartProtocol* chart : allCharts())
        chart->setShowLegend(legend);
}

void ChartTabs::chooseColor(QPushButton* button, QColor (Chart::*current)() const,
                            void (Chart::*apply)(QColor))
{
    const QColor color = m_dialogs->getColor((ui.chart->*current)(), m_window);
    if (!color.isValid())
        return;
    paintColorButton(button, color);
    for (ChartProtocol* chart : allCharts())
        (chart->*apply)(color);
}

void ChartTabs::paintColorButton(QPushButton* button, const QColor& color)
{
    if (!color.isValid())
        return;
    button->setStyleSheet(
        QStringLiteral("width: 50px; height: 35px; background-color: %1; border: none;")
            .arg(color.name()));
}

QAction* ChartTabs::addAction(const QString& name, const QString& text, const QString& toolTip,
                              void (ChartTabs::*slot)())
{
    // The window's own, so that its key list and menus find it.
    auto* action = new QAction(text, m_window);
    action->setObjectName(name);
    action->setToolTip(toolTip);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void ChartTabs::createActions()
{
    m_showAll = addAction(QStringLiteral("actShowAll"), tr("Показать всё"),
                          tr("Показать весь загруженный протокол"), &ChartTabs::showWholeSpan);
    m_showAll->setIcon(QIcon(QStringLiteral(":/res/zoom-all.png")));
    m_lineActions = {addAction(QStringLiteral("actLineStart"), tr("Курсор в начало"),
                               tr("Курсор на начало данных"), &ChartTabs::lineToStart),
                     addAction(QStringLiteral("actLineEnd"), tr("Курсор в конец"),
                               tr("Курсор на конец данных"), &ChartTabs::lineToEnd),
                     addAction(QStringLiteral("actLineLeft"), tr("Курсор влево"),
                               tr("Курсор на отсчет влево"), &ChartTabs::lineLeft),
                     addAction(QStringLiteral("actLineRight"), tr("Курсор вправо"),
                               tr("Курсор на отсчет вправо"), &ChartTabs::lineRight),
                     addAction(QStringLiteral("actLineStepLeft"), tr("Курсор на деление влево"),
                               tr("Курсор на деление сетки влево"), &ChartTabs::lineStepLeft),
                     addAction(QStringLiteral("actLineStepRight"), tr("Курсор на деление вправо"),
                               tr("Курсор на деление сетки вправо"), &ChartTabs::lineStepRight)};
    m_viewBack = addAction(QStringLiteral("actViewBack"), tr("Предыдущий вид"),
                           tr("Вернуть вид, что был до увеличения рамкой или «Показать всё»"),
                           &ChartTabs::previousView);
    m_viewBack->setEnabled(false);
    m_shortcutHelp = addAction(QStringLiteral("actShortcutHelp"), tr("Горячие клавиши"),
                               tr("Список клавиш и действий мышью"), &ChartTabs::showShortcutHelp);
}

void ChartTabs::showWholeSpan()
{
    if (!m_workspace.isLoaded())
        return;
    ui.chart->showRange(m_workspace.firstTick(), m_workspace.lastTick());
}

void ChartTabs::rememberView(double zoom, double position)
{
    // Enough to retrace a search; the oldest go first.
    constexpr int kKeptViews = 50;
    m_viewHistory.append({zoom, position});
    if (m_viewHistory.size() > kKeptViews)
        m_viewHistory.removeFirst();
    m_viewBack->setEnabled(true);
}

void ChartTabs::previousView()
{
    if (m_viewHistory.isEmpty())
        return;
    const QPair<double, double> view = m_viewHistory.takeLast();
    m_viewBack->setEnabled(!m_viewHistory.isEmpty());
    zoomCharts(view.first);
    moveCharts(view.second);
}

void ChartTabs::placeLine(qint64 x)
{
    if (m_workspace.isLoaded())
        x = qBound<qint64>(m_workspace.firstTick(), x, m_workspace.lastTick());
    ui.chart->placeLineValue(x);
}

void ChartTabs::lineToStart()
{
    if (!m_workspace.isLoaded())
        return;
    placeLine(m_workspace.firstTick());
    moveCharts(m_workspace.firstTick());
}

void ChartTabs::lineToEnd()
{
    if (!m_workspace.isLoaded())
        return;
    placeLine(m_workspace.lastTick());
    // The end at the right edge of the plot.
    moveCharts(std::ceil(double(m_workspace.lastTick()) - visibleSpan(*ui.chart)));
}

void ChartTabs::lineLeft()
{
    placeLine(ui.chart->lineValueX() - 1);
}

void ChartTabs::lineRight()
{
    placeLine(ui.chart->lineValueX() + 1);
}

void ChartTabs::lineStepLeft()
{
    placeLine(ui.chart->lineValueX() - gridStepTicks());
}

void ChartTabs::lineStepRight()
{
    placeLine(ui.chart->lineValueX() + gridStepTicks());
}

qint64 ChartTabs::gridStepTicks() const
{
    // The chart on screen knows the step it drew.
    const ChartProtocol* shown = ui.chart;
    if (ui.tabWidget->currentWidget() == ui.tabCharts && !m_singles.isEmpty())
        shown = m_singles.first();
    return qMax<qint64>(1, std::llround(qMin(shown->gridStep(), Chart::kSpanLimit)));
}

void ChartTabs::showShortcutHelp()
{
    if (!m_shortcutHelpWindow)
        m_shortcutHelpWindow = new ShortcutHelp(m_window);
    m_shortcutHelpWindow->setActions(m_window->findChildren<QAction*>());
    m_shortcutHelpWindow->show();
    m_shortcutHelpWindow->raise();
}
