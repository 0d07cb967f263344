#include "app/dataexportaction.h"

#include "app/dataexportdialog.h"
#include "app/dialogs.h"
#include "app/platform.h"
#include "app/reportactions.h"
#include "chart/chartprotocol.h"
#include "chartdata/channel.h"
#include "export/assemblyexportsource.h"
#include "export/dataexport.h"
#include "protocol/channellookup.h"
#include "reports/failuretext.h"
#include "table/protocolassembly.h"
#include "workspace/workspace.h"

#include "ui_mainwindow.h"

#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace {

// The export of the loaded rows between two instants (invalid: open).
struct LoadedExport
{
    AssemblyExportSource source;
    ExportInfo info;

    LoadedExport(const ProtocolAssembly& assembly, const QStringList& files,
                 const QStringList& codes, const QDateTime& from, const QDateTime& to)
        : source(assembly, ChannelLookup::streamLoger(), codes, from, to),
          info(assemblyExportInfo(assembly, files, platform::programVersion()))
    {
    }
};

// The codes of the channels the chart draws now.
QStringList visibleCodes(const ChartProtocol& chart, const DataExportChoice& choice)
{
    QStringList codes;
    for (int i = 0; i < choice.codes.size(); ++i) {
        for (int c = 0; c < chart.channelCount(); ++c) {
            const Channel* channel = chart.channelAt(c);
            if (channel && channel->visible() && channel->name() == choice.titles[i]) {
                codes.append(choice.codes[i]);
                break;
            }
        }
    }
    return codes;
}

} // namespace

DataExportAction::DataExportAction(Ui::MainWindow& form, Workspace& workspace,
                                   const std::unique_ptr<Dialogs>& dialogs, QMainWindow* window,
                                   const bool& reading)
    : ui(form), m_workspace(workspace), m_dialogs(dialogs), m_window(window), m_reading(reading)
{
    auto* action = new QAction(tr("Экспорт данных…"), window);
    action->setObjectName(QStringLiteral("actExportData"));
    action->setToolTip(tr("Сохранить значения каналов в файл HDF5 или MATLAB"));
    connect(action, &QAction::triggered, this, &DataExportAction::exportData);
    if (auto* menu = ui.menuBar->findChild<QMenu*>(QStringLiteral("menuFile"))) {
        const QList<QAction*> actions = menu->actions();
        const int pdf = actions.indexOf(ui.actPDF);
        menu->insertAction(actions.value(pdf + 1), action);
    }
    window->addAction(action);
}

void DataExportAction::exportData()
{
    const ProtocolAssembly* assembly = m_workspace.assembly();
    if (!assembly || assembly->rowCount() == 0 || m_reading)
        return;
    DataExportChoice choice;
    choice.codes = assembly->codes();
    choice.titles = assembly->titles();
    choice.visibleCodes = visibleCodes(*ui.chart, choice);
    choice.hasCursors = ui.chart->hasReference();
    const auto instant = [assembly](int row) {
        const ProtocolAssembly::RowRef ref = assembly->rowAt(row);
        return assembly->dateTime(ref.protocol, ref.record);
    };
    choice.first = instant(0);
    choice.last = instant(assembly->rowCount() - 1);
    if (!m_dialogs->getDataExportChoice(m_window, choice))
        return;

    QDateTime from;
    QDateTime to;
    if (choice.range == DataExportChoice::Range::Cursors && ui.chart->hasReference()) {
        std::tie(from, to) = cursorRange(*ui.chart);
    } else if (choice.range == DataExportChoice::Range::FromTo) {
        from = choice.from;
        to = choice.to;
    }
    const LoadedExport loaded(*assembly, m_workspace.loadedFiles(), choice.exportedCodes(), from,
                              to);
    if (loaded.source.channelCount() == 0 || loaded.source.rowCount() == 0) {
        m_dialogs->warning(m_window, tr("Внимание!"),
                           loaded.source.channelCount() == 0
                               ? tr("Не выбран ни один канал; файл не записан.")
                               : tr("В выбранном диапазоне нет ни одной строки; файл не записан."));
        return;
    }

    const QString suffix = exportSuffix(choice.format);
    const QString filter =
        choice.format == ExportFormat::Hdf5 ? tr("Файл HDF5 (*.h5)") : tr("Файл MATLAB (*.mat)");
    QString fileName = m_dialogs->getSaveFileName(
        m_window, tr("Экспорт данных"),
        QDir::home().filePath(
            ui.chart->startDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss.")) + suffix),
        filter);
    if (fileName.isEmpty())
        return;
    fileName = reportFileName(fileName, suffix);
    bool version73 = false;
    const ReportResult written =
        saveDataExport(loaded.source, loaded.info, choice.format, fileName, &version73);
    if (!written) {
        QString cause =
            failuretext::russianCause(written.error, failuretext::probeFolder, fileName);
        if (!cause.isEmpty())
            cause[0] = cause[0].toUpper();
        m_dialogs->warning(m_window, tr("Внимание!"),
                           tr("Не удалось сохранить данные в файл\n%1\n\n%2.")
                               .arg(QDir::toNativeSeparators(fileName), cause));
        return;
    }
    m_window->statusBar()->showMessage(
        tr("Данные сохранены: %1").arg(QDir::toNativeSeparators(fileName)));
    if (version73)
        m_dialogs->information(
            m_window, tr("Экспорт данных"),
            tr("Файл записан в формате MATLAB 7.3: вектор из %1 строк больше предела версии 5 "
               "(2 ГБ). Его читают MATLAB и h5py, но не scipy.io.loadmat.")
                .arg(loaded.source.rowCount()));
}
