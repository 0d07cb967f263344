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

#include <cmath>

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

    m_charts = std::make_unique<ChartTabs>(ui, *m_workspace, dialogs, this);
    m_bookmarks = std::make_unique<BookmarkActions>(ui, *m_workspace, dialogs, *m_charts, this);
    connect(m_charts.get(), &ChartTabs::lineShown, this, &MainWindow::updateStatistics);
    connect(m_charts.get(), &ChartTabs::statisticsStale, this, &MainWindow::updateStatistics);
    connect(m_bookmarks.get(), &BookmarkActions::statisticsStale, this,
            &MainWindow::updateStatistics);
    m_device = std::make_unique<DeviceActions>(ui, *logger, dialogs, this, m_reading);
    m_device->refreshProtocols = [this] { refreshProtocols(); };
    m_device->readProtocols = [this](const QStringList& files) { readProtocols(files); };

    for (QWidget* w : {static_cast<QWidget*>(ui.edName), static_cast<QWidget*>(ui.pushButton),
                       static_cast<QWidget*>(ui.cbChan), static_cast<QWidget*>(ui.sbValue),
                       static_cast<QWidget*>(ui.btAdd)})
        w->hide();

    setupParametersDock();
    setupStatisticsDock();
    setupComputedChannels();
    m_eventsController = new EventsController(
        *m_workspace, [this]() -> Dialogs& { return *dialogs; }, this,
        [this] { return m_charts->allCharts(); });

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
    m_reports =
        std::make_unique<ReportActions>(ui, *m_workspace, dialogs, this, m_reading, interactive);
    m_export = std::make_unique<DataExportAction>(ui, *m_workspace, dialogs, this, m_reading);
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
    connect(ui.twFiles, &QTableWidget::itemSelectionChanged, this, &MainWindow::enableCompare);
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
        m_charts->palette().setSaveOnExit(false);
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
    m_device->close();
    QMainWindow::closeEvent(event);
}

void MainWindow::setDialogs(std::unique_ptr<Dialogs> replacement)
{
    dialogs = std::move(replacement);
}

void MainWindow::buildMenusAndToolbar()
{
    const WindowActions added{actStatistics,
                              actComputed,
                              m_charts->showAllAction(),
                              m_charts->viewBackAction(),
                              m_charts->shortcutHelpAction(),
                              m_charts->lineActions()};
    fillMenusAndToolbar(ui, added);
    m_eventsController->addToMenu(ui.menuBar->findChild<QMenu*>(QStringLiteral("menuChart")));
    applyShortcuts(ui, *this, added);
    ui.menuBar->show();
}

void MainWindow::connectForm()
{
    connect(ui.gbFile, &QGroupBox::toggled, this, &MainWindow::filterFile);
    connect(ui.dtBegin, &QDateTimeEdit::dateTimeChanged, this, &MainWindow::onDateChanged);
    connect(ui.dtEnd, &QDateTimeEdit::dateTimeChanged, this, &MainWindow::onDateChanged);

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
        {ui.btCompare, ui.actCompare},
    };
    for (const auto& pair : toolButtons)
        connect(pair.first, &QAbstractButton::clicked, pair.second, &QAction::triggered);
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

// The chart buttons' steps, from the common chart's view.
void MainWindow::on_actZoomIn_triggered()
{
    zoomCharts(ui.chart->zoom() / 1.1);
}

void MainWindow::on_actZoomOut_triggered()
{
    zoomCharts(ui.chart->zoom() * 1.1);
}

void MainWindow::on_actLeft_triggered()
{
    moveCharts(std::trunc(ui.chart->scaleSettings().position) - 10.0);
}

void MainWindow::on_actRight_triggered()
{
    moveCharts(std::trunc(ui.chart->scaleSettings().position) + 10.0);
}

void MainWindow::on_actColorTopBackground_triggered()
{
    m_charts->chooseColor(ui.buttonTopColor, &Chart::topBackgroundColor,
                          &Chart::setTopBackgroundColor);
}

void MainWindow::on_actColorBottomBackground_triggered()
{
    m_charts->chooseColor(ui.buttonBottomColor, &Chart::bottomBackgroundColor,
                          &Chart::setBottomBackgroundColor);
}

void MainWindow::on_actColorGrid_triggered()
{
    m_charts->chooseColor(ui.buttonGridColor, &Chart::gridColor, &Chart::setGridColor);
}
