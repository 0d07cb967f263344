#include "reports/csvreport.h"

#include "reports/reportfile.h"
#include "reports/reporttable.h"
#include "table/timetextformatter.h"

#include <QString>

QString csvField(const QString& text)
{
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

ReportResult saveCsvReport(const ReportTable& table, const QString& fileName)
{
    ReportFile file(fileName);
    return saveCsvReport(table, file);
}

ReportResult saveCsvReport(const ReportTable& table, ReportFile& file)
{
    if (ReportResult opened = file.open(); !opened)
        return opened;
    QIODevice& out = file.device();

    const int columns = table.columnCount();
    // One buffer for every line; the bookmark column 0 is left out.
    QString line;
    auto writeLine = [&](auto hasField, auto field) {
        line.clear();
        for (int column = 1; column < columns; ++column) {
            if (column > 1)
                line.append(QLatin1Char(','));
            if (hasField(column))
                line.append(csvField(field(column)));
        }
        line.append(QLatin1Char('\n'));
        const QByteArray utf8 = line.toUtf8();
        return out.write(utf8) == utf8.size();
    };

    bool written = writeLine([&](int column) { return table.hasHeader(column); },
                             [&](int column) { return table.headerText(column); });
    for (int row = 0; written && row < table.rowCount(); ++row) {
        written = writeLine([&](int column) { return table.hasItem(row, column); },
                            [&](int column) { return table.text(row, column); });
    }

    // The loop stops at a failed write; the file keeps its reason for commit().
    return file.commit();
}

ReportResult saveBookmarkCsv(const QVector<Bookmark>& bookmarks, const QString& fileName)
{
    ReportFile file(fileName);
    if (ReportResult opened = file.open(); !opened)
        return opened;
    QString text = QStringLiteral("Время,Заметка\n");
    for (const Bookmark& bookmark : bookmarks) {
        text +=
            QDateTime::fromMSecsSinceEpoch(bookmark.msecs).toString(TimeTextFormatter::format()) +
            QLatin1Char(',') + csvField(bookmark.note) + QLatin1Char('\n');
    }
    // A failed write is kept by the file and reported by its commit.
    file.device().write(text.toUtf8());
    return file.commit();
}
