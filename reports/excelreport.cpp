#include "reports/excelreport.h"

#include "reports/cellvalues.h"
#include "reports/reportfile.h"
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

namespace {

// One table cell as a number, a date-time or text.
bool writeCell(xlsx::Document& document, int sheetRow, int column, const ReportTable& table,
               int row, const QString& text)
{
    xlsx::Format format;
    double value = 0;
    QString code;
    switch (table.cellKind(row, column)) {
    case ReportTable::CellKind::Number:
        if (!cellvalues::number(text, value, code))
            break;
        format.setNumberFormat(code);
        return document.writeNumber(sheetRow, column, value, format);
    case ReportTable::CellKind::DateTime:
        if (!cellvalues::dateTime(text, value))
            break;
        format.setNumberFormat(cellvalues::dateTimeFormat());
        return document.writeNumber(sheetRow, column, value, format);
    case ReportTable::CellKind::Text:
        break;
    }
    return document.write(sheetRow, column, text, format);
}

bool writeBookmarks(xlsx::Document& document, const QVector<Bookmark>& bookmarks,
                    const xlsx::Format& headerFormat)
{
    if (!document.addSheet(QStringLiteral("Закладки")) ||
        !document.write(1, 1, QStringLiteral("Время"), headerFormat) ||
        !document.write(1, 2, QStringLiteral("Заметка"), headerFormat))
        return false;
    xlsx::Format time;
    time.setNumberFormat(cellvalues::dateTimeFormat());
    int row = 2;
    for (const Bookmark& bookmark : bookmarks) {
        const double serial = cellvalues::serial(QDateTime::fromMSecsSinceEpoch(bookmark.msecs));
        if (!document.writeNumber(row, 1, serial, time) ||
            (!bookmark.note.isEmpty() && !document.write(row, 2, bookmark.note)))
            return false;
        ++row;
    }
    return true;
}

bool writeEvents(xlsx::Document& document, const ReportTable& events,
                 const xlsx::Format& headerFormat)
{
    if (!document.addSheet(QStringLiteral("События")))
        return false;
    for (int column = 1; column < events.columnCount(); ++column) {
        if (!document.write(1, column, events.headerText(column), headerFormat))
            return false;
    }
    QString text;
    for (int row = 0; row < events.rowCount() && row + 2 <= kMaxSheetRows; ++row) {
        for (int column = 1; column < events.columnCount(); ++column) {
            if (events.cell(row, column, text) &&
                !writeCell(document, row + 2, column, events, row, text))
                return false;
        }
    }
    return true;
}

} // namespace

ReportResult saveExcelReport(const ReportTable& table, const QFont& font, const QImage& chart,
                             const QString& fileName, const QVector<Bookmark>& bookmarks,
                             const ReportTable* events)
{
    ReportFile file(fileName);
    return saveExcelReport(table, font, chart, file, bookmarks, events);
}

ReportResult saveExcelReport(const ReportTable& table, const QFont& font, const QImage& chart,
                             ReportFile& file, const QVector<Bookmark>& bookmarks,
                             const ReportTable* events)
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

    QString text;
    for (int row = 0; row < rows; ++row) {
        for (int column = 1; column < columns; ++column) {
            if (table.cell(row, column, text) &&
                !writeCell(document, kFirstDataRow + row, column, table, row, text))
                return failed();
        }
    }

    // Anchors count from 0: row rows + 4 is the sheet's row rows + 5, one
    // empty row below the last data row.
    if (!chart.isNull() && !document.insertImage(rows + kFirstDataRow, 0, chart))
        return failed();

    if (!writeBookmarks(document, bookmarks, format))
        return failed();
    if (events && !writeEvents(document, *events, format))
        return failed();

    if (!document.saveTo(file))
        return failed();
    return ReportResult::success();
}
