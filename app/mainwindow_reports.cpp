#include "app/mainwindow.h"

#include "app/failuretext.h"
#include "app/platform.h"
#include "app/rememberedplaces.h"
#include "parameters/settingsfile.h"
#include "chart/chartprotocol.h"
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
#include <QFileInfo>

namespace {
// Draws the common chart without a screen, for when grabbing gives no picture
// (no OpenGL context, for instance in a batch run).
QImage renderChartOffscreen(ChartProtocol& chart)
{
    return chart.renderToImage();
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
               [this](const ReportTable& table, const QImage& picture, const QString& fileName,
                      const QVector<Bookmark>& bookmarks) {
                   return saveExcelReport(table, ui.twEntry->font(), picture, fileName, bookmarks);
               });
}

void MainWindow::on_actPDF_triggered()
{
    saveReport(QStringLiteral("Файл PDF (*.pdf)"), QStringLiteral("pdf"),
               [this](const ReportTable& table, const QImage& picture, const QString& fileName,
                      const QVector<Bookmark>&) {
                   return savePdfReport(table, ui.chart->startDateTime(), picture, fileName);
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

bool MainWindow::ticksBetween(const QDateTime& from, const QDateTime& to, qint32& first,
                              qint32& last) const
{
    bool any = false;
    for (int row = 0; row < m_tableModel->allRowCount(); ++row) {
        if (!TimeRangeReportTable::holds(m_tableModel->msecsSinceEpoch(row), from, to))
            continue;
        const qint32 tick = m_tableModel->tick(row);
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
    qint32 first = 0;
    qint32 last = 0;
    if (ui.chart->hasReference() &&
        dialogs->question(this, QStringLiteral("Сохранить отчет"),
                          QStringLiteral("Сохранить только строки между курсорами?\n"
                                         "«Нет» — сохранить все строки.")) == QMessageBox::Yes) {
        first = std::min(ui.chart->referenceX(), ui.chart->lineValueX());
        last = std::max(ui.chart->referenceX(), ui.chart->lineValueX());
        const qint64 tickMs = ui.chart->tickLength();
        from = ui.chart->startDateTime().addMSecs(first * tickMs);
        to = ui.chart->startDateTime().addMSecs((qint64(last) + 1) * tickMs - 1);
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
    const QImage picture =
        chartPicture(*ui.chart, [this] { return renderChartOffscreen(*ui.chart); });
    if (const ReportResult written = write(table, picture, fileName, bookmarksBetween(from, to));
        !written) {
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

QImage MainWindow::wholeSpanChart(const QSize& size) const
{
    return spanChart(size, m_firstTick, m_lastTick);
}

QImage MainWindow::spanChart(const QSize& size, qint32 first, qint32 last) const
{
    // A chart of its own, so the one on screen keeps its view. It shares
    // the common chart's data objects and leaves them alone when it goes.
    ChartProtocol picture;
    picture.resize(size);
    picture.setFont(ui.chart->font());
    for (const Channel& channel : ui.chart->channels()) {
        Channel shown = channel;
        shown.setShowScale(true);
        shown.setVisible(true);
        picture.addChannel(shown);
    }
    picture.setTimeBase(ui.chart->startDateTime(), ui.chart->tickLength());
    picture.setEndDateTime(ui.chart->endDateTime());
    picture.setTopBackgroundColor(ui.chart->topBackgroundColor());
    picture.setBottomBackgroundColor(ui.chart->bottomBackgroundColor());
    picture.setGridColor(ui.chart->gridColor());
    picture.setShowLegend(false);
    picture.setSize(qMax(1.0, double(last) - first));
    picture.setZoom(1.0);
    picture.setPosition(double(first));
    picture.setLineValueX(first);
    return picture.renderToImage();
}

QString MainWindow::writeReports(const QString& xlsxFile, const QString& pdfFile,
                                 const QString& csvFile, const QString& pngFile,
                                 const QSize& pngSize, const QString& bookmarksFile,
                                 const QDateTime& from, const QDateTime& to)
{
    const ProtocolReportTable whole(*m_tableModel);
    const TimeRangeReportTable table(whole, rowInstants(), from, to);
    // An empty report would pass for the data of a quiet stretch; the
    // files already there are kept.
    qint32 first = m_firstTick;
    qint32 last = m_lastTick;
    if ((from.isValid() || to.isValid()) && !ticksBetween(from, to, first, last))
        return QStringLiteral(
                   "the range from %1 to %2 holds no rows of the protocols; nothing was written")
            .arg(from.isValid() ? from.toString(Qt::ISODateWithMs) : QStringLiteral("(open)"),
                 to.isValid() ? to.toString(Qt::ISODateWithMs) : QStringLiteral("(open)"));
    const QVector<Bookmark> bookmarks = bookmarksBetween(from, to);
    QImage picture;
    if (!xlsxFile.isEmpty() || !pdfFile.isEmpty())
        picture = chartPicture(*ui.chart, [this] { return renderChartOffscreen(*ui.chart); });

    QStringList errors;
    if (!xlsxFile.isEmpty()) {
        const ReportResult result =
            saveExcelReport(table, ui.twEntry->font(), picture, xlsxFile, bookmarks);
        if (!result)
            errors.append(result.error);
    }
    if (!pdfFile.isEmpty()) {
        const ReportResult result =
            savePdfReport(table, ui.chart->startDateTime(), picture, pdfFile);
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
    if (!pngFile.isEmpty()) {
        const QImage chart = spanChart(pngSize.isValid() ? pngSize : QSize(1600, 900), first, last);
        if (chart.isNull() || !chart.save(pngFile, "PNG"))
            errors.append(QStringLiteral("cannot write the chart picture %1")
                              .arg(QDir::toNativeSeparators(pngFile)));
    }
    return errors.join(QStringLiteral("; "));
}
