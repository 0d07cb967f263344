#include "listtable.h"
#include "readback.h"
#include "xlsxreader.h"

#include "reports/excelreport.h"
#include "reports/xlsxdocument.h"

#include <QFile>
#include <QFont>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

class TestExcelReport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    static ListTable protocolTable()
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

    static QStringList fourSides(const QString& style) { return {style, style, style, style}; }

    static QImage picture()
    {
        QImage image(120, 50, QImage::Format_RGB32);
        image.fill(Qt::darkBlue);
        return image;
    }

private slots:
    void layoutAsASpreadsheetReadsIt()
    {
        const QString path = dir.filePath(QStringLiteral("layout.xlsx"));
        const ListTable table = protocolTable();
        QVERIFY(saveExcelReport(table, QFont(QStringLiteral("DejaVu Sans"), 10), picture(), path));

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

    void unwritablePathIsReportedAndLeavesNoFile()
    {
        const QString path = unwritablePath(dir.path(), QStringLiteral("report.xlsx"));
        const ReportResult result = saveExcelReport(protocolTable(), QFont(), picture(), path);
        QVERIFY(!result);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(!QFile::exists(path));
    }

    void existingFileIsReplacedWithoutItsPicture()
    {
        const QString path = dir.filePath(QStringLiteral("again.xlsx"));
        ListTable table = protocolTable();
        QVERIFY(saveExcelReport(table, QFont(), picture(), path));
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
};

QTEST_MAIN(TestExcelReport)
#include "test_excelreport.moc"
