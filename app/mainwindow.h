#pragma once

#include "app/dialogs.h"
#include "chartdata/columnseries.h"
#include "chartdata/scrollscale.h"
#include "device/deviceenvironment.h"
#include "formula/computedchannel.h"
#include "formula/formulacheck.h"
#include "parameters/chartcolor.h"
#include "protocol/readproblem.h"
#include "reports/chartpicturestyle.h"
#include "reports/reportresult.h"
#include "table/bookmarkfile.h"
#include "workspace/workspace.h"

#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QModelIndex>
#include <QSize>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

#include "ui_mainwindow.h"

class ChartParameters;
class StatisticsDock;
class EventsController;
class Chart;
class ChartProtocol;
class LoadProtocolProgress;
class QDockWidget;
class QLabel;
class QProcess;
class QTableWidgetItem;
class ProjectActions;
class ProtocolAssembly;
class ProtocolTableModel;
class ReportTable;
class ScaleAligner;
class ShortcutHelp;
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
    void clearProtocolView();
    void clearChartData();
    void clearSingleCharts();
    void buildSingleCharts(const QList<Channel>& channels);
    void updateChartScrollBar();
    void updateChartsScrollBar();

    static QString formatFileSize(qint64 size);

    // Writes the requested reports (empty names are skipped) without any
    // dialog, limited to the rows from `from` to `to` where those are valid;
    // returns one line per report that was not written, empty when all were.
    QStringList writeReports(const QString& xlsxFile, const QString& pdfFile,
                             const QString& csvFile, const QString& pngFile = QString(),
                             const ChartPictureOptions& picture = ChartPictureOptions(),
                             const QString& bookmarksFile = QString(), const QDateTime& from = {},
                             const QDateTime& to = {});
    int tableRowCount() const { return m_workspace->rowCount(); }
    // What is loaded and looked at; the window shows it.
    Workspace& workspace() const { return *m_workspace; }
    // The protocol table's rows, order, filter and marks.
    ProtocolTableModel* tableModel() const { return m_workspace->tableModel(); }
    // Protocols of the last read that were left out or read only in part.
    const QList<ReadProblem>& readProblems() const { return m_workspace->readProblems(); }
    // Whether the last read stopped because the files' tick lengths differ.
    bool readStoppedOnTickMismatch() const { return m_workspace->readStoppedOnTickMismatch(); }
    // Bookmark files of the last read that could not be read, for standard error.
    QStringList bookmarkProblems() const;

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
    const QMap<QString, ChartProtocol*>& singleCharts() const { return mapSingleCharts; }
    QString deviceFolder() const { return m_deviceFolder; }
    // Ports, drives, waiting and the monitor as the device actions see them.
    DeviceEnvironment& deviceEnvironment() { return m_deviceEnvironment; }
    // Project files: open, save, the recent list and the question on close.
    ProjectActions& projects() const { return *m_projects; }

signals:
    void initLoger();
    void initParameters(ChartProtocol& chart, QMap<QString, ChartProtocol*>& mapSingleCharts);

private slots:
    void on_actSave_triggered();
    void on_actParameter_triggered();
    void on_actInitLoger_triggered();
    void on_actLoad_triggered();
    void on_actFilter_triggered();
    void on_actGrid_triggered();
    void on_actLegend_triggered();
    void on_actZoomIn_triggered();
    void on_actZoomOrigin_triggered();
    void on_actZoomOut_triggered();
    void on_actLeft_triggered();
    void on_actZeroPoint_triggered();
    void on_actRight_triggered();
    void on_actPDF_triggered();
    void on_actColorTopBackground_triggered();
    void on_actColorBottomBackground_triggered();
    void on_actColorGrid_triggered();
    void on_actBookmarkAdd_triggered();
    void on_actBookmarkDelete_triggered();
    void on_actLogger_triggered();
    void on_actRefresh_triggered();
    void on_actFLASH_triggered();
    void on_actCopy_triggered();

    void filterFile();
    void onDateChanged();
    bool tryAddBookmarkTable(qint64 x);
    bool tryDeleteBookmarkTable(qint64 x);
    void setBookmarkEnabled();
    void setSingleChartVisible(QString name, bool bVisible);
    // A chart's menu showed or hid a channel: every chart and the
    // parameters panel follow.
    void followChannelShown(QString name, bool visible);
    void moveCharts(double position);
    void zoomCharts(double factor);
    void lineValueXChartsChanged(qint64 x);
    void on_pushButton_clicked();
    void on_btAdd_clicked();
    void on_twFiles_currentItemChanged(QTableWidgetItem* current, QTableWidgetItem* previous);
    void on_twEntry_clicked(QModelIndex index);
    void on_twEntry_doubleClicked(QModelIndex);
    void on_chartScrollBar_sliderMoved(int);
    void on_chartsScrollBar_sliderMoved(int);
    void on_buttonBookmarkAddTable_clicked();
    void on_buttonBookmarkDeleteTable_clicked();
    void referenceXChartsChanged(qint64 x);
    void referenceChartsCleared();
    void updateStatistics();
    void copyStatistics();
    void showWholeSpan();
    // A view left by a jump, and the way back to it, newest last.
    void rememberView(double zoom, double position);
    void previousView();
    void lineToStart();
    void lineToEnd();
    void lineLeft();
    void lineRight();
    void lineStepLeft();
    void lineStepRight();
    void showShortcutHelp();
    void showBookmarksOnEveryChart();
    void editBookmarkNote(qint64 x);
    void saveBookmarks();
    void editComputedChannels();
    void undoBookmarkChange();

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
    // Warns and returns false when there is no protocol directory to copy into.
    bool checkProtocolDirForCopy();
    void paintColorButton(QPushButton* button, const QColor& color);
    void chooseChartColor(QPushButton* button, QColor (Chart::*current)() const,
                          void (Chart::*apply)(QColor));
    void alignSingleCharts();
    // Gives the time labels to the lowest shown per-channel chart only.
    void shareTimeAxis();
    // Caps zooming out by the loaded span, on every chart.
    void limitZoomOut();
    void connectScrollBars();
    // The common chart first, then the per-channel charts.
    QList<ChartProtocol*> allCharts() const;
    // Asks for the file and the rows, writes the report and opens it, or
    // says it failed; `request` names the report by the field it fills in.
    void saveReport(const QString& filter, const QString& suffix, QString ReportRequest::*file);
    // Says in the status bar that the file was saved ("Отчет", "График") and
    // opens it; when no program opens it, now or later, a message names it.
    void showSavedFile(const QString& what, const QString& fileName);
    // The chart picture action, in the chart menu.
    void setupChartPictureAction();
    void saveChartPictureAs();
    void setupDataExportAction();
    void exportData();
    void readProtocolFiles(const QStringList& files, const QList<ReadProblem>& earlier);
    // Stops a running read at its next step; nothing when none runs.
    void cancelRead();
    QString readProblemsText() const;
    void setupParametersDock();
    void setupStatisticsDock();
    void connectReferenceCursor(ChartProtocol* chart);
    // Says which bookmark files of the new view could not be read.
    void showBookmarkProblems();
    void setupBookmarkNotes();
    void setupProtocolColumn();
    // The workspace's bookmarks on every chart.
    void showStoredBookmarks();
    void reportBookmarkErrors(const QStringList& errors);
    void setupTableColumns();
    void fitChannelColumns();
    void setupComputedChannels();
    void loadComputedChannels(const QString& directory);
    // The view state reaches every chart, the panel and the table.
    void connectViewState();
    void showPosition(double position);
    void showZoom(double zoom);
    void showLine(qint64 x);
    void showReference();
    void showChannel(const QString& title, bool shown);
    void showChannelColor(const QString& title, const QColor& color);
    void buildMenusAndToolbar();
    // The chart actions beyond the form's, and the keys of all actions
    // (mainwindow_charts.cpp).
    void createChartActions();
    QAction* addChartAction(const QString& name, const QString& text, const QString& toolTip,
                            void (MainWindow::*slot)());
    // Puts the value line of every chart on x, within the loaded ticks.
    void placeLine(qint64 x);
    qint64 gridStepTicks() const;
    void connectForm();
    void openDrop(const ProtocolDrop& drop);

    Ui::MainWindow ui;
    StreamLoger* logger = nullptr;
    ChartColor channelPalette;
    std::unique_ptr<Dialogs> dialogs;
    EventsController* m_eventsController = nullptr;
    // The loaded data, bookmarks and view state; the widgets show it.
    Workspace* m_workspace = nullptr;
    QLabel* m_rowProtocol = nullptr; // status bar: the protocol of the current row
    QDockWidget* parametersDock = nullptr;
    ChartParameters* parameters = nullptr;
    StatisticsDock* statisticsDock = nullptr;
    QAction* actStatistics = nullptr;
    QAction* actSaveChart = nullptr;  // "Сохранить график…"
    QAction* actExportData = nullptr; // "Экспорт данных…"
    QAction* actShowAll = nullptr;
    QAction* actLineStart = nullptr;
    QAction* actLineEnd = nullptr;
    QAction* actLineLeft = nullptr;
    QAction* actLineRight = nullptr;
    QAction* actLineStepLeft = nullptr;
    QAction* actLineStepRight = nullptr;
    QAction* actShortcutHelp = nullptr;
    QAction* actViewBack = nullptr;
    QVector<QPair<double, double>> viewHistory; // zoom, position
    ShortcutHelp* shortcutHelp = nullptr;
    std::unique_ptr<Clipboard> clipboard;
    QAction* actBookmarkUndo = nullptr; // Ctrl+Z: the last bookmark change
    ScrollScale m_scrollScale;          // ticks to the scroll bars' values
    QMap<QString, ChartProtocol*> mapSingleCharts;
    ScaleAligner* m_scaleAligner = nullptr; // lines the per-channel charts up
    QString m_deviceFolder;
    bool interactive = true;
    bool searchingProtocols = false;
    DeviceEnvironment m_deviceEnvironment;
    bool m_reading = false;
    LoadProtocolProgress* m_progress = nullptr; // while a read runs
    LoggerSerial* m_probe = nullptr;            // while the FLASH action probes ports
    bool m_closed = false;                      // the window was closed
    QAction* actComputed = nullptr;
    ProjectActions* m_projects = nullptr;
};
