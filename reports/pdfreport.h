#pragma once

#include "reports/reportresult.h"

class QDateTime;
class QImage;
class QString;
class ReportFile;
struct ChartDrawing;
class ReportTable;

// Paints the table as a PDF report: the title and the start date, the headers
// and rows of columns 1 … n-1 as a grid over as many pages as they need, and
// a last page the size of the chart in millimetres per pixel, on which the
// chart paints itself (a picture is stretched over it). A null chart is
// left out.
ReportResult savePdfReport(const ReportTable& table, const QDateTime& start, const QImage& chart,
                           const QString& fileName);
ReportResult savePdfReport(const ReportTable& table, const QDateTime& start, const QImage& chart,
                           ReportFile& file);
// With `events`, landscape A4 pages after the chart list its rows under the
// title "События".
ReportResult savePdfReport(const ReportTable& table, const QDateTime& start,
                           const ChartDrawing& chart, const QString& fileName,
                           const ReportTable* events = nullptr);
ReportResult savePdfReport(const ReportTable& table, const QDateTime& start,
                           const ChartDrawing& chart, ReportFile& file,
                           const ReportTable* events = nullptr);
