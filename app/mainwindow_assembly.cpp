#include "app/mainwindow.h"

#include "chart/chartprotocol.h"
#include "chart/pairdatacontainer.h"
#include "parameters/chartparameters.h"
#include "protocol/loadprotocolprogress.h"
#include "protocol/streamloger.h"
#include "table/protocolassembly.h"
#include "table/protocoltablefiller.h"
#include "table/tickrole.h"

#include <QCoreApplication>
#include <QDir>
#include <QHeaderView>
#include <QTableWidget>

namespace {
const char kTimeFormat[] = "dd/MM/yyyy hh:mm:ss.zzz";

void processEvents()
{
    QCoreApplication::processEvents();
}
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

void MainWindow::readProtocols(const QStringList& files)
{
    m_readProblems.clear();
    m_tickMismatch = false;
    readProtocolFiles(files);
    // Once per load, after the progress window has gone.
    if (interactive && !m_readProblems.isEmpty())
        dialogs->warning(this, tr("Внимание!"), readProblemsText());
}

QString MainWindow::readProblemsText() const
{
    QStringList lines{tr("Не все протоколы загружены:")};
    for (const ReadProblem& problem : m_readProblems)
        lines.append(QDir::toNativeSeparators(problem.file) + QStringLiteral(": ") +
                     problem.russianReason());
    return lines.join(QLatin1Char('\n'));
}

void MainWindow::readProtocolFiles(const QStringList& files)
{
    clearProtocolView();
    ui.twEntry->setSortingEnabled(false);
    const int n = files.size();

    LoadProtocolProgress progress(this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint);
    progress.initTotalProgress(2 * n + 1);
    if (interactive)
        progress.show();

    // Reading: each file on its own, onto one time base.
    ProtocolAssembly assembly;
    for (int k = 0; k < n; ++k) {
        progress.setTotalProgress(k);
        processEvents();
        if (!logger->openProtocol(0, 0, files.at(k))) {
            m_readProblems.append(logger->readProblem());
            continue;
        }
        ChannelRecords records = logger->readProtocol();
        logger->closeProtocol();
        if (progress.cancelled)
            return;
        ReadProblem problem = logger->readProblem();
        if (records.isEmpty() && problem.isNone())
            problem.kind = ReadProblem::Kind::NoRecords;
        QDateTime start;
        quint16 tickMs = 0;
        logger->protocolTimeBase(start, tickMs);
        const ProtocolAssembly::AddResult added =
            records.isEmpty() ? ProtocolAssembly::AddResult::Skipped
                              : assembly.addProtocol(start, tickMs, std::move(records));
        if (added == ProtocolAssembly::AddResult::TickMismatch) {
            dialogs->warning(this, tr("Внимание!"), tr("Отсчет времени в файлах не совпадает"));
            m_tickMismatch = true;
            return;
        }
        if (added == ProtocolAssembly::AddResult::Skipped && problem.isNone())
            problem.kind = ReadProblem::Kind::NoTimeBase;
        if (!problem.isNone())
            m_readProblems.append(problem);
    }
    if (assembly.protocolCount() == 0)
        return;
    // Series and row order of long protocols take a while: keep the window
    // alive and the cancel button working between files.
    const bool built = assembly.build([&progress](int) {
        processEvents();
        return !progress.cancelled;
    });
    if (!built)
        return;

    // Table and series.
    const int loaded = assembly.protocolCount();
    ProtocolTableFiller filler(*ui.twEntry, assembly);
    filler.setupColumns();
    for (int i = 0; i < loaded; ++i) {
        progress.setTotalProgress(n + i);
        processEvents();
        const int records = assembly.recordCount(i);
        progress.initDetailProgress(records, tr("Добавление в таблицу данных каналов"));
        ProtocolTableFiller::Hooks hooks;
        hooks.beforeRow = [&progress](int record) {
            progress.setDetailProgress(record);
            if (record % 1000 == 0)
                processEvents();
        };
        hooks.cancelled = [&progress] { return progress.cancelled; };
        if (!filler.fillProtocol(i, hooks)) {
            clearProtocolView();
            return;
        }
        progress.setDetailProgress(records);
        processEvents();
        // Each file's channels take their palette colours once its rows are in.
        for (const AssembledChannel& assembled : assembly.channels())
            if (assembled.protocol == i)
                channelPalette.color(assembled.code);
    }
    if (ui.twEntry->rowCount() == 0) {
        clearProtocolView();
        return;
    }

    QList<Channel> channels;
    for (const AssembledChannel& assembled : assembly.channels()) {
        QPen pen;
        pen.setColor(channelPalette.color(assembled.code));
        pen.setWidthF(2.0);
        channels.append(Channel(assembled.minimum, assembled.maximum,
                                new ProtocolPairDataContainer<ChannelSeries>(assembled.series),
                                assembled.title, pen));
    }
    for (std::unique_ptr<ChannelSeries>& series : assembly.takeSeries())
        protocolSeries.append(series.release());

    // Hand-over to the charts.
    progress.setTotalProgress(2 * n);
    processEvents();
    for (const Channel& channel : channels)
        ui.chart->addChannel(channel);

    progress.initDetailProgress(ui.twEntry->rowCount(), tr("Упорядочивание таблицы по времени"));
    processEvents();
    filler.sortByTime();
    progress.setTotalProgress(2 * n + 1);
    processEvents();

    ui.chart->setTimeBase(assembly.commonStart(), assembly.tickMs());
    const int last = ui.twEntry->rowCount() - 1;
    ui.chart->setEndDateTime(
        QDateTime::fromString(ui.twEntry->item(last, 1)->text(), QLatin1String(kTimeFormat)));
    m_firstTick = ui.twEntry->item(0, 1)->data(TickRole).toInt();
    m_lastTick = ui.twEntry->item(last, 1)->data(TickRole).toInt();
    limitZoomOut();
    updateChartScrollBar();

    ui.chart->setZoom(1.0);
    ui.chart->setPosition(m_firstTick);
    ui.chart->setLineValueX(int(m_firstTick + ui.chart->chartSize() * 0.5));

    buildSingleCharts(channels);
    channels.clear();
    setBookmarkEnabled();
    emit initParameters(*ui.chart, mapSingleCharts);
    ui.tabWidget->setCurrentIndex(1);
}

void MainWindow::clearProtocolView()
{
    ui.twEntry->setRowCount(0);
    ui.twEntry->setColumnCount(2);
    clearChartData();
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
    ui.chart->clearChannels();
    ui.chart->clearBookmark();
    qDeleteAll(protocolSeries);
    protocolSeries.clear();
    m_firstTick = 0;
    m_lastTick = 0;
    limitZoomOut();
    setBookmarkEnabled();
}
