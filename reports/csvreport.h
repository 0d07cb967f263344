#pragma once

#include "reports/reportresult.h"
#include "table/bookmarkfile.h"

#include <QVector>

class QString;
class ReportFile;
class ReportTable;

// Writes the headers of columns 1 … n-1 and then every row with the cell
// texts as the table shows them: comma-separated, fields quoted where they
// hold a comma, a quote or a line break, UTF-8, "\n" line ends.
// "-" writes to standard output.
ReportResult saveCsvReport(const ReportTable& table, const QString& fileName);
ReportResult saveCsvReport(const ReportTable& table, ReportFile& file);

// The bookmarks as "Время,Заметка" and one line per bookmark with its time
// as the table writes times, in the same CSV form.
ReportResult saveBookmarkCsv(const QVector<Bookmark>& bookmarks, const QString& fileName);

// One field, quoted when it needs to be.
QString csvField(const QString& text);
