#pragma once

#include "reports/reportresult.h"
#include "table/bookmarkfile.h"

#include <QVector>

class QFont;
class QImage;
class QString;
class ReportFile;
class ReportTable;

// Writes the table as a workbook: the title in A1 in the bold table font, the
// headers of columns 1 … n-1 in row 3 (bold, medium border), every row of the
// table from row 4 on, and the chart picture in column A one empty row below
// the data. Numbers and times go in as numeric cells whose format shows the
// table's text, state texts as text. A null picture is left out. A second
// sheet "Закладки" lists the bookmarks with their times and notes, and a
// third, "События", the rows of `events` when given.
ReportResult saveExcelReport(const ReportTable& table, const QFont& font, const QImage& chart,
                             const QString& fileName, const QVector<Bookmark>& bookmarks = {},
                             const ReportTable* events = nullptr);
ReportResult saveExcelReport(const ReportTable& table, const QFont& font, const QImage& chart,
                             ReportFile& file, const QVector<Bookmark>& bookmarks = {},
                             const ReportTable* events = nullptr);
