#include "app/mainwindow.h"

#include "app/chartrenderer.h"
#include "app/failuretext.h"
#include "app/platform.h"
#include "app/rememberedplaces.h"
#include "chart/chartprotocol.h"
#include "parameters/settingsfile.h"
#include "reports/chartpicture.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include <cmath>

namespace {
// The writer's own text says why; the user reads it in Russian.
QString saveFailedText(const QString& fileName, const QString& error)
{
    QString cause = failuretext::russianCause(error, failuretext::probeFolder, fileName);
    if (!cause.isEmpty())
        cause[0] = cause[0].toUpper();
    return QStringLiteral("Не удалось сохранить отчет в файл\n%1\n\n%2.")
        .arg(QDir::toNativeSeparators(fileName), cause);
}
} // namespace

void MainWindow::on_actSave_triggered()
{
    saveReport(QStringLiteral("Файл EXCEL (*.xlsx)"), QStringLiteral("xlsx"),
               &ReportRequest::xlsxFile);
}

void MainWindow::on_actPDF_triggered()
{
    saveReport(QStringLiteral("Файл PDF (*.pdf)"), QStringLiteral("pdf"), &ReportRequest::pdfFile);
}

void MainWindow::saveReport(const QString& filter, const QString& suffix,
                            QString ReportRequest::*file)
{
    if (tableRowCount() == 0 || m_reading)
        return;
    // With a reference cursor the report may hold only the stretch between
    // the two lines: the rows whose ticks lie between them, both included.
    ReportRequest request;
    if (ui.chart->hasReference() &&
        dialogs->question(this, QStringLiteral("Сохранить отчет"),
                          QStringLiteral("Сохранить только строки между курсорами?\n"
                                         "«Нет» — сохранить все строки.")) == QMessageBox::Yes) {
        const qint64 first = std::min(ui.chart->referenceX(), ui.chart->lineValueX());
        const qint64 last = std::max(ui.chart->referenceX(), ui.chart->lineValueX());
        const qint64 tickMs = ui.chart->tickLength();
        request.from = ui.chart->startDateTime().addMSecs(first * tickMs);
        request.to = ui.chart->startDateTime().addMSecs((last + 1) * tickMs - 1);
    }
    // Offered under the protocol's start, in the folder of the last report.
    RememberedPlaces places(settingsFilePath());
    QString folder = places.reportDirectory();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    QString fileName = dialogs->getSaveFileName(
        this, QStringLiteral("Сохранить отчет"),
        suggestedReportPath(ui.chart->startDateTime(), folder, suffix), filter);
    if (fileName.isEmpty())
        return;
    fileName = reportFileName(fileName, suffix);

    request.*file = fileName;
    ProtocolChartRenderer renderer(*ui.chart, ui.twEntry->font());
    if (const QString error = m_workspace->writeReports(request, &renderer); !error.isEmpty()) {
        dialogs->warning(this, QStringLiteral("Внимание!"), saveFailedText(fileName, error));
        return;
    }
    if (interactive)
        places.setReportDirectory(QFileInfo(fileName).absolutePath());
    // Without a program to show it, the user at least learns where it went.
    if (!platform::openFile(fileName))
        dialogs->information(
            this, QStringLiteral("Отчет"),
            QStringLiteral("Отчет сохранен в файл\n%1").arg(QDir::toNativeSeparators(fileName)));
}

void MainWindow::setupChartPictureAction()
{
    actSaveChart = new QAction(tr("Сохранить график…"), this);
    actSaveChart->setObjectName(QStringLiteral("actSaveChart"));
    actSaveChart->setToolTip(tr("Сохранить график рисунком PNG или SVG"));
    connect(actSaveChart, &QAction::triggered, this, &MainWindow::saveChartPictureAs);
    if (auto* menu = ui.menuBar->findChild<QMenu*>(QStringLiteral("menuChart"))) {
        menu->addSeparator();
        menu->addAction(actSaveChart);
    }
    addAction(actSaveChart);
}

void MainWindow::saveChartPictureAs()
{
    if (tableRowCount() == 0)
        return;
    ChartPictureOptions options;
    if (!ui.chart->size().isEmpty())
        options.size = ui.chart->size();
    if (!dialogs->getChartPictureOptions(this, options))
        return;
    QString fileName =
        dialogs->getSaveFileName(this, QStringLiteral("Сохранить график"), QString(),
                                 QStringLiteral("Рисунок PNG (*.png);;Рисунок SVG (*.svg)"));
    if (fileName.isEmpty())
        return;
    if (!fileName.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        fileName = reportFileName(fileName, QStringLiteral("png"));

    // What the common chart shows now.
    const ScaleSettings& view = ui.chart->scaleSettings();
    const qint64 first = qint64(std::floor(view.position));
    const qint64 last = qint64(std::ceil(view.position + view.visibleSpan));
    const qint64 tickMs = ui.chart->tickLength();
    const QString title = pictureTitle(m_workspace->protocolDescriptions(),
                                       ui.chart->startDateTime().addMSecs(first * tickMs),
                                       ui.chart->startDateTime().addMSecs(last * tickMs));
    ChartPicture picture(*ui.chart, options, first, last, title);
    if (const ReportResult written = saveChartPicture(picture, options, fileName); !written) {
        dialogs->warning(this, QStringLiteral("Внимание!"),
                         QStringLiteral("Не удалось сохранить график в файл\n%1\n\n%2")
                             .arg(QDir::toNativeSeparators(fileName), written.error));
        return;
    }
    if (!platform::openFile(fileName))
        dialogs->information(
            this, QStringLiteral("График"),
            QStringLiteral("График сохранен в файл\n%1").arg(QDir::toNativeSeparators(fileName)));
}

QString MainWindow::writeReports(const QString& xlsxFile, const QString& pdfFile,
                                 const QString& csvFile, const QString& pngFile,
                                 const ChartPictureOptions& pictureOptions,
                                 const QString& bookmarksFile, const QDateTime& from,
                                 const QDateTime& to)
{
    ReportRequest request;
    request.xlsxFile = xlsxFile;
    request.pdfFile = pdfFile;
    request.csvFile = csvFile;
    request.pngFile = pngFile;
    request.picture = pictureOptions;
    request.bookmarksFile = bookmarksFile;
    request.from = from;
    request.to = to;
    ProtocolChartRenderer renderer(*ui.chart, ui.twEntry->font());
    return m_workspace->writeReports(request, &renderer);
}
