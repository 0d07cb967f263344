// A small table made from the fuzz bytes (any Unicode, quotes, separators,
// line breaks, very long texts, missing cells) through the CSV and the
// workbook writers. Each file is read back by an independent reader and must
// hold the same texts; a workbook may instead be refused, with a message,
// when a text is longer than a cell can hold.

#include "fuzzsupport.h"
#include "zipentries.h"
#include "reports/csvreport.h"
#include "reports/excelreport.h"
#include "tests/reports/listtable.h"
#include "tests/reports/xlsxreader.h"

#include <QFile>
#include <QFont>
#include <QCoreApplication>
#include <QImage>
#include <QTemporaryDir>

#include <memory>

using fuzz::require;

namespace {
std::unique_ptr<QTemporaryDir> g_dir;

// Longest text an Excel cell holds, in characters.
constexpr int kCellLimit = 32767;

// What a UTF-8 file can carry of a text: lone surrogates cannot be written.
QString storable(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return QString::fromUtf8(utf8.constData(), utf8.size());
}

QString utf8Text(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes.constData(), bytes.size());
}

QString pieceText(fuzz::Bytes& in)
{
    static const char* const pieces[] = {",", "\"", "\n", "\r", "\r\n", " ", "\t", "\"\"", "a,b",
                                         "Ток", "😀", "_x0041_", "<&>", "=1+1", "'", "0"};
    const uint8_t kind = in.byte();
    switch (kind % 8) {
    case 0: // raw bytes as UTF-8, broken sequences included
        return utf8Text(in.take(in.below(16)));
    case 1: { // UTF-16 units, lone surrogates included
        QString text;
        for (int n = int(in.below(8)); n > 0; --n)
            text.append(QChar(in.u16()));
        return text;
    }
    case 2: // a long run of one piece
        return QString::fromUtf8(pieces[in.below(16)]).repeated(1 + int(in.u16()) % 20000);
    default:
        return QString::fromUtf8(pieces[kind / 8 % 16]);
    }
}

std::optional<QString> cellText(fuzz::Bytes& in)
{
    const uint8_t shape = in.byte();
    if (shape % 5 == 0)
        return std::nullopt;
    QString text;
    for (int n = shape / 5 % 5; n > 0; --n)
        text += pieceText(in);
    return text;
}

ListTable tableFrom(fuzz::Bytes& in)
{
    ListTable table;
    const int columns = int(in.below(6));
    const int rows = int(in.below(12));
    for (int c = 0; c < columns; ++c)
        table.headers.append(cellText(in));
    for (int r = 0; r < rows; ++r) {
        QVector<std::optional<QString>> row;
        for (int c = 0; c < columns; ++c)
            row.append(cellText(in));
        table.rows.append(row);
    }
    return table;
}

// RFC 4180 records: fields separated by commas, records by line breaks
// (CRLF or LF); a quoted field may hold anything, with quotes doubled. False
// when the text breaks those rules.
bool readCsv(const QString& text, QVector<QStringList>& records)
{
    int at = 0;
    const int size = text.size();
    QStringList record;
    while (at < size) {
        QString field;
        if (text[at] == QLatin1Char('"')) {
            ++at;
            for (;;) {
                if (at >= size)
                    return false; // unterminated quote
                if (text[at] == QLatin1Char('"')) {
                    if (at + 1 < size && text[at + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                field += text[at++];
            }
        } else {
            while (at < size && text[at] != QLatin1Char(',') && text[at] != QLatin1Char('\n') &&
                   text[at] != QLatin1Char('\r')) {
                if (text[at] == QLatin1Char('"'))
                    return false; // a quote inside an unquoted field
                field += text[at++];
            }
        }
        record.append(field);
        if (at < size && text[at] == QLatin1Char(',')) {
            ++at;
            continue;
        }
        if (at < size && text[at] == QLatin1Char('\r'))
            ++at;
        if (at >= size || text[at] != QLatin1Char('\n'))
            return false; // every record ends with a line break
        ++at;
        records.append(record);
        record.clear();
    }
    return true;
}

QStringList expectedLine(const ListTable& table, int row)
{
    QStringList line;
    for (int c = 1; c < table.columnCount(); ++c) {
        const bool has = row < 0 ? table.hasHeader(c) : table.hasItem(row, c);
        const QString text = row < 0 ? table.headerText(c) : table.text(row, c);
        line.append(has ? storable(text) : QString());
    }
    // A line without fields reads as one empty field.
    return line.isEmpty() ? QStringList{QString()} : line;
}

void checkCsv(const ListTable& table)
{
    const QString path = g_dir->filePath(QStringLiteral("table.csv"));
    require(bool(saveCsvReport(table, path)), "CSV written");
    QFile file(path);
    require(file.open(QIODevice::ReadOnly), "CSV read back");
    const QByteArray bytes = file.readAll();
    require(utf8Text(bytes).toUtf8() == bytes, "CSV is valid UTF-8");
    QVector<QStringList> records;
    require(readCsv(utf8Text(bytes), records), "CSV follows RFC 4180");
    require(records.size() == 1 + table.rowCount(), "one CSV record per row and the header");
    for (int row = -1; row < table.rowCount(); ++row)
        require(records[row + 1] == expectedLine(table, row), "CSV fields equal the cells");
}

// Column letters of a 1-based column number.
QString reference(int row, int column)
{
    QString letters;
    for (; column > 0; column = (column - 1) / 26)
        letters.prepend(QLatin1Char(char('A' + (column - 1) % 26)));
    return letters + QString::number(row);
}

void checkWorkbook(const ListTable& table)
{
    const QString path = g_dir->filePath(QStringLiteral("table.xlsx"));
    QFile::remove(path);
    // Excel counts the characters a cell shows; the file may need up to 6 more
    // for each character it must escape, which all are '_' or XML's misfits.
    bool tooLong = false;
    bool fits = true;
    for (int row = -1; row < table.rowCount(); ++row) {
        for (int c = 1; c < table.columnCount(); ++c) {
            const QString text = storable(row < 0 ? table.headerText(c) : table.text(row, c));
            const int length = text.toUcs4().size();
            const int escapable = text.count(QLatin1Char('_')) + text.count(QChar(0)) +
                                  text.count(QChar(0xFFFE)) + text.count(QChar(0xFFFF));
            tooLong = tooLong || length > kCellLimit;
            fits = fits && length + 6 * escapable <= kCellLimit;
        }
    }
    const ReportResult result = saveExcelReport(table, QFont(), QImage(), path);
    if (tooLong || (!fits && !result)) {
        require(!result && !result.error.isEmpty(), "an over-long text is refused with a message");
        require(!QFile::exists(path), "a refused workbook leaves no file");
        return;
    }
    if (!result)
        std::fprintf(stderr, "%s\n", qPrintable(result.error));
    require(bool(result), "workbook written");

    QFile file(path);
    require(file.open(QIODevice::ReadOnly), "workbook opened");
    const QMap<QString, QByteArray> entries = fuzz::zipEntries(file.readAll());
    const XlsxContent content = readXlsxParts(
        entries.keys(), [&entries](const QString& name) { return entries.value(name); });
    require(content.ok, "workbook read back");
    int cells = 1;
    require(content.cells.value(QStringLiteral("A1")).text == QStringLiteral("Анализатор протоколов"),
            "the title");
    for (int row = -1; row < table.rowCount(); ++row) {
        for (int c = 1; c < table.columnCount(); ++c) {
            if (!(row < 0 ? table.hasHeader(c) : table.hasItem(row, c)))
                continue;
            const QString text = row < 0 ? table.headerText(c) : table.text(row, c);
            const QString at = reference(row < 0 ? 3 : 4 + row, c);
            if (content.cells.value(at).text != storable(text))
                std::fprintf(stderr, "%s: wrote \"%s\", read \"%s\"\n", qPrintable(at),
                             storable(text).toUtf8().toPercentEncoding(" ").constData(),
                             content.cells.value(at).text.toUtf8().toPercentEncoding(" ").constData());
            // An empty text is an empty cell, which the sheet may leave out.
            require(content.cells.contains(at) || text.isEmpty(), "every cell is in the sheet");
            require(content.cells.value(at).text == storable(text), "workbook cells equal the cells");
            cells += content.cells.contains(at) ? 1 : 0;
        }
    }
    require(content.cells.size() == cells, "no other cells");
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    fuzz::silenceQt();
    g_dir = std::make_unique<QTemporaryDir>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Bytes in(data, size);
    const ListTable table = tableFrom(in);
    checkCsv(table);
    checkWorkbook(table);
    return 0;
}
