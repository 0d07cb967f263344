#include "app/mainwindow.h"

#include "app/failuretext.h"
#include "app/platform.h"
#include "app/rememberedplaces.h"
#include "parameters/settingsfile.h"
#include "chart/chartprotocol.h"
#include "protocol/protocolformat.h"
#include "reports/chartdrawing.h"
#include "reports/channelcolumnstable.h"
#include "reports/chartpicture.h"
#include "reports/csvreport.h"
#include "reports/excelreport.h"
#include "reports/pdfreport.h"
#include "reports/protocolreporttable.h"
#include "reports/timerangetable.h"
#include "table/bookmarkstore.h"
#include "table/protocoltablemodel.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>

#include <cmath>

namespace {
// The chart as it paints itself, for a PDF page of vectors.
ChartDrawing chartDrawing(ChartProtocol& chart)
{
    return {chart.size(), [&chart](QPainter& painter, const QRectF& target) {
                chart.paintOnto(&painter, target);
            }};
}

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
               [this](const ReportTable& table, const QString& fileName,
                      const QVector<Bookmark>& bookmarks) {
                   return saveExcelReport(table, ui.twEntry->font(), workbookChartImage(), fileName,
                                          bookmarks);
               });
}

void MainWindow::on_actPDF_triggered()
{
    saveReport(QStringLiteral("Файл PDF (*.pdf)"), QStringLiteral("pdf"),
               [this](const ReportTable& table, const QString& fileName, const QVector<Bookmark>&) {
                   return savePdfReport(table, ui.chart->startDateTime(), chartDrawing(*ui.chart),
                                        fileName);
               });
}

QVector<Bookmark> MainWindow::bookmarksBetween(const QDateTime& from, const QDateTime& to) const
{
    QVector<Bookmark> kept;
    for (const Bookmark& bookmark : m_bookmarkStore->bookmarks()) {
        if (TimeRangeReportTable::holds(bookmark.msecs, from, to))
            kept.append(bookmark);
    }
    return kept;
}

std::function<bool(int, qint64&)> MainWindow::rowInstants() const
{
    // Instants, not the texts: the hour repeated when summer time ends
    // shows the same texts twice.
    return [this](int row, qint64& msecs) {
        msecs = m_tableModel->msecsSinceEpoch(m_tableModel->globalRowAt(row));
        return true;
    };
}

bool MainWindow::ticksBetween(const QDateTime& from, const QDateTime& to, qint64& first,
                              qint64& last) const
{
    bool any = false;
    for (int row = 0; row < m_tableModel->allRowCount(); ++row) {
        if (!TimeRangeReportTable::holds(m_tableModel->msecsSinceEpoch(row), from, to))
            continue;
        const qint64 tick = m_tableModel->tick(row);
        first = any ? std::min(first, tick) : tick;
        last = any ? std::max(last, tick) : tick;
        any = true;
    }
    return any;
}

void MainWindow::saveReport(const QString& filter, const QString& suffix, const ReportWriter& write)
{
    if (m_tableModel->allRowCount() == 0 || m_reading)
        return;
    // With a reference cursor the report may hold only the stretch between
    // the two lines: the rows whose ticks lie between them, both included.
    QDateTime from;
    QDateTime to;
    qint64 first = 0;
    qint64 last = 0;
    if (ui.chart->hasReference() &&
        dialogs->question(this, QStringLiteral("Сохранить отчет"),
                          QStringLiteral("Сохранить только строки между курсорами?\n"
                                         "«Нет» — сохранить все строки.")) == QMessageBox::Yes) {
        first = std::min(ui.chart->referenceX(), ui.chart->lineValueX());
        last = std::max(ui.chart->referenceX(), ui.chart->lineValueX());
        const qint64 tickMs = ui.chart->tickLength();
        from = ui.chart->startDateTime().addMSecs(first * tickMs);
        to = ui.chart->startDateTime().addMSecs((last + 1) * tickMs - 1);
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

    const ProtocolReportTable whole(*m_tableModel);
    const TimeRangeReportTable table(whole, rowInstants(), from, to);
    if (const ReportResult written = write(table, fileName, bookmarksBetween(from, to)); !written) {
        dialogs->warning(this, QStringLiteral("Внимание!"),
                         saveFailedText(fileName, written.error));
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

QImage MainWindow::workbookChartImage()
{
    // Drawn at twice the pixels, so that it prints at a fair resolution; the
    // ratio makes the workbook show it at the chart's size on the screen.
    const QSize shown = ui.chart->size();
    if (shown.isEmpty())
        return QImage();
    QImage image(shown * 2, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(ui.chart->bottomBackgroundColor());
    {
        QPainter painter(&image);
        ui.chart->paintOnto(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    }
    image.setDevicePixelRatio(2.0);
    return image;
}

QStringList MainWindow::protocolDescriptions() const
{
    QStringList descriptions;
    for (const QString& path : m_loadedFiles) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.read(kProtocolHeaderSize);
        if (bytes.size() == kProtocolHeaderSize)
            descriptions.append(protocolformat::description(
                protocolformat::decodeHeader(reinterpret_cast<const uchar*>(bytes.constData()))));
    }
    return descriptions;
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
    if (m_tableModel->allRowCount() == 0)
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
    const QString title =
        pictureTitle(protocolDescriptions(), ui.chart->startDateTime().addMSecs(first * tickMs),
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
                                 const QDateTime& to, DataFiles* data)
{
    const ProtocolReportTable whole(*m_tableModel);
    const TimeRangeReportTable ranged(whole, rowInstants(), from, to);
    // The chosen channels limit the CSV and the workbook as the data files.
    std::vector<int> columns;
    QStringList missing;
    if (data && !data->channels.isEmpty() && !channelColumns(data->channels, columns, missing))
        return QStringLiteral("the read protocols have no channel %1; nothing was written")
            .arg(missing.join(QStringLiteral(", ")));
    const ChannelColumnsReportTable chosen(ranged, columns);
    const ReportTable& table =
        data && !data->channels.isEmpty() ? static_cast<const ReportTable&>(chosen) : ranged;
    // An empty report would pass for the data of a quiet stretch; the
    // files already there are kept.
    qint64 first = m_firstTick;
    qint64 last = m_lastTick;
    if ((from.isValid() || to.isValid()) && !ticksBetween(from, to, first, last))
        return QStringLiteral(
                   "the range from %1 to %2 holds no rows of the protocols; nothing was written")
            .arg(from.isValid() ? from.toString(Qt::ISODateWithMs) : QStringLiteral("(open)"),
                 to.isValid() ? to.toString(Qt::ISODateWithMs) : QStringLiteral("(open)"));
    const QVector<Bookmark> bookmarks = bookmarksBetween(from, to);

    QStringList errors;
    if (!xlsxFile.isEmpty()) {
        const ReportResult result =
            saveExcelReport(table, ui.twEntry->font(), workbookChartImage(), xlsxFile, bookmarks);
        if (!result)
            errors.append(result.error);
    }
    if (!pdfFile.isEmpty()) {
        const ReportResult result =
            savePdfReport(ranged, ui.chart->startDateTime(), chartDrawing(*ui.chart), pdfFile);
        if (!result)
            errors.append(result.error);
    }
    if (!csvFile.isEmpty()) {
        const ReportResult result = saveCsvReport(table, csvFile);
        if (!result)
            errors.append(result.error);
    }
    if (!bookmarksFile.isEmpty()) {
        const ReportResult result = saveBookmarkCsv(bookmarks, bookmarksFile);
        if (!result)
            errors.append(result.error);
    }
    if (data) {
        const QString error = writeDataFiles(*data, from, to);
        if (!error.isEmpty())
            errors.append(error);
    }
    if (!pngFile.isEmpty()) {
        const qint64 tickMs = ui.chart->tickLength();
        const QString title =
            pictureTitle(protocolDescriptions(), ui.chart->startDateTime().addMSecs(first * tickMs),
                         ui.chart->startDateTime().addMSecs(last * tickMs));
        ChartPicture picture(*ui.chart, pictureOptions, first, last, title);
        const ReportResult result = saveChartPicture(picture, pictureOptions, pngFile);
        if (!result)
            errors.append(result.error);
    }
    return errors.join(QStringLiteral("; "));
}
