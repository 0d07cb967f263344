// A small table made from the fuzz bytes (any Unicode, quotes, separators,
// line breaks, very long texts, missing cells, number and time columns)
// through the CSV and the workbook writers. Each file is read back by an
// independent reader and must hold the same texts, or in the workbook the
// number or time that a numeric cell's text stands for; a workbook may
// instead be refused, with a message, when a text is longer than a cell can
// hold. The bytes after the table give two time limits: the rows between
// them (by the time text in column 1) must be the rows the time-range table
// holds and write out alike.

#include "fuzztable.h"
#include "zipentries.h"
#include "reports/csvreport.h"
#include "reports/excelreport.h"
#include "reports/timerangetable.h"
#include "tests/reports/xlsxreader.h"

#include <QFile>
#include <QFont>
#include <QCoreApplication>
#include <QDateTime>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCodec>

#include <cmath>

using fuzz::require;

namespace {
QTemporaryDir* g_dir = nullptr;

// Longest text an Excel cell holds, in characters.
constexpr int kCellLimit = 32767;

// UTF-8 bytes as text, a leading U+FEFF included: it is a character of the
// cell that begins with it, not a byte order mark to drop.
QString utf8Text(const QByteArray& bytes)
{
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    return QTextCodec::codecForMib(106)->toUnicode(bytes.constData(), bytes.size(), &state);
}

// What a UTF-8 file can carry of a text: lone surrogates cannot be written.
QString storable(const QString& text)
{
    return utf8Text(text.toUtf8());
}

QString pieceText(fuzz::Bytes& in)
{
    static const char* const pieces[] = {",",   "\"",   "\n",  "\r",  "\r\n", " ",
                                         "\t",  "\"\"", "a,b", "Ток", "😀",    "_x0041_",
                                         "<&>", "=1+1", "'",   "0"};
    static const char* const values[] = {"123.45",
                                         "-0.5",
                                         "1.23457e+06",
                                         "-0",
                                         "1e-300",
                                         "9.99999e+307",
                                         "0.000100000",
                                         "31/01/2024 23:59:59.999",
                                         "29/02/2023 00:00:00.000",
                                         "01/01/0100 00:00:00.000",
                                         "12345678901234567890",
                                         "0.1",
                                         "-1.5e-05",
                                         "nan",
                                         "15/01/1900 12:00:00.000",
                                         "01/03/1900 00:00:00.000"};
    const uint8_t kind = in.byte();
    switch (kind % 9) {
    case 8: // what number and time columns hold
        return QString::fromUtf8(values[in.below(16)]);
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
        return QString::fromUtf8(pieces[kind / 9 % 16]);
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

// What a spreadsheet shows for a stored number in the formats the workbook
// uses: "0", "0.00", "0.00e+00" (digits as many as the zeros), and the time
// format, on the spreadsheet's calendar with its 29/02/1900.
QString shownText(const QString& stored, const QString& format)
{
    bool ok = false;
    const double value = stored.toDouble(&ok);
    if (!ok)
        return QStringLiteral("<not a number>");
    if (format.startsWith(QLatin1String("dd/mm/yyyy"))) {
        const qint64 msecs = qint64(std::llround(value * 86400000.0));
        qint64 days = msecs / 86400000;
        const QTime time = QTime(0, 0).addMSecs(int(msecs - days * 86400000));
        if (days == 60)
            return QStringLiteral("29/02/1900 ") + time.toString(QStringLiteral("hh:mm:ss.zzz"));
        const QDate date = QDate(1899, 12, days < 60 ? 31 : 30).addDays(days);
        return date.toString(QStringLiteral("dd/MM/yyyy ")) +
               time.toString(QStringLiteral("hh:mm:ss.zzz"));
    }
    const int point = format.indexOf(QLatin1Char('.'));
    const int exponent = format.indexOf(QLatin1Char('e'));
    const int decimals = point < 0 ? 0 : (exponent < 0 ? format.size() : exponent) - point - 1;
    if (exponent < 0)
        return QString::number(value, 'f', decimals);
    // Qt writes at least two exponent digits; the format may ask for more.
    QString text = QString::number(value, 'e', decimals);
    const int sign = text.indexOf(QLatin1Char('e')) + 1;
    const int wanted = format.size() - exponent - 2;
    while (text.size() - sign - 1 < wanted)
        text.insert(sign + 1, QLatin1Char('0'));
    return text;
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
    require(content.cells.value(QStringLiteral("A1")).text ==
                QStringLiteral("Анализатор протоколов"),
            "the title");
    for (int row = -1; row < table.rowCount(); ++row) {
        for (int c = 1; c < table.columnCount(); ++c) {
            if (!(row < 0 ? table.hasHeader(c) : table.hasItem(row, c)))
                continue;
            const QString text = row < 0 ? table.headerText(c) : table.text(row, c);
            const QString at = reference(row < 0 ? 3 : 4 + row, c);
            const XlsxCell cell = content.cells.value(at);
            // A blank cell (an empty text with a format) has no type either, and no value.
            const bool numeric = cell.type.isEmpty() && !cell.text.isEmpty();
            const QString read = numeric ? shownText(cell.text, cell.numberFormat) : cell.text;
            if (read != storable(text))
                std::fprintf(stderr, "%s: wrote \"%s\", read \"%s\"\n", qPrintable(at),
                             storable(text).toUtf8().toPercentEncoding(" ").constData(),
                             read.toUtf8().toPercentEncoding(" ").constData());
            if (numeric) {
                require(row >= 0 && table.cellKind(row, c) != ReportTable::CellKind::Text,
                        "only number and time cells are numeric");
                require(read == text, "a numeric cell holds what its text stands for");
                ++cells;
                continue;
            }
            // An empty text is an empty cell, which the sheet may leave out.
            require(content.cells.contains(at) || text.isEmpty(), "every cell is in the sheet");
            require(content.cells.value(at).text == storable(text),
                    "workbook cells equal the cells");
            cells += content.cells.contains(at) ? 1 : 0;
        }
    }
    require(content.cells.size() == cells, "no other cells");
}
} // namespace

// The instant a row's time text stands for, read here on its own: the
// fields "dd/MM/yyyy hh:mm:ss.zzz", a valid local date-time.
bool instantOf(const QString& text, qint64& msecs)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d\\d)/(\\d\\d)/(\\d{4}) (\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d{3})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return false;
    const QDate date(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(),
                     m.captured(7).toInt());
    const QDateTime at(date, time);
    if (!date.isValid() || !time.isValid() || !at.isValid())
        return false;
    msecs = at.toMSecsSinceEpoch();
    return true;
}

QDateTime limitFrom(fuzz::Bytes& in)
{
    static const QDateTime instants[] = {QDateTime(QDate(2024, 1, 31), QTime(23, 59, 59, 999)),
                                         QDateTime(QDate(2023, 2, 28), QTime(0, 0)),
                                         QDateTime(QDate(100, 1, 1), QTime(0, 0)),
                                         QDateTime(QDate(1900, 1, 15), QTime(12, 0)),
                                         QDateTime(QDate(1900, 3, 1), QTime(0, 0)),
                                         QDateTime(QDate(2024, 1, 1), QTime(0, 0))};
    const uint8_t choice = in.byte();
    if (choice % 7 == 6)
        return {};
    // On the instant, or a millisecond either side.
    return instants[choice % 7].addMSecs(qint64(choice / 7 % 3) - 1);
}

// The rows between two limits: those whose time lies between them, in their
// order, the same cells; written out, the same file as those rows alone.
void checkTimeRange(const ListTable& table, const QDateTime& from, const QDateTime& to)
{
    const TimeRangeReportTable range(table, from, to);
    ListTable expected;
    expected.headers = table.headers;
    expected.kinds = table.kinds;
    QVector<int> rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        qint64 msecs = 0;
        const bool whole = !from.isValid() && !to.isValid();
        if (whole || (instantOf(table.text(row, 1), msecs) &&
                      TimeRangeReportTable::holds(msecs, from, to))) {
            rows.append(row);
            expected.rows.append(table.rows[row]);
        }
    }
    require(range.rowCount() == rows.size(), "the range holds the rows between its limits");
    for (int i = 0; i < rows.size(); ++i) {
        require(range.tableRow(i) == rows[i], "the range keeps the rows' order");
        for (int c = 0; c < table.columnCount(); ++c)
            require(range.hasItem(i, c) == table.hasItem(rows[i], c) &&
                        range.text(i, c) == table.text(rows[i], c),
                    "a row of the range shows its row's cells");
    }
    const QString ranged = g_dir->filePath(QStringLiteral("range.csv"));
    const QString alone = g_dir->filePath(QStringLiteral("alone.csv"));
    require(bool(saveCsvReport(range, ranged)) && bool(saveCsvReport(expected, alone)),
            "CSV of the range written");
    QFile a(ranged);
    QFile b(alone);
    require(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) &&
                a.readAll() == b.readAll(),
            "the range writes as its rows alone");
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    g_dir = &fuzz::startCore(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Bytes in(data, size);
    const ListTable table = fuzz::tableFrom(in, 0, 6, 12, cellText);
    const QDateTime from = limitFrom(in);
    const QDateTime to = limitFrom(in);
    checkCsv(table);
    checkTimeRange(table, from, to);
    checkWorkbook(table);
    return 0;
}
