#include "app/mainwindow.h"

#include "app/chartrenderer.h"
#include "app/statisticsdock.h"
#include "chart/chartprotocol.h"
#include "parameters/chartparameters.h"
#include "protocol/loadprotocolprogress.h"
#include "protocol/readplan.h"
#include "protocol/streamloger.h"
#include "reports/failuretext.h"
#include "table/protocolassembly.h"
#include "table/protocoltablemodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QHeaderView>
#include <QScopeGuard>
#include <QStatusBar>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>

namespace {
void processEvents()
{
    QCoreApplication::processEvents();
}

// Marks the window as reading for as long as it lives: the actions that
// would start another read, a refresh, a report or a device exchange are
// disabled, and given back their old state afterwards. Pending events are
// processed all through a read, and once its progress window is gone the
// main window takes input again; a second read inside the first would free
// the data the charts of the first still paint.
class ReadingScope
{
public:
    ReadingScope(bool& reading, const QList<QAction*>& actions, QWidget* readButton)
        : m_reading(reading), m_actions(actions), m_readButton(readButton)
    {
        m_reading = true;
        for (QAction* action : m_actions) {
            m_wasEnabled.append(action->isEnabled());
            action->setEnabled(false);
        }
        m_buttonWasEnabled = m_readButton->isEnabled();
        m_readButton->setEnabled(false);
    }
    ~ReadingScope()
    {
        for (int i = 0; i < m_actions.size(); ++i)
            m_actions[i]->setEnabled(m_wasEnabled[i]);
        m_readButton->setEnabled(m_buttonWasEnabled);
        m_reading = false;
    }
    Q_DISABLE_COPY_MOVE(ReadingScope)

private:
    bool& m_reading;
    QList<QAction*> m_actions;
    QList<bool> m_wasEnabled;
    QWidget* m_readButton;
    bool m_buttonWasEnabled = false;
};
} // namespace

void MainWindow::on_actLoad_triggered()
{
    QStringList files;
    const QModelIndexList rows = ui.twFiles->selectionModel()->selectedRows(0);
    for (const QModelIndex& index : rows) {
        if (const QTableWidgetItem* name = ui.twFiles->item(index.row(), 1))
            files.append(name->data(Qt::UserRole).toString());
    }
    readProtocols(files);
}

void MainWindow::readProtocols(const QStringList& files, Definition definition)
{
    if (m_reading)
        return;
    // The definition first: applying another one clears the view and lists
    // its protocol folder.
    const readplan::Plan plan = readPlan(files, definition);
    if (!plan.logDirectory.isEmpty() && setupLoger(plan.logDirectory))
        statusBar()->showMessage(tr("Протоколы прочитаны по %1")
                                     .arg(QDir::toNativeSeparators(logger->definitionPath())));

    const ReadingScope reading(m_reading,
                               {ui.actLoad, ui.actRefresh, ui.actInitLoger, ui.actSave, ui.actPDF,
                                ui.actFLASH, ui.actCopy, ui.actLogger},
                               ui.btRead);
    readProtocolFiles(plan.files, plan.problems);
    // Once per load, after the progress window has gone.
    if (interactive && !readProblems().isEmpty())
        dialogs->warning(this, tr("Внимание!"), readProblemsText());
}

readplan::Plan MainWindow::readPlan(const QStringList& files, Definition definition,
                                    bool repeats) const
{
    readplan::Applied applied;
    applied.definition = logger->definitionPath();
    applied.protocolDir = logger->protocolDir();
    applied.hasProtocolDir = logger->hasProtocolDir();
    applied.keep = definition == Definition::Applied;
    applied.repeats = repeats;
    return readplan::plan(files, applied);
}

QString MainWindow::readProblemsText() const
{
    QStringList faults;
    QStringList notices;
    for (const ReadProblem& problem : readProblems())
        (problem.isNotice() ? notices : faults).append(failuretext::readProblemText(problem));
    QStringList lines;
    if (!faults.isEmpty())
        lines << tr("Не все протоколы загружены:") << faults;
    if (!notices.isEmpty())
        lines << tr("Обратите внимание:") << notices;
    return lines.join(QLatin1Char('\n'));
}

void MainWindow::readProtocolFiles(const QStringList& files, const QList<ReadProblem>& earlier)
{
    clearProtocolView();
    const int n = files.size();

    LoadProtocolProgress progress(this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint);
    progress.initTotalProgress(2 * n + 1);
    m_progress = &progress;
    const auto forget = qScopeGuard([this] { m_progress = nullptr; });
    if (interactive)
        progress.show();

    // The workspace reads; the dialog only shows how far it got, and the
    // window stays alive and the cancel button works between its steps.
    ReadProgress steps;
    steps.step = [&progress](int step) { progress.setTotalProgress(step); };
    steps.phase = [&progress](int count, const QString& text) {
        progress.initDetailProgress(count, text);
    };
    steps.proceed = [&progress] {
        processEvents();
        return !progress.cancelled;
    };
    const Workspace::ReadResult result = m_workspace->read(files, steps, earlier);
    if (result == Workspace::ReadResult::TickMismatch)
        dialogs->warning(this, tr("Внимание!"), tr("Отсчет времени в файлах не совпадает"));
    if (result != Workspace::ReadResult::Loaded) {
        clearProtocolView();
        return;
    }

    // Hand-over to the charts.
    progress.setTotalProgress(2 * n);
    processEvents();
    QList<Channel> channels = chartChannels(*m_workspace->assembly(), m_charts->palette());
    showLoadedView(*ui.chart, *m_workspace, channels);

    progress.initDetailProgress(tableRowCount(), tr("Упорядочивание таблицы по времени"));
    processEvents();
    setupTableColumns();
    // The rows come in time order; this sets the indicator.
    ui.twEntry->sortByColumn(ProtocolAssembly::timeColumn, Qt::AscendingOrder);
    progress.setTotalProgress(2 * n + 1);
    processEvents();

    m_charts->setTickRange(firstTick(), lastTick());
    updateChartScrollBar();
    m_workspace->view().reset(ui.chart->scaleSettings().position, ui.chart->lineValueX());

    buildSingleCharts(channels);
    channels.clear();
    statisticsDock->prepare(*m_workspace->assembly());
    m_bookmarks->showStored();
    m_bookmarks->showProblems();
    emit initParameters(*ui.chart, m_charts->singleCharts());
    ui.tabWidget->setCurrentIndex(1);
    updateStatistics();
}

void MainWindow::cancelRead()
{
    if (!m_reading)
        return;
    StreamLoger::cancelLoad();
    if (m_progress)
        m_progress->cancelled = true;
}

void MainWindow::clearProtocolView()
{
    clearChartData();
    setupTableColumns();
    // The panel lists the channels of what is shown: after a failed read, none.
    if (parameters)
        parameters->clear();
}

void MainWindow::clearChartData()
{
    // The per-channel charts go first: removing one from the splitter resizes
    // and repaints the others at once, and they must never paint with data
    // that the common chart has already freed.
    clearSingleCharts();
    if (statisticsDock)
        statisticsDock->clear();
    ui.chart->clearReference();
    // Only the lines go: the bookmarks stay in their files.
    ui.chart->setBookmarks({});
    ui.chart->clearChannels();
    // No time axis, value-box time or range of the old view either.
    ui.chart->clearTimeBase();
    // The table lets go of the data before it is freed.
    m_workspace->clear();
    m_charts->setTickRange(0, 0);
    setBookmarkEnabled();
}

void MainWindow::setupTableColumns()
{
    // A new model layout resets the section sizes. The bookmark column is
    // narrower than the header's default minimum; the time column fits its
    // whole text.
    QHeaderView* header = ui.twEntry->horizontalHeader();
    header->setMinimumSectionSize(20);
    ui.twEntry->setColumnWidth(0, 30);
    const int timeWidth =
        ui.twEntry->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00:00.000")) +
        2 * ui.twEntry->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ui.twEntry) +
        12;
    ui.twEntry->setColumnWidth(ProtocolAssembly::timeColumn, std::max(200, timeWidth));
    fitChannelColumns();
}
