#pragma once

#include "reports/reportresult.h"

class QDateTime;
class QImage;
class QString;
class ReportFile;
class ReportTable;

// Paints the table as a PDF report: the title and the start date, the headers
// and rows of columns 1 … n-1 as a grid over as many pages as they need, and
// a last page the size of the chart picture in millimetres per pixel. A null
// picture is left out.
ReportResult savePdfReport(const ReportTable& table, const QDateTime& start, const QImage& chart,
                           const QString& fileName);
ReportResult savePdfReport(const ReportTable& table, const QDateTime& start, const QImage& chart,
                           ReportFile& file);
