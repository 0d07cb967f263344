#include "app/mainwindow.h"

#include "app/platform.h"
#include "chart/chartprotocol.h"
#include "reports/chartpicture.h"
#include "reports/csvreport.h"
#include "reports/excelreport.h"
#include "reports/pdfreport.h"
#include "reports/tablewidgetreporttable.h"

#include <QDateTime>
#include <QDir>

namespace {
const char kTimeFormat[] = "dd/MM/yyyy hh:mm:ss.zzz";

// Hook: draws the common chart off the screen, for when grabbing it gives no
// picture. Wired to the chart's own rendering once it has one.
QImage renderChartOffscreen(ChartProtocol& chart)
{
    Q_UNUSED(chart)
    return QImage();
}

// Hook: the date-time of the common chart's tick 0. Until the chart tells its
// start, the earliest time of the table stands in for it.
QDateTime chartStartDateTime(const ChartProtocol& chart, const QTableWidget& table)
{
    Q_UNUSED(chart)
    QDateTime earliest;
    for (int row = 0; row < table.rowCount(); ++row) {
        const QTableWidgetItem* item = table.item(row, 1);
        const QDateTime time =
            item ? QDateTime::fromString(item->text(), QLatin1String(kTimeFormat)) : QDateTime();
        if (time.isValid() && (!earliest.isValid() || time < earliest))
            earliest = time;
    }
    return earliest;
}

QString saveFailedText(const QString& fileName)
{
    return QStringLiteral("Не удалось сохранить отчет в файл\n%1")
        .arg(QDir::toNativeSeparators(fileName));
}
} // namespace

void MainWindow::on_actSave_triggered()
{
    if (ui.twEntry->rowCount() == 0)
        return;
    QString fileName = dialogs->getSaveFileName(this, QStringLiteral("Сохранить отчет"), QString(),
                                                QStringLiteral("Файл EXCEL (*.xlsx)"));
    if (fileName.isEmpty())
        return;
    fileName = reportFileName(fileName, QStringLiteral("xlsx"));

    const TableWidgetReportTable table(*ui.twEntry);
    const QImage picture =
        chartPicture(*ui.chart, [this] { return renderChartOffscreen(*ui.chart); });
    if (!saveExcelReport(table, ui.twEntry->font(), picture, fileName)) {
        dialogs->warning(this, QStringLiteral("Внимание!"), saveFailedText(fileName));
        return;
    }
    platform::openFile(fileName);
}

void MainWindow::on_actPDF_triggered()
{
    if (ui.twEntry->rowCount() == 0)
        return;
    QString fileName = dialogs->getSaveFileName(this, QStringLiteral("Сохранить отчет"), QString(),
                                                QStringLiteral("Файл PDF (*.pdf)"));
    if (fileName.isEmpty())
        return;
    fileName = reportFileName(fileName, QStringLiteral("pdf"));

    const TableWidgetReportTable table(*ui.twEntry);
    const QImage picture =
        chartPicture(*ui.chart, [this] { return renderChartOffscreen(*ui.chart); });
    if (!savePdfReport(table, chartStartDateTime(*ui.chart, *ui.twEntry), picture, fileName)) {
        dialogs->warning(this, QStringLiteral("Внимание!"), saveFailedText(fileName));
        return;
    }
    platform::openFile(fileName);
}

QString MainWindow::writeReports(const QString& xlsxFile, const QString& pdfFile,
                                 const QString& csvFile)
{
    const TableWidgetReportTable table(*ui.twEntry);
    QImage picture;
    if (!xlsxFile.isEmpty() || !pdfFile.isEmpty())
        picture = chartPicture(*ui.chart, [this] { return renderChartOffscreen(*ui.chart); });

    QStringList errors;
    if (!xlsxFile.isEmpty()) {
        const ReportResult result = saveExcelReport(table, ui.twEntry->font(), picture, xlsxFile);
        if (!result)
            errors.append(result.error);
    }
    if (!pdfFile.isEmpty()) {
        const ReportResult result = savePdfReport(
            table, chartStartDateTime(*ui.chart, *ui.twEntry), picture, pdfFile);
        if (!result)
            errors.append(result.error);
    }
    if (!csvFile.isEmpty()) {
        const ReportResult result = saveCsvReport(table, csvFile);
        if (!result)
            errors.append(result.error);
    }
    return errors.join(QStringLiteral("; "));
}
