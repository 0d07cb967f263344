#include "listtable.h"
#include "readback.h"
#include "xlsxreader.h"

#include "reports/celltextfitter.h"
#include "reports/csvreport.h"
#include "reports/excelreport.h"
#include "reports/pdfreport.h"
#include "reports/picturereport.h"
#include "reports/reportfile.h"
#include "reports/reportresult.h"
#include "reports/timerangetable.h"
#include "reports/xlsxdocument.h"

#include <QDateTime>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSizeF>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {
constexpr double kPointsPerMm = 72.0 / 25.4;

// Page sizes in millimetres, as poppler reads them.
QVector<QSizeF> pageSizes(const QString& path)
{
    const QString info = QString::fromUtf8(
        runTool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                            QStringLiteral("-l"), QStringLiteral("1000"), path}));
    QVector<QSizeF> sizes;
    const QRegularExpression line(QStringLiteral(R"(Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts)"));
    auto it = line.globalMatch(info);
    while (it.hasNext()) {
        const auto match = it.next();
        sizes.append(QSizeF(match.captured(1).toDouble() / kPointsPerMm,
                            match.captured(2).toDouble() / kPointsPerMm));
    }
    return sizes;
}

QString pageText(const QString& path, int page)
{
    const QString number = QString::number(page);
    return QString::fromUtf8(runTool(QStringLiteral("pdftotext"),
                                     {QStringLiteral("-f"), number, QStringLiteral("-l"), number,
                                      QStringLiteral("-layout"), path, QStringLiteral("-")}));
}

// A page drawn in grey at 50 dots per inch; null when poppler cannot draw it.
QImage pageImage(const QString& path, int page)
{
    const QString number = QString::number(page);
    return QImage::fromData(
        runTool(QStringLiteral("pdftoppm"),
                {QStringLiteral("-gray"), QStringLiteral("-r"), QStringLiteral("50"),
                 QStringLiteral("-f"), number, QStringLiteral("-l"), number, path}));
}

bool dark(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 128;
}

bool sameSizes(const QVector<QSizeF>& actual, const QVector<QSizeF>& expected)
{
    if (actual.size() != expected.size())
        return false;
    for (int page = 0; page < actual.size(); ++page) {
        if (qAbs(actual[page].width() - expected[page].width()) >= 0.5 ||
            qAbs(actual[page].height() - expected[page].height()) >= 0.5)
            return false;
    }
    return true;
}

// The rows of the numbered table that a page shows, by their first cell.
QVector<int> rowsOnPage(const QString& text)
{
    QVector<int> rows;
    const QRegularExpression cell(QStringLiteral(R"(\bR(\d{3})C1\b)"));
    auto it = cell.globalMatch(text);
    while (it.hasNext())
        rows.append(it.next().captured(1).toInt());
    return rows;
}

QVector<int> range(int first, int last)
{
    QVector<int> numbers;
    for (int i = first; i <= last; ++i)
        numbers.append(i);
    return numbers;
}

QImage picture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    return image;
}

QStringList fourSides(const QString& style)
{
    return {style, style, style, style};
}

// A disk that fills up while the last buffered part of a report is written:
// every write seems to succeed, the final flush does not.
class FullDiskFile : public ReportFile
{
public:
    using ReportFile::ReportFile;

protected:
    bool flushTarget(QString& error) override
    {
        error = QStringLiteral("No space left on device");
        return false;
    }
};

// A target that refuses one write, the n-th, and takes every other one; it
// counts the writes it was handed.
class FlakyFile : public ReportFile
{
public:
    FlakyFile(const QString& fileName, int failing) : ReportFile(fileName), m_failing(failing) {}
    int writes = 0;

protected:
    bool writeToTarget(const char* data, qint64 size, QString& error) override
    {
        if (++writes == m_failing) {
            error = QStringLiteral("Input/output error");
            return false;
        }
        return ReportFile::writeToTarget(data, size, error);
    }

private:
    int m_failing;
};

ListTable protocolTable()
{
    ListTable table;
    table.headers = {QString(), QStringLiteral("Дата"), QStringLiteral("Давление (P1)"),
                     QStringLiteral("Клапан (V1)")};
    table.rows = {
        {std::nullopt, QStringLiteral("05/03/2024 10:20:30.000"), QStringLiteral("123.45"),
         QStringLiteral("Открыт")},
        {std::nullopt, QStringLiteral("05/03/2024 10:20:30.100"), QStringLiteral("1.23457e+06"),
         std::nullopt},
        {std::nullopt, QStringLiteral("05/03/2024 10:20:30.200"), QStringLiteral("=1+1"),
         QStringLiteral("Закрыт")},
    };
    return table;
}
bool writeBytes(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestReportWriters : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    const QStringList titles = {QStringLiteral("Дата"), QStringLiteral("Давление (P1)"),
                                QStringLiteral("Клапан (V1)")};
    const QDateTime start = QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30, 40));

    QByteArray savedCsv(const ReportTable& table, const QString& name)
    {
        const QString path = dir.filePath(name);
        if (!saveCsvReport(table, path))
            return QByteArray();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    ReportResult writeReport(const QString& kind, ReportFile& file)
    {
        const ListTable table = protocolTable();
        if (kind == QLatin1String("csv"))
            return saveCsvReport(table, file);
        if (kind == QLatin1String("xlsx"))
            return saveExcelReport(table, QFont(), picture(10, 10), file);
        if (kind == QLatin1String("png"))
            return savePngPicture(picture(10, 10), file);
        return savePdfReport(table, start, picture(10, 10), file);
    }

private slots:
    void fieldsAreQuotedOnlyWhereNeeded_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        const auto row = [](const char* name, const char* text, const char* field) {
            QTest::newRow(name) << QString(text) << QString(field);
        };
        row("plain", "12.5", "12.5");
        row("empty", "", "");
        row("comma", "1,5", "\"1,5\"");
        row("quote", "a \"b\"", "\"a \"\"b\"\"\"");
        row("line feed", "a\nb", "\"a\nb\"");
        row("carriage return", "a\rb", "\"a\rb\"");
        row("spaces stay", " a ", " a ");
    }

    void fieldsAreQuotedOnlyWhereNeeded()
    {
        QFETCH(QString, text);
        QTEST(csvField(text), "field");
    }

    void tableGoesOutRowByRowWithoutTheBookmarkColumn()
    {
        ListTable table;
        table.headers = {QStringLiteral("mark"), QStringLiteral("Дата"),
                         QStringLiteral("Давление (P1)"), std::nullopt,
                         QStringLiteral("Клапан, V1")};
        table.rows = {
            {QStringLiteral("*"), QStringLiteral("05/03/2024 10:20:30.000"),
             QStringLiteral("1.23457e+06"), QStringLiteral("x"), QStringLiteral("Открыт")},
            {std::nullopt, QStringLiteral("05/03/2024 10:20:30.100"), std::nullopt,
             QStringLiteral("say \"hi\""), QStringLiteral("-0.5")},
        };
        const QByteArray expected =
            QStringLiteral("Дата,Давление (P1),,\"Клапан, V1\"\n"
                           "05/03/2024 10:20:30.000,1.23457e+06,x,Открыт\n"
                           "05/03/2024 10:20:30.100,,\"say \"\"hi\"\"\",-0.5\n")
                .toUtf8();
        QCOMPARE(savedCsv(table, QStringLiteral("table.csv")), expected);
    }

    void emptyTableGivesTheHeaderLine()
    {
        ListTable table = ListTable::numbered({QStringLiteral("Дата"), QStringLiteral("A")}, 0);
        QCOMPARE(savedCsv(table, QStringLiteral("empty.csv")), QStringLiteral("Дата,A\n").toUtf8());
    }

    void timeRangeKeepsTheRowsBetweenItsLimits_data()
    {
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<QStringList>("firstCells");
        const QDate day(2024, 3, 5);
        const QStringList all = {"10:20:30.000", "10:20:30.100", "bad", "31/02/2024 10:20:30.050",
                                 "10:20:30.200"};
        QTest::newRow("no limits") << QDateTime() << QDateTime() << all;
        QTest::newRow("both ends included")
            << QDateTime(day, QTime(10, 20, 30, 100)) << QDateTime(day, QTime(10, 20, 30, 200))
            << QStringList{"10:20:30.100", "10:20:30.200"};
        QTest::newRow("from only")
            << QDateTime(day, QTime(10, 20, 30, 150)) << QDateTime() << QStringList{"10:20:30.200"};
        QTest::newRow("to only") << QDateTime() << QDateTime(day, QTime(10, 20, 30, 99))
                                 << QStringList{"10:20:30.000"};
        QTest::newRow("another day")
            << QDateTime(day.addDays(1), QTime(10, 20, 30)) << QDateTime() << QStringList{};
    }

    void timeRangeKeepsTheRowsBetweenItsLimits()
    {
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(QStringList, firstCells);
        ListTable table = protocolTable();
        table.rows.insert(2, {std::nullopt, QStringLiteral("bad"), QStringLiteral("1")});
        // The shape of a time but no such day: no instant, left out by any limit.
        table.rows.insert(
            3, {std::nullopt, QStringLiteral("31/02/2024 10:20:30.050"), QStringLiteral("2")});
        table.kinds = {ReportTable::CellKind::Text, ReportTable::CellKind::DateTime};
        const TimeRangeReportTable range(table, from, to);
        QStringList cells;
        for (int row = 0; row < range.rowCount(); ++row)
            cells.append(range.text(row, 1).remove(QStringLiteral("05/03/2024 ")));
        QCOMPARE(cells, firstCells);
        if (range.rowCount() > 0)
            QCOMPARE(range.cellKind(0, 1), ReportTable::CellKind::DateTime);
    }

    void bookmarksGoOutAsCsv()
    {
        const qint64 at = start.toMSecsSinceEpoch();
        const QString path = dir.filePath(QStringLiteral("marks.csv"));
        QVERIFY(
            saveBookmarkCsv({{at, QStringLiteral("Пуск, насос")}, {at + 1000, QString()}}, path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()),
                 QStringLiteral("Время,Заметка\n05/03/2024 10:20:30.040,\"Пуск, насос\"\n"
                                "05/03/2024 10:20:31.040,\n"));
        QVERIFY(!saveBookmarkCsv({}, unwritablePath(dir.path(), QStringLiteral("m.csv"))));
    }

    void suffixIsAddedUnlessPresent_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* chosen, const char* suffix,
                            const char* expected) {
            QTest::newRow(name) << QString(chosen) << QString(suffix) << QString(expected);
        };
        row("kept, other case", "/a/report.XLSX", "xlsx", "/a/report.XLSX");
        row("other suffix", "/a/report.txt", "xlsx", "/a/report.txt.xlsx");
        row("none", "/a/report", "xlsx", "/a/report.xlsx");
        row("dotted folder", "/a.pdf/report", "pdf", "/a.pdf/report.pdf");
    }

    void suffixIsAddedUnlessPresent()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, suffix);
        QTEST(reportFileName(chosen, suffix), "expected");
    }

    void layoutAsASpreadsheetReadsIt()
    {
        const QString path = dir.filePath(QStringLiteral("layout.xlsx"));
        const ListTable table = protocolTable();
        QVERIFY(saveExcelReport(table, QFont(QStringLiteral("DejaVu Sans"), 10), picture(120, 50),
                                path));

        const XlsxContent book = readXlsx(path);
        QVERIFY2(book.ok, "unzip could not read the workbook");

        const XlsxCell title = book.cells.value(QStringLiteral("A1"));
        QCOMPARE(title.text, QStringLiteral("Анализатор протоколов"));
        QVERIFY(title.bold);
        QCOMPARE(title.fontName, QStringLiteral("DejaVu Sans"));
        QCOMPARE(title.borders, QStringList({QString(), QString(), QString(), QString()}));

        const QStringList medium = fourSides(QStringLiteral("medium"));
        const QStringList headers = {QStringLiteral("Дата"), QStringLiteral("Давление (P1)"),
                                     QStringLiteral("Клапан (V1)")};
        for (int i = 0; i < headers.size(); ++i) {
            const XlsxCell header = book.cells.value(QChar('A' + i) + QStringLiteral("3"));
            QCOMPARE(header.text, headers.at(i));
            QVERIFY(header.bold);
            QCOMPARE(header.borders, medium);
        }
        QVERIFY(!book.cells.contains(QStringLiteral("D3")));
        QVERIFY(!book.cells.contains(QStringLiteral("A2")));

        QCOMPARE(book.cells.value(QStringLiteral("A4")).text, table.rows[0][1].value());
        QCOMPARE(book.cells.value(QStringLiteral("B4")).text, QStringLiteral("123.45"));
        QCOMPARE(book.cells.value(QStringLiteral("C4")).text, QStringLiteral("Открыт"));
        QCOMPARE(book.cells.value(QStringLiteral("B5")).text, QStringLiteral("1.23457e+06"));
        QVERIFY(!book.cells.contains(QStringLiteral("C5")));
        QCOMPARE(book.cells.value(QStringLiteral("C6")).text, QStringLiteral("Закрыт"));
        QCOMPARE(book.lastRow, 6);

        // Every value is a string as the table shows it, never a number or a formula.
        for (auto it = book.cells.cbegin(); it != book.cells.cend(); ++it) {
            QVERIFY2(it->type == QLatin1String("inlineStr") || it->type == QLatin1String("s") ||
                         it->type == QLatin1String("str"),
                     qPrintable(it.key()));
            QVERIFY2(!it->formula, qPrintable(it.key()));
            if (it.key() != QLatin1String("A1") && !it.key().endsWith(QLatin1Char('3')))
                QVERIFY2(!it->bold && it->borders.join(QString()).isEmpty(), qPrintable(it.key()));
        }
        QCOMPARE(book.cells.value(QStringLiteral("B6")).text, QStringLiteral("=1+1"));

        // The picture sits in column A one empty row below the data: sheet row 3 + 5.
        QVERIFY(book.parts.filter(QStringLiteral("xl/media/")).size() == 1);
        QCOMPARE(book.pictures, QVector<QPoint>({QPoint(0, table.rowCount() + 4)}));
    }

    void numbersAndTimesAreCellsThatShowTheTableText()
    {
        using Kind = ReportTable::CellKind;
        ListTable table = protocolTable();
        table.kinds = {Kind::Text, Kind::DateTime, Kind::Number, Kind::Text};
        table.rows.append({std::nullopt, QStringLiteral("31/12/2023 23:59:59.999"),
                           QStringLiteral("-0.5"), QStringLiteral("7")});
        table.rows.append({std::nullopt, QStringLiteral("31/02/2023 00:00:00.000"),
                           QStringLiteral("1e-05"), std::nullopt});
        // Leading zeros and digits past the 15th would be lost to a number
        // format, days before March 1900 shown a day early: such texts stay text.
        table.rows.append({std::nullopt, QStringLiteral("28/02/1900 00:00:00.000"),
                           QStringLiteral("007"), std::nullopt});
        table.rows.append({std::nullopt, QStringLiteral("01/03/1900 00:00:00.000"),
                           QStringLiteral("1234567890123456"), std::nullopt});
        const QDateTime marked(QDate(2024, 3, 5), QTime(10, 20, 30, 100));
        const QVector<Bookmark> bookmarks = {{marked.toMSecsSinceEpoch(), QStringLiteral("Пуск")},
                                             {marked.toMSecsSinceEpoch() + 43200000, QString()}};
        const QString path = dir.filePath(QStringLiteral("typed.xlsx"));
        QVERIFY(saveExcelReport(table, QFont(), QImage(), path, bookmarks));

        // Day counts worked out by hand: 05/03/2024 is day 45356 since 30/12/1899.
        struct Expected
        {
            const char* cell;
            double value; // NaN: a string
            const char* format;
            const char* text;
        };
        const double string = qQNaN();
        const QString timeFormat = QStringLiteral("dd/mm/yyyy hh:mm:ss.000");
        const Expected cells[] = {
            {"A4", 45356 + 37230.0 / 86400, "dd/mm/yyyy hh:mm:ss.000", nullptr},
            {"B4", 123.45, "0.00", nullptr},
            {"C4", string, "", "Открыт"},
            {"B5", 1234570, "0.00000e+00", nullptr},
            {"B6", string, "", "=1+1"},
            {"A7", 45291 + 86399.999 / 86400, "dd/mm/yyyy hh:mm:ss.000", nullptr},
            {"B7", -0.5, "0.0", nullptr},
            {"C7", string, "", "7"},
            {"A8", string, "", "31/02/2023 00:00:00.000"},
            {"B8", 1e-05, "0e+00", nullptr},
            {"A9", string, "", "28/02/1900 00:00:00.000"},
            {"B9", string, "", "007"},
            {"A10", 61, "dd/mm/yyyy hh:mm:ss.000", nullptr},
            {"B10", string, "", "1234567890123456"},
        };
        const XlsxContent book = readXlsx(path);
        QVERIFY(book.ok);
        for (const Expected& expected : cells) {
            const XlsxCell cell = book.cells.value(QLatin1String(expected.cell));
            QVERIFY2(!cell.formula, expected.cell);
            QCOMPARE(cell.numberFormat, QLatin1String(expected.format));
            if (qIsNaN(expected.value)) {
                QVERIFY2(!cell.type.isEmpty(), expected.cell);
                QCOMPARE(cell.text, QString::fromUtf8(expected.text));
            } else {
                QVERIFY2(cell.type.isEmpty() || cell.type == QLatin1String("n"), expected.cell);
                QVERIFY2(qAbs(cell.text.toDouble() - expected.value) < 1e-9, expected.cell);
            }
        }

        const XlsxContent marks = readXlsx(path, 2);
        QVERIFY(book.parts.contains(QStringLiteral("xl/worksheets/sheet2.xml")));
        QCOMPARE(marks.cells.value(QStringLiteral("A1")).text, QStringLiteral("Время"));
        QCOMPARE(marks.cells.value(QStringLiteral("B1")).text, QStringLiteral("Заметка"));
        QCOMPARE(marks.cells.value(QStringLiteral("A2")).numberFormat, timeFormat);
        QVERIFY(qAbs(marks.cells.value(QStringLiteral("A2")).text.toDouble() -
                     (45356 + 37230.1 / 86400)) < 1e-9);
        QCOMPARE(marks.cells.value(QStringLiteral("B2")).text, QStringLiteral("Пуск"));
        QVERIFY(qAbs(marks.cells.value(QStringLiteral("A3")).text.toDouble() -
                     (45356.5 + 37230.1 / 86400)) < 1e-9);
        QVERIFY(!marks.cells.contains(QStringLiteral("B3")));
        QCOMPARE(marks.lastRow, 3);
    }

    void existingFileIsReplacedWithoutItsPicture()
    {
        const QString path = dir.filePath(QStringLiteral("again.xlsx"));
        ListTable table = protocolTable();
        QVERIFY(saveExcelReport(table, QFont(), picture(120, 50), path));
        table.rows.resize(1);
        QVERIFY(saveExcelReport(table, QFont(), QImage(), path));
        const XlsxContent book = readXlsx(path);
        QVERIFY(book.ok);
        QCOMPARE(book.lastRow, 4);
        QCOMPARE(book.cells.value(QStringLiteral("A4")).text,
                 QStringLiteral("05/03/2024 10:20:30.000"));
        QVERIFY(book.parts.filter(QStringLiteral("xl/media/")).isEmpty());
        QVERIFY(book.pictures.isEmpty());
    }

    void documentKeepsEachFormatAsItWasWritten()
    {
        const QString path = dir.filePath(QStringLiteral("formats.xlsx"));
        xlsx::Document document;
        xlsx::Format format;
        QFont font;
        font.setBold(true);
        format.setFont(font);
        QVERIFY(document.write(1, 1, QStringLiteral("bold"), format));
        format.setBorderStyle(1);
        QVERIFY(document.write(2, 2, QStringLiteral("thin"), format));
        format.setBorderStyle(2);
        QVERIFY(document.write(3, 3, QStringLiteral("medium"), format));
        QVERIFY(document.write(3, 4, QStringLiteral("medium again"), format));
        QVERIFY(document.write(4, 1, QStringLiteral("plain")));
        QVERIFY(document.saveAs(path));

        const XlsxContent book = readXlsx(path);
        QVERIFY(book.cells.value(QStringLiteral("A1")).bold);
        QCOMPARE(book.cells.value(QStringLiteral("A1")).borders.join(QString()), QString());
        QCOMPARE(book.cells.value(QStringLiteral("B2")).borders, fourSides(QStringLiteral("thin")));
        QCOMPARE(book.cells.value(QStringLiteral("D3")).borders,
                 fourSides(QStringLiteral("medium")));
        QVERIFY(!book.cells.value(QStringLiteral("A4")).bold);
    }

    void textsReadBackAsWrittenWhateverTheirCharacters()
    {
        // A NUL once ended the cell text, U+FFFE made the sheet unreadable and
        // "_x0041_" showed as "A".
        const QString path = dir.filePath(QStringLiteral("characters.xlsx"));
        const QStringList texts = {QString(QChar(0)) + QStringLiteral("a"),
                                   QStringLiteral("_x0041_ _x00e9_"),
                                   QStringLiteral("a") + QChar(0xFFFE) + QChar(0xFFFF),
                                   QStringLiteral("\x01\r\n_x_ _x12_")};
        ListTable table;
        table.headers = {std::nullopt, texts[0], texts[1]};
        table.rows = {{std::nullopt, texts[2], texts[3]}};
        QVERIFY(saveExcelReport(table, QFont(), QImage(), path));
        const XlsxContent book = readXlsx(path);
        QVERIFY(book.ok);
        QCOMPARE(book.cells.value(QStringLiteral("A3")).text, texts[0]);
        QCOMPARE(book.cells.value(QStringLiteral("B3")).text, texts[1]);
        QCOMPARE(book.cells.value(QStringLiteral("A4")).text, texts[2]);
        QCOMPARE(book.cells.value(QStringLiteral("B4")).text, texts[3]);
    }

    void documentRefusesWhatASheetCannotHold()
    {
        xlsx::Document document;
        QVERIFY(!document.write(0, 1, QStringLiteral("x")));
        QVERIFY(!document.write(1, 0, QStringLiteral("x")));
        QVERIFY(document.write(5, 1, QStringLiteral("x")));
        // Rows stream to disk: going back up is refused, not silently dropped.
        QVERIFY(!document.write(4, 1, QStringLiteral("x")));
        QVERIFY(!document.errorString().isEmpty());
        QVERIFY(!document.write(1048577, 1, QStringLiteral("x")));
        QVERIFY(!document.insertImage(0, 0, QImage()));
        QVERIFY(!document.write(6, 1, QString(40000, QLatin1Char('x'))));
        QVERIFY(document.saveAs(dir.filePath(QStringLiteral("limits.xlsx"))));
        QVERIFY(!document.write(7, 1, QStringLiteral("after")));
    }

    void rowsFollowTheGrid()
    {
        // 20 rows on the first page, 26 on each later one, then the chart page.
        const QString path = dir.filePath(QStringLiteral("grid.pdf"));
        QVERIFY(savePdfReport(ListTable::numbered(titles, 20 + 26 + 1), start, picture(1200, 500),
                              path));
        QCOMPARE(rowsOnPage(pageText(path, 1)), range(1, 20));
        QCOMPARE(rowsOnPage(pageText(path, 2)), range(21, 46));
        QCOMPARE(rowsOnPage(pageText(path, 3)), range(47, 47));
        QVERIFY(pageText(path, 4).trimmed().isEmpty());
        const QSizeF a4(220, 297);
        QVERIFY(sameSizes(pageSizes(path), {a4, a4, a4, QSizeF(1200, 500)}));
    }

    void gridLinesSpanTheRowsOfEachPage()
    {
        // A full second page and one row on the third: the table's left line
        // runs unbroken from the first row's top to the last row's rule, and
        // nothing is drawn below that rule.
        const QString path = dir.filePath(QStringLiteral("lines.pdf"));
        QVERIFY(savePdfReport(ListTable::numbered(titles, 20 + 26 + 1), start, QImage(), path));
        for (int page : {2, 3}) {
            const QImage image = pageImage(path, page);
            QVERIFY2(!image.isNull(), "pdftoppm");
            QVector<int> rules;
            int left = image.width();
            for (int y = 0; y < image.height(); ++y) {
                int count = 0;
                for (int x = 0; x < image.width(); ++x) {
                    if (dark(image, x, y)) {
                        ++count;
                        left = std::min(left, x);
                    }
                }
                if (count > image.width() / 2)
                    rules.append(y);
            }
            QVERIFY(!rules.isEmpty());
            const int bottom = rules.last();
            int top = rules.first();
            while (top > 0 && dark(image, left, top - 1))
                --top;
            // A row is 500 of 1200 units per inch high: 21 pixels here.
            QVERIFY2(rules.first() - top >= 14, qPrintable(QString::number(rules.first() - top)));
            // The rules end at the table's right line, which runs as the left one does.
            int right = image.width() - 1;
            while (right > left && !dark(image, right, bottom))
                --right;
            for (int y = top; y <= bottom; ++y) {
                QVERIFY2(dark(image, left, y), qPrintable(QString::number(y)));
                QVERIFY2(dark(image, right, y) || dark(image, right - 1, y),
                         qPrintable(QString::number(y)));
            }
            for (int y = bottom + 2; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x)
                    QVERIFY2(!dark(image, x, y), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        }
    }

    void pageSizesFollowRowsColumnsAndChart_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QSize>("chart");
        QTest::addColumn<QVector<QSizeF>>("expected");
        const QSizeF a4(220, 297);
        // An exactly full page adds no blank page.
        QTest::newRow("one full page")
            << 3 << 20 << QSize(40, 30) << QVector<QSizeF>{a4, QSizeF(40, 30)};
        QTest::newRow("wide, no chart") << 7 << 1 << QSize() << QVector<QSizeF>{{70 * 7 + 10, 297}};
    }

    void pageSizesFollowRowsColumnsAndChart()
    {
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(QSize, chart);
        QFETCH(QVector<QSizeF>, expected);
        QStringList headers{QStringLiteral("Дата")};
        for (int c = 1; c < columns; ++c)
            headers.append(QString::number(c));
        const QString path = dir.filePath(QStringLiteral("sizes.pdf"));
        QVERIFY(savePdfReport(ListTable::numbered(headers, rows), start,
                              chart.isEmpty() ? QImage() : picture(chart.width(), chart.height()),
                              path));
        QVERIFY(sameSizes(pageSizes(path), expected));
    }

    void firstPageCarriesTitleDateHeadersAndCells()
    {
        const QString path = dir.filePath(QStringLiteral("texts.pdf"));
        ListTable table = ListTable::numbered(titles, 2);
        table.rows[1][3] = QStringLiteral("Открыт");
        table.rows[1][2] = std::nullopt;
        QVERIFY(savePdfReport(table, start, picture(300, 200), path));

        const QString text = pageText(path, 1);
        QVERIFY2(text.contains(QStringLiteral("Анализатор протоколов")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Дата старта: 05/03/2024 10:20:30.040")));
        for (const QString& title : titles)
            QVERIFY2(text.contains(title), qPrintable(title));
        // "Дата" stands in the start line and as the first column's header.
        QCOMPARE(text.count(QStringLiteral("Дата")), 2);
        QVERIFY(text.contains(QStringLiteral("R001C2")));
        QVERIFY(text.contains(QStringLiteral("Открыт")));
        QVERIFY(!text.contains(QStringLiteral("R002C2")));
    }

    void cellsOfARowKeepTheirPlacesWhateverTheirScripts()
    {
        // A row's texts go out together, in as many fonts as they need:
        // each must still stand in its own cell.
        const QString path = dir.filePath(QStringLiteral("scripts.pdf"));
        ListTable table = ListTable::numbered(titles, 3);
        table.rows[0][1] = QStringLiteral("11/03/2024 08:00:00.000"); // drawn smaller
        table.rows[0][2] = QStringLiteral("Открыт");
        table.rows[0][3] = QStringLiteral("שלום");
        table.rows[1][2] = QStringLiteral("Закрыт");
        QVERIFY(savePdfReport(table, start, QImage(), path));
        const QStringList lines =
            QString::fromUtf8(
                runTool(QStringLiteral("pdftotext"),
                        {QStringLiteral("-layout"), QStringLiteral("-f"), QStringLiteral("1"),
                         QStringLiteral("-l"), QStringLiteral("1"), path, QStringLiteral("-")}))
                .split(QLatin1Char('\n'));
        const auto lineWith = [&lines](const QString& text) {
            for (const QString& line : lines)
                if (line.contains(text))
                    return line;
            return QString();
        };
        const QString first = lineWith(QStringLiteral("Открыт"));
        QVERIFY2(first.contains(QStringLiteral("11/03/2024 08:00:00.000")), qPrintable(first));
        QVERIFY2(first.contains(QStringLiteral("שלום")), qPrintable(first));
        QVERIFY(first.indexOf(QStringLiteral("08:00:00.000")) <
                first.indexOf(QStringLiteral("Открыт")));
        QVERIFY(first.indexOf(QStringLiteral("Открыт")) < first.indexOf(QStringLiteral("שלום")));
        const QString second = lineWith(QStringLiteral("Закрыт"));
        QVERIFY2(second.startsWith(QStringLiteral("R002C1")) ||
                     second.contains(QStringLiteral("R002C1")),
                 qPrintable(second));
        QVERIFY(!second.contains(QStringLiteral("Открыт")));

        // The time, drawn smaller to fit its cell, ends before the next
        // cell starts and stays nearly as tall as the other texts.
        const QString boxes = QString::fromUtf8(
            runTool(QStringLiteral("pdftotext"),
                    {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                     QStringLiteral("-l"), QStringLiteral("1"), path, QStringLiteral("-")}));
        const auto box = [&boxes](const QString& word) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                                  "xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">") +
                                   QRegularExpression::escape(word) + QStringLiteral("<"))
                    .match(boxes);
            return m.hasMatch()
                       ? QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))
                       : QRectF();
        };
        const QRectF time = box(QStringLiteral("08:00:00.000"));
        const QRectF next = box(QStringLiteral("Открыт"));
        QVERIFY2(!time.isEmpty() && !next.isEmpty(), qPrintable(boxes));
        QVERIFY(time.right() < next.left());
        QVERIFY(time.height() > 0.8 * next.height());
        // The text after it keeps the row's own size.
        QVERIFY(qAbs(next.height() - box(QStringLiteral("Закрыт")).height()) < 0.5);
    }

    void failedWriteLeavesTheTargetAsItWas_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"csv", "xlsx", "pdf", "png"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    void failedWriteLeavesTheTargetAsItWas()
    {
        QFETCH(QString, kind);
        QTemporaryDir folder;
        // The disk fills up at the end: the old report stays, no temporary file is left.
        const QString path = folder.filePath("report." + kind);
        QVERIFY(writeBytes(path, "old report"));
        FullDiskFile full(path);
        QCOMPARE(writeReport(kind, full).error,
                 "Cannot write " + path + ": No space left on device");
        QCOMPARE(readAll(path), QByteArray("old report"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"report." + kind});

        // A write that fails in the middle fails the report, even when the
        // writes after it go through.
        FlakyFile counted(folder.filePath("counted." + kind), 0);
        QVERIFY(writeReport(kind, counted));
        FlakyFile flaky(path, counted.writes / 2 + 1);
        QCOMPARE(writeReport(kind, flaky).error, "Cannot write " + path + ": Input/output error");
        QCOMPARE(readAll(path), QByteArray("old report"));
        QVERIFY(QFile::remove(folder.filePath("counted." + kind)));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"report." + kind});
#ifdef Q_OS_UNIX
        // A FIFO is refused, not replaced by a plain file.
        const QString fifo = folder.filePath("pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        ReportFile toFifo(fifo);
        QCOMPARE(writeReport(kind, toFifo).error, "Cannot write " + fifo + ": not a regular file");
        QVERIFY(!QFileInfo(fifo).isFile());
#endif
    }

    void pictureSavedAsPngKeepsItsPixelsAndResolution()
    {
        QImage image = picture(30, 20);
        image.setPixelColor(3, 4, Qt::yellow);
        image.setDotsPerMeterX(11811); // 300 dpi
        image.setDotsPerMeterY(11811);
        const QString path = dir.filePath(QStringLiteral("chart.png"));
        QVERIFY(writeBytes(path, "old picture"));
        QVERIFY(savePngPicture(image, path));
        const QImage read(path);
        QCOMPARE(read.size(), QSize(30, 20));
        QCOMPARE(read.pixelColor(3, 4), QColor(Qt::yellow));
        QCOMPARE(read.pixelColor(0, 0), QColor(Qt::darkBlue));
        QCOMPARE(read.dotsPerMeterX(), 11811);
        QVERIFY(!savePngPicture(QImage(), path));
        QCOMPARE(QImage(path).size(), QSize(30, 20));
    }

    void cellTextTooWideIsDrawnSmaller()
    {
        QPdfWriter writer(dir.filePath(QStringLiteral("measure.pdf")));
        QFont font;
        font.setPointSize(14);
        const CellTextFitter fitter(font, &writer, 2800); // a cell at 1200 dpi less its indents
        QCOMPARE(fitter.fontFor(QStringLiteral("49.96")), font);
        const QString time = QStringLiteral("11/03/2024 08:00:00.000");
        const QFont fitted = fitter.fontFor(time);
        QVERIFY(fitted.pointSizeF() < 14 && fitted.pointSizeF() >= 8);
        QVERIFY(QFontMetricsF(fitted, &writer).horizontalAdvance(time) <= 2800);
    }

    void unwritablePathIsReportedAndLeavesNoFile_data()
    {
        QTest::addColumn<QString>("suffix");
        for (const char* suffix : {"csv", "xlsx", "pdf"})
            QTest::newRow(suffix) << QString::fromLatin1(suffix);
    }

    void unwritablePathIsReportedAndLeavesNoFile()
    {
        QFETCH(QString, suffix);
        const QString path = unwritablePath(dir.path(), QStringLiteral("report.") + suffix);
        const ListTable table = protocolTable();
        const ReportResult result = suffix == QLatin1String("csv") ? saveCsvReport(table, path)
                                    : suffix == QLatin1String("xlsx")
                                        ? saveExcelReport(table, QFont(), picture(10, 10), path)
                                        : savePdfReport(table, start, picture(10, 10), path);
        QVERIFY(!result);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TestReportWriters)
#include "test_reportwriters.moc"
