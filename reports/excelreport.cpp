#include "reports/excelreport.h"

#include "reports/reporttable.h"
#include "reports/xlsxdocument.h"

#include <QFont>
#include <QImage>

namespace {
const int kTitleRow = 1;
const int kHeaderRow = 3;
const int kFirstDataRow = 4;
const int kMaxSheetRows = 1048576;
} // namespace

ReportResult saveExcelReport(const ReportTable& table, const QFont& font, const QImage& chart,
                             const QString& fileName)
{
    const int rows = table.rowCount();
    const int columns = table.columnCount();
    // The picture's anchor row is the last one the sheet must hold.
    if (qint64(rows) + kFirstDataRow + 1 > kMaxSheetRows)
        return ReportResult::failure(
            QStringLiteral("The table has %1 rows, more than a worksheet holds").arg(rows));

    xlsx::Document document;
    auto failed = [&document] { return ReportResult::failure(document.errorString()); };

    QFont bold = font;
    bold.setWeight(QFont::Bold);
    xlsx::Format format;
    format.setFont(bold);
    if (!document.write(kTitleRow, 1, QStringLiteral("Анализатор протоколов"), format))
        return failed();

    format.setBorderStyle(2);
    for (int column = 1; column < columns; ++column) {
        if (table.hasHeader(column) &&
            !document.write(kHeaderRow, column, table.headerText(column), format))
            return failed();
    }

    const xlsx::Format plain;
    QString text;
    for (int row = 0; row < rows; ++row) {
        for (int column = 1; column < columns; ++column) {
            if (table.cell(row, column, text) &&
                !document.write(kFirstDataRow + row, column, text, plain))
                return failed();
        }
    }

    // Anchors count from 0: row rows + 4 is the sheet's row rows + 5, one
    // empty row below the last data row.
    if (!chart.isNull() && !document.insertImage(rows + kFirstDataRow, 0, chart))
        return failed();

    if (!document.saveAs(fileName))
        return failed();
    return ReportResult::success();
}
