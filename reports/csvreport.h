#pragma once

#include "reports/reportresult.h"

class QString;
class ReportFile;
class ReportTable;

// Writes the headers of columns 1 … n-1 and then every row with the cell
// texts as the table shows them: comma-separated, fields quoted where they
// hold a comma, a quote or a line break, UTF-8, "\n" line ends.
// "-" writes to standard output.
ReportResult saveCsvReport(const ReportTable& table, const QString& fileName);
ReportResult saveCsvReport(const ReportTable& table, ReportFile& file);

// One field, quoted when it needs to be.
QString csvField(const QString& text);
