#pragma once

#include "reports/reportresult.h"

class QFont;
class QImage;
class QString;
class ReportFile;
class ReportTable;

// Writes the table as a workbook: the title in A1 in the bold table font, the
// headers of columns 1 … n-1 in row 3 (bold, medium border), every row of the
// table from row 4 on as text, and the chart picture in column A one empty row
// below the data. A null picture is left out.
ReportResult saveExcelReport(const ReportTable& table, const QFont& font, const QImage& chart,
                             const QString& fileName);
ReportResult saveExcelReport(const ReportTable& table, const QFont& font, const QImage& chart,
                             ReportFile& file);
