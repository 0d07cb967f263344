#pragma once

#include "app/bookmarkactions.h"
#include "app/charttabs.h"
#include "app/dataexportaction.h"
#include "app/deviceactions.h"
#include "app/dialogs.h"
#include "app/reportactions.h"
#include "compare/alignmentrule.h"
#include "formula/computedchannel.h"
#include "protocol/readplan.h"
#include "protocol/readproblem.h"
#include "workspace/workspace.h"

#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QModelIndex>
#include <QStringList>

#include <memory>

#include "ui_mainwindow.h"

class ChartParameters;
class ComparisonWindow;
class StatisticsDock;
class EventsController;
class ChartProtocol;
class LoadProtocolProgress;
class QDockWidget;
class QLabel;
class QTableWidgetItem;
class ProjectActions;
class ProtocolTableModel;
struct ProtocolDrop;
class StreamLoger;
struct Channel;

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Applies the log definition in that directory; false when it has none
    // (then said so, with an offer to choose another when interactive).
    bool setupLoger(const QString& path);
    void refreshProtocols();
    // Which log definition a read uses: that of the protocols' own log
    // directory (switched to where they lie elsewhere), or the applied one,
    // as the user named it or as a re-read of what is shown keeps it.
    enum class Definition { OfProtocols, Applied };
    void readProtocols(const QStringList& files, Definition definition = Definition::OfProtocols);
    // Opens 2 to 8 protocols side by side in a comparison window, aligned by
    // the rule; null (and a message) when fewer than two could be read.
    ComparisonWindow* compareProtocols(const QStringList& files,
                                       Definition definition = Definition::OfProtocols,
                                       const AlignmentRule& rule = {});
    void clearProtocolView();
    void clearChartData();
    void clearSingleCharts() { m_charts->clearSingleCharts(); }
    void buildSingleCharts(const QList<Channel>& channels)
    {
        m_charts->buildSingleCharts(channels);
    }
    void updateChartScrollBar() { m_charts->updateChartScrollBar(); }
    void updateChartsScrollBar() { m_charts->updateChartsScrollBar(); }

    static QString formatFileSize(qint64 size);

    int tableRowCount() const { return m_workspace->rowCount(); }
    // What is loaded and looked at; the window shows it.
    Workspace& workspace() const { return *m_workspace; }
    // The protocol table's rows, order, filter and marks.
    ProtocolTableModel* tableModel() const { return m_workspace->tableModel(); }
    // Protocols of the last read that were left out or read only in part.
    const QList<ReadProblem>& readProblems() const { return m_workspace->readProblems(); }
    // Whether the last read stopped because the files' tick lengths differ.
    bool readStoppedOnTickMismatch() const { return m_workspace->readStoppedOnTickMismatch(); }
    // Whether protocols are being read; no other read, refresh, report or
    // device action starts meanwhile.
    bool isReading() const { return m_reading; }

    // Batch runs read without showing the progress window and leave no
    // settings behind.
    void setInteractive(bool on) { interactive = on; }

    // Computed channels: those of computed.def beside log.def, with the
    // formulas given on the command line ("CODE=EXPR") in place of the file's
    // for their codes. Returns the English fault naming each refused formula,
    // empty when all can be computed.
    QString setFormulaOptions(const QStringList& options)
    {
        return m_workspace->setFormulaOptions(options);
    }
    // Why computed.def was not read, empty when it was (or is missing).
    QString computedFileProblem() const { return m_workspace->computedFileProblem(); }
    // Saves the list to computed.def and shows the loaded protocols with it;
    // false (and a message) when it could not be saved, the old file kept.
    bool applyComputedChannels(const ComputedChannels& channels);

    // Replaces the modal questions (file choosers, message boxes, colour picker).
    void setDialogs(std::unique_ptr<Dialogs> dialogs);
    void setClipboard(std::unique_ptr<Clipboard> clipboard);

    qint64 firstTick() const { return m_workspace->firstTick(); }
    qint64 lastTick() const { return m_workspace->lastTick(); }
    const QMap<QString, ChartProtocol*>& singleCharts() const { return m_charts->singleCharts(); }
    QString deviceFolder() const { return m_device->deviceFolder(); }
    // Ports, drives, waiting and the monitor as the device actions see them.
    DeviceEnvironment& deviceEnvironment() { return m_device->environment(); }
    // Project files: open, save, the recent list and the question on close.
    ProjectActions& projects() const { return *m_projects; }

signals:
    void initLoger();
    void initParameters(ChartProtocol& chart, QMap<QString, ChartProtocol*>& mapSingleCharts);

private slots:
    // The form's actions and buttons, connected by name; most forward to the
    // class that carries them out.
    void on_actSave_triggered() { m_reports->saveWorkbook(); }
    void on_actParameter_triggered();
    void on_actInitLoger_triggered() { chooseLogDefinition(); }
    void on_actLoad_triggered();
    void on_actCompare_triggered();
    void on_actFilter_triggered();
    void on_actGrid_triggered() { m_charts->toggleGrid(); }
    void on_actLegend_triggered() { m_charts->toggleLegend(); }
    void on_actZoomIn_triggered();
    void on_actZoomOrigin_triggered() { zoomCharts(1.0); }
    void on_actZoomOut_triggered();
    void on_actLeft_triggered();
    void on_actZeroPoint_triggered() { moveCharts(firstTick()); }
    void on_actRight_triggered();
    void on_actPDF_triggered() { m_reports->savePdf(); }
    void on_actColorTopBackground_triggered();
    void on_actColorBottomBackground_triggered();
    void on_actColorGrid_triggered();
    void on_actBookmarkAdd_triggered() { m_bookmarks->addAtLine(); }
    void on_actBookmarkDelete_triggered() { m_bookmarks->deleteCurrent(); }
    void on_actLogger_triggered() { m_device->openMonitor(); }
    void on_actRefresh_triggered() { refreshProtocols(); }
    void on_actFLASH_triggered() { m_device->switchToFlash(); }
    void on_actCopy_triggered() { m_device->copyProtocol(); }

    void filterFile();
    void onDateChanged();
    bool tryAddBookmarkTable(qint64 x) { return m_bookmarks->tryAdd(x); }
    bool tryDeleteBookmarkTable(qint64 x) { return m_bookmarks->tryDelete(x); }
    void setBookmarkEnabled() { m_bookmarks->updateEnabled(); }
    void setSingleChartVisible(QString name, bool visible)
    {
        m_charts->setSingleChartVisible(name, visible);
    }
    void moveCharts(double position) { m_charts->moveCharts(position); }
    void zoomCharts(double factor) { m_charts->zoomCharts(factor); }
    void lineValueXChartsChanged(qint64 x) { m_charts->lineValueXChartsChanged(x); }
    void on_pushButton_clicked();
    void on_btAdd_clicked();
    void on_twFiles_currentItemChanged(QTableWidgetItem* current, QTableWidgetItem* previous);
    void on_twEntry_clicked(QModelIndex index) { m_bookmarks->rowClicked(index); }
    void on_twEntry_doubleClicked(QModelIndex) { ui.tabWidget->setCurrentIndex(1); }
    void on_chartScrollBar_sliderMoved(int value) { m_charts->scrollChart(value); }
    void on_chartsScrollBar_sliderMoved(int value) { m_charts->scrollCharts(value); }
    void on_buttonBookmarkAddTable_clicked() { m_bookmarks->addAtCurrentRow(); }
    void on_buttonBookmarkDeleteTable_clicked() { m_bookmarks->deleteAtCurrentRow(); }
    void updateStatistics();
    void copyStatistics();
    void editComputedChannels();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Lets the side panels take up to half of a small screen (mainwindow_layout.cpp).
    void fitToNarrowWindows();
    // The split between file list and table, as the user left it.
    void restoreTableSplit();
    void rememberTableSplit();
    void placeTableSplit();
    // What the file list shows of a description before it cuts it.
    static constexpr int kDescriptionWidth = 160;
    bool m_autoTableSplit = false;
    // The side panels open as wide as their widest row, up to kDockShare of the window.
    void fitDockWidths();
    static constexpr double kDockShare = 0.4;
    int m_fittedDockWidth = -1; // the width last given, -1: none yet
    // Asks for a log definition file and applies its directory.
    bool chooseLogDefinition();
    // The title names the directory whose definition is applied.
    void showLogDirectory(const QString& directory);
    void readProtocolFiles(const QStringList& files, const QList<ReadProblem>& earlier);
    // Stops a running read at its next step; nothing when none runs.
    void cancelRead();
    QString readProblemsText() const;
    // The files to read and the definition to apply first; `repeats` keeps
    // a file named again (a comparison of two runs in one file).
    readplan::Plan readPlan(const QStringList& files, Definition definition,
                            bool repeats = false) const;
    void setupParametersDock();
    void setupStatisticsDock();
    void setupProtocolColumn();
    void setupTableColumns();
    void fitChannelColumns();
    void setupComputedChannels();
    void loadComputedChannels(const QString& directory);
    void buildMenusAndToolbar();
    void connectForm();
    void openDrop(const ProtocolDrop& drop);
    // The protocols selected in the list, as the list names them.
    QStringList selectedProtocols() const;
    // "Сравнить" takes two to eight of them.
    void enableCompare();

    Ui::MainWindow ui;
    StreamLoger* logger = nullptr;
    std::unique_ptr<Dialogs> dialogs;
    std::unique_ptr<Clipboard> clipboard;
    EventsController* m_eventsController = nullptr;
    // The loaded data, bookmarks and view state; the widgets show it.
    Workspace* m_workspace = nullptr;
    QLabel* m_rowProtocol = nullptr; // status bar: the protocol of the current row
    QDockWidget* parametersDock = nullptr;
    ChartParameters* parameters = nullptr;
    StatisticsDock* statisticsDock = nullptr;
    QAction* actStatistics = nullptr;
    QAction* actComputed = nullptr;
    bool interactive = true;
    bool searchingProtocols = false;
    bool m_reading = false;
    LoadProtocolProgress* m_progress = nullptr; // while a read runs
    // What the window's parts do; they go before the widgets they use.
    std::unique_ptr<ChartTabs> m_charts;
    std::unique_ptr<BookmarkActions> m_bookmarks;
    std::unique_ptr<ReportActions> m_reports;
    std::unique_ptr<DataExportAction> m_export;
    std::unique_ptr<DeviceActions> m_device;
    ProjectActions* m_projects = nullptr;
};
