#include "reports/csvreport.h"

#include "reports/reporttable.h"

#include <QSaveFile>
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
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return ReportResult::failure(
            QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString()));

    const int columns = table.columnCount();
    QString line;
    auto flush = [&file, &line] {
        line.append(QLatin1Char('\n'));
        const QByteArray utf8 = line.toUtf8();
        line.clear();
        return file.write(utf8) == utf8.size();
    };

    for (int column = 1; column < columns; ++column) {
        if (column > 1)
            line.append(QLatin1Char(','));
        if (table.hasHeader(column))
            line.append(csvField(table.headerText(column)));
    }
    bool written = flush();
    for (int row = 0; written && row < table.rowCount(); ++row) {
        for (int column = 1; column < columns; ++column) {
            if (column > 1)
                line.append(QLatin1Char(','));
            if (table.hasItem(row, column))
                line.append(csvField(table.text(row, column)));
        }
        written = flush();
    }

    if (!written)
        file.cancelWriting();
    if (!file.commit())
        return ReportResult::failure(
            QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString()));
    return ReportResult::success();
}
