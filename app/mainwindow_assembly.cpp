#include "app/mainwindow.h"

#include "app/failuretext.h"
#include "chart/chartprotocol.h"
#include "chartdata/pairdatacontainer.h"
#include "parameters/chartparameters.h"
#include "protocol/loadprotocolprogress.h"
#include "protocol/readplan.h"
#include "protocol/streamloger.h"
#include "table/bookmarkstore.h"
#include "table/protocolassembly.h"
#include "table/protocoltablemodel.h"
#include "table/timetextformatter.h"

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
    readplan::Applied applied;
    applied.definition = logger->definitionPath();
    applied.protocolDir = logger->protocolDir();
    applied.hasProtocolDir = logger->hasProtocolDir();
    applied.keep = definition == Definition::Applied;
    const readplan::Plan plan = readplan::plan(files, applied);
    if (!plan.logDirectory.isEmpty() && setupLoger(plan.logDirectory))
        statusBar()->showMessage(tr("Протоколы прочитаны по %1")
                                     .arg(QDir::toNativeSeparators(logger->definitionPath())));

    const ReadingScope reading(m_reading,
                               {ui.actLoad, ui.actRefresh, ui.actInitLoger, ui.actSave, ui.actPDF,
                                ui.actFLASH, ui.actCopy, ui.actLogger},
                               ui.btRead);
    m_readProblems = plan.problems;
    m_tickMismatch = false;
    readProtocolFiles(plan.files);
    // Once per load, after the progress window has gone.
    if (interactive && !m_readProblems.isEmpty())
        dialogs->warning(this, tr("Внимание!"), readProblemsText());
}

QString MainWindow::readProblemsText() const
{
    QStringList faults;
    QStringList notices;
    for (const ReadProblem& problem : m_readProblems)
        (problem.isNotice() ? notices : faults)
            .append(QDir::toNativeSeparators(problem.file) + QStringLiteral(": ") +
                    problem.russianReason(failuretext::russianCause(problem.detail, nullptr)));
    QStringList lines;
    if (!faults.isEmpty())
        lines << tr("Не все протоколы загружены:") << faults;
    if (!notices.isEmpty())
        lines << tr("Обратите внимание:") << notices;
    return lines.join(QLatin1Char('\n'));
}

void MainWindow::readProtocolFiles(const QStringList& files)
{
    clearProtocolView();
    m_loadedFiles.clear();
    const int n = files.size();

    LoadProtocolProgress progress(this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint);
    progress.initTotalProgress(2 * n + 1);
    m_progress = &progress;
    const auto forget = qScopeGuard([this] { m_progress = nullptr; });
    if (interactive)
        progress.show();

    // Reading: each file on its own, onto one time base. The memory check of
    // each read counts the columns computed afterwards.
    const ComputedChannels computed = computedForAssembly();
    logger->setComputedColumns(int(computed.size()));
    auto assembly = std::make_unique<ProtocolAssembly>();
    QStringList loadedPaths; // by protocol of the assembly
    for (int k = 0; k < n; ++k) {
        progress.setTotalProgress(k);
        processEvents();
        if (progress.cancelled)
            return;
        if (!logger->openProtocol(0, 0, files.at(k))) {
            m_readProblems.append(logger->readProblem());
            continue;
        }
        ProtocolColumns columns = logger->readProtocolColumns();
        const ReadProblem unknownChannels = logger->channelProblem();
        const QString path = logger->readProblem().file;
        logger->closeProtocol();
        if (progress.cancelled)
            return;
        ReadProblem problem = logger->readProblem();
        if (columns.isEmpty() && problem.isNone())
            problem.kind = ReadProblem::Kind::NoRecords;
        QDateTime start;
        quint16 tickMs = 0;
        logger->protocolTimeBase(start, tickMs);
        const ProtocolAssembly::AddResult added =
            columns.isEmpty() ? ProtocolAssembly::AddResult::Skipped
                              : assembly->addProtocol(start, tickMs, std::move(columns), path);
        if (added == ProtocolAssembly::AddResult::TickMismatch) {
            dialogs->warning(this, tr("Внимание!"), tr("Отсчет времени в файлах не совпадает"));
            m_tickMismatch = true;
            return;
        }
        if (added == ProtocolAssembly::AddResult::Skipped && problem.isNone())
            problem.kind = ReadProblem::Kind::NoTimeBase;
        if (!problem.isNone())
            m_readProblems.append(problem);
        if (added == ProtocolAssembly::AddResult::Added && !unknownChannels.isNone())
            m_readProblems.append(unknownChannels);
        if (added == ProtocolAssembly::AddResult::Added)
            loadedPaths.append(files.at(k));
    }
    if (assembly->protocolCount() == 0)
        return;

    assembly->setComputedChannels(computed);
    // The table reads the assembled columns in place, so building is all
    // there is to the table phase; the window stays alive and the cancel
    // button works between files.
    const bool built = assembly->build([&](int protocol) {
        progress.setTotalProgress(n + protocol);
        progress.initDetailProgress(assembly->recordCount(protocol),
                                    tr("Добавление в таблицу данных каналов"));
        processEvents();
        return !progress.cancelled;
    });
    if (!built || assembly->rowCount() == 0) {
        clearProtocolView();
        return;
    }

    QList<Channel> channels;
    for (const AssembledChannel& assembled : assembly->channels()) {
        QPen pen;
        pen.setColor(channelPalette.color(assembled.code));
        pen.setWidthF(2.0);
        // The chart reads the assembly's own column: no copy of the values.
        auto* data = new ProtocolColumnData(&assembled.series);
        channels.append(Channel(assembled.minimum, assembled.maximum, data, assembled.title, pen));
    }
    m_assembly = std::move(assembly);
    m_loadedFiles = loadedPaths;

    // Hand-over to the charts.
    progress.setTotalProgress(2 * n);
    processEvents();
    for (const Channel& channel : channels)
        ui.chart->addChannel(channel);

    progress.initDetailProgress(m_assembly->rowCount(), tr("Упорядочивание таблицы по времени"));
    processEvents();
    m_tableModel->setAssembly(m_assembly.get());
    setupTableColumns();
    // The rows come in time order; this sets the indicator.
    ui.twEntry->sortByColumn(ProtocolAssembly::timeColumn, Qt::AscendingOrder);
    progress.setTotalProgress(2 * n + 1);
    processEvents();

    ui.chart->setTimeBase(m_assembly->commonStart(), m_assembly->tickMs());
    const int last = m_tableModel->globalRowAt(m_tableModel->allRowCount() - 1);
    ui.chart->setEndDateTime(
        QDateTime::fromString(m_tableModel->timeText(last), TimeTextFormatter::format()));
    m_firstTick = m_tableModel->tick(m_tableModel->globalRowAt(0));
    m_lastTick = m_tableModel->tick(last);
    m_scrollScale.setRange(m_firstTick, m_lastTick);
    limitZoomOut();
    updateChartScrollBar();

    ui.chart->setZoom(1.0);
    ui.chart->setPosition(double(m_firstTick));
    ui.chart->setLineValueX(m_firstTick + qint64(ui.chart->chartSize() * 0.5));

    buildSingleCharts(channels);
    channels.clear();
    prepareStatistics(*m_assembly);
    restoreBookmarks(loadedPaths, *m_assembly);
    setBookmarkEnabled();
    emit initParameters(*ui.chart, mapSingleCharts);
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
    // The bookmarks of the old view stay in their files.
    m_bookmarkStore->clear();
    clearStatistics();
    ui.chart->clearReference();
    ui.chart->clearChannels();
    ui.chart->clearBookmark();
    // The table shows the same data: it lets go of it before it is freed.
    m_tableModel->setAssembly(nullptr);
    m_assembly.reset();
    m_firstTick = 0;
    m_lastTick = 0;
    m_scrollScale.setRange(0, 0);
    limitZoomOut();
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
