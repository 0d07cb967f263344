#include "app/mainwindow.h"

#include "app/chartrenderer.h"
#include "app/platform.h"
#include "app/eventscontroller.h"
#include "app/projectactions.h"
#include "app/windowmenus.h"
#include "app/rememberedplaces.h"
#include "parameters/settingsfile.h"
#include "chart/chartprotocol.h"
#include "protocol/streamloger.h"
#include "app/statisticsdock.h"
#include "statistics/statisticspanel.h"
#include "table/protocoltablemodel.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QToolButton>

// The icons live in the widget library, which is linked statically, so its
// resources are registered by hand before the form asks for them.
static void initResources()
{
    Q_INIT_RESOURCE(res);
}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), dialogs(std::make_unique<Dialogs>()),
      clipboard(std::make_unique<Clipboard>())
{
    m_workspace = new Workspace(nullptr, this);
    initResources();
    ui.setupUi(this);
    // Protocol files and log folders dropped anywhere on the window (mainwindow_drop.cpp).
    setAcceptDrops(true);
    showLogDirectory(QString());
    logger = StreamLoger::instance();

    restoreChartColors(*ui.chart);
    paintColorButton(ui.buttonTopColor, ui.chart->topBackgroundColor());
    paintColorButton(ui.buttonBottomColor, ui.chart->bottomBackgroundColor());
    paintColorButton(ui.buttonGridColor, ui.chart->gridColor());

    for (QWidget* w : {static_cast<QWidget*>(ui.edName), static_cast<QWidget*>(ui.pushButton),
                       static_cast<QWidget*>(ui.cbChan), static_cast<QWidget*>(ui.sbValue),
                       static_cast<QWidget*>(ui.btAdd)})
        w->hide();

    setupParametersDock();
    setupStatisticsDock();
    setupBookmarkNotes();
    setupComputedChannels();
    m_eventsController = new EventsController(
        *m_workspace, [this]() -> Dialogs& { return *dialogs; }, this,
        [this] { return allCharts(); });

    ui.twFiles->setColumnWidth(0, 200);
    ui.twFiles->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    ui.twFiles->setColumnWidth(2, 100);
    restoreTableSplit();
    fitToNarrowWindows();
    // Until a header is clicked, the list keeps the directory's name order,
    // which for protocol files is their chronological order.
    ui.twFiles->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    ui.twEntry->setModel(m_workspace->tableModel());
    setupTableColumns();
    setupProtocolColumn();

    buildMenusAndToolbar();
    setupChartPictureAction();
    setupDataExportAction();
    m_projects = new ProjectActions(*this, *m_workspace, dialogs);
    if (auto* file = ui.menuBar->findChild<QMenu*>(QStringLiteral("menuFile")))
        m_projects->addToMenu(*file);

    // Whole seconds, as the list shows them, so that equal limits can meet a start.
    QDateTime now = QDateTime::currentDateTime();
    now = now.addMSecs(-now.time().msec());
    ui.dtBegin->setDateTime(now);
    ui.dtEnd->setDateTime(now);
    onDateChanged();

    connectForm();
    setBookmarkEnabled();
}

MainWindow::~MainWindow()
{
    // The docks go with the window's widgets, after this part of it: their
    // last signals must not reach it.
    statisticsDock->disconnect(this);
    statisticsDock->panel()->disconnect(this);
    clearChartData();
    if (interactive) {
        saveChartColors(*ui.chart);
        rememberTableSplit();
    } else
        channelPalette.setSaveOnExit(false);
    // The workspace is a child too: its model resets as it goes.
    m_workspace->disconnect(this);
    tableModel()->disconnect(this);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A read or a probe still running would go on for a window that is
    // going away; a probe might even send the FLASH command after the close.
    if (!m_reading && !m_projects->confirmClose()) {
        event->ignore();
        return;
    }
    cancelRead();
    m_closed = true;
    if (m_probe)
        m_probe->stop();
    QMainWindow::closeEvent(event);
}

void MainWindow::setDialogs(std::unique_ptr<Dialogs> replacement)
{
    dialogs = std::move(replacement);
}

void MainWindow::paintColorButton(QPushButton* button, const QColor& color)
{
    if (!color.isValid())
        return;
    button->setStyleSheet(
        QStringLiteral("width: 50px; height: 35px; background-color: %1; border: none;")
            .arg(color.name()));
}

void MainWindow::buildMenusAndToolbar()
{
    createChartActions();
    const WindowActions added{
        actStatistics,
        actComputed,
        actShowAll,
        actViewBack,
        actShortcutHelp,
        {actLineStart, actLineEnd, actLineLeft, actLineRight, actLineStepLeft, actLineStepRight}};
    fillMenusAndToolbar(ui, added);
    m_eventsController->addToMenu(ui.menuBar->findChild<QMenu*>(QStringLiteral("menuChart")));
    applyShortcuts(ui, *this, added);
    // A chart takes the focus when clicked, and its tab gives it the focus
    // when chosen, so that the keys reach it at once.
    ui.chart->setFocusPolicy(Qt::ClickFocus);
    connect(ui.tabWidget, &QTabWidget::currentChanged, this, [this] {
        if (ui.tabWidget->currentWidget() == ui.tabChart)
            ui.chart->setFocus();
        else if (ui.tabWidget->currentWidget() == ui.tabCharts && !mapSingleCharts.isEmpty())
            mapSingleCharts.first()->setFocus();
    });
    ui.menuBar->show();
}

void MainWindow::connectForm()
{
    connect(ui.gbFile, &QGroupBox::toggled, this, &MainWindow::filterFile);
    connect(ui.dtBegin, &QDateTimeEdit::dateTimeChanged, this, &MainWindow::onDateChanged);
    connect(ui.dtEnd, &QDateTimeEdit::dateTimeChanged, this, &MainWindow::onDateChanged);
    connect(ui.chart, qOverload<double>(&Chart::positionChanged), this, [this](double position) {
        ui.chartScrollBar->setValue(m_scrollScale.value(position));
    });

    const QList<QPair<QAbstractButton*, QAction*>> toolButtons = {
        {ui.buttonZoomIn, ui.actZoomIn},
        {ui.buttonZoomOrigin, ui.actZoomOrigin},
        {ui.buttonZoomOut, ui.actZoomOut},
        {ui.buttonLeft, ui.actLeft},
        {ui.buttonZeroPoint, ui.actZeroPoint},
        {ui.buttonRight, ui.actRight},
        {ui.buttonGrid, ui.actGrid},
        {ui.buttonLegend, ui.actLegend},
        {ui.buttonBookmarkPrevious, ui.actBookmarkPrevious},
        {ui.buttonBookmark, ui.actBookmark},
        {ui.buttonBookmarkNext, ui.actBookmarkNext},
        {ui.buttonBookmarkAdd, ui.actBookmarkAdd},
        {ui.buttonBookmarkDelete, ui.actBookmarkDelete},
        {ui.buttonTopColor, ui.actColorTopBackground},
        {ui.buttonBottomColor, ui.actColorBottomBackground},
        {ui.buttonGridColor, ui.actColorGrid},
        {ui.btRead, ui.actLoad},
    };
    for (const auto& pair : toolButtons)
        connect(pair.first, &QAbstractButton::clicked, pair.second, &QAction::triggered);

    connect(ui.actBookmark, &QAction::triggered, ui.chart, &ChartProtocol::goToBookmark);
    connect(ui.actBookmarkNext, &QAction::triggered, ui.chart, &ChartProtocol::nextBookmark);
    connect(ui.actBookmarkPrevious, &QAction::triggered, ui.chart,
            &ChartProtocol::previousBookmark);
    connect(ui.chart, &ChartProtocol::bookmarkChanged, this, &MainWindow::setBookmarkEnabled);
    connect(ui.chart, &ChartProtocol::lineValueXChanged, this, &MainWindow::setBookmarkEnabled);
    connect(ui.chart, &ChartProtocol::lineValueXChanged, this,
            &MainWindow::lineValueXChartsChanged);
    connect(ui.chart, &ChartProtocol::zoomChanged, this, &MainWindow::zoomCharts);
    connect(ui.chart, qOverload<double>(&Chart::positionChanged), this, &MainWindow::moveCharts);
    connectScrollBars();
    connectViewState();
}

bool MainWindow::setupLoger(const QString& path)
{
    if (path.isEmpty() || m_reading)
        return false;
    const bool applied = logger->init(path);

    ui.cbChan->clear();
    for (const QString& code : logger->codes())
        ui.cbChan->addItem(QStringLiteral("%1 (%2)").arg(logger->channelName(code), code),
                           logger->channelId(code));

    refreshProtocols();
    loadComputedChannels(path);

    clearProtocolView();
    emit initLoger();

    const QString directory = QDir(path).absolutePath();
    showLogDirectory(applied ? directory : QString());
    if (applied) {
        // The next start finds it again, also when started from the menu.
        if (interactive)
            RememberedPlaces(settingsFilePath()).setLogDirectory(directory);
        return true;
    }
    // The folder it looked in, why, and at once a way to another.
    QString text =
        tr("Нет настроек для логера") + QLatin1Char('\n') + QDir::toNativeSeparators(directory);
    if (!logger->russianError().isEmpty())
        text += QLatin1Char('\n') + logger->russianError();
    if (!interactive) {
        dialogs->warning(this, tr("Внимание!"), text);
        return false;
    }
    if (dialogs->question(this, tr("Внимание!"),
                          text + tr("\n\nВыбрать файл настроек (log.def) в другой папке?")) ==
        QMessageBox::Yes)
        return chooseLogDefinition();
    return false;
}

void MainWindow::showLogDirectory(const QString& directory)
{
    const QString title = QStringLiteral("Voltrek %1").arg(platform::programVersion());
    setWindowTitle(directory.isEmpty()
                       ? title
                       : title + QStringLiteral(" — ") + QDir::toNativeSeparators(directory));
}

bool MainWindow::chooseLogDefinition()
{
    // A new definition in the middle of a search would list two directories.
    if (searchingProtocols)
        return false;
    // Where the last definition came from, else the user's home.
    QString start = RememberedPlaces(settingsFilePath()).logDirectory();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QDir::homePath();
    const QString chosen = dialogs->getOpenFileName(
        this, tr("Выберите файл с настройками (log.def)"), start, tr("Файл настроек (log.def)"));
    const QString directory = chosen.left(chosen.lastIndexOf(QLatin1Char('/')));
    if (chosen.isEmpty() || directory.isEmpty())
        return false;
    return setupLoger(directory);
}

void MainWindow::on_actInitLoger_triggered()
{
    chooseLogDefinition();
}
