#include "listtable.h"
#include "readback.h"

#include "reports/csvreport.h"
#include "reports/reportresult.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestCsvReport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    QByteArray saved(const ReportTable& table, const QString& name)
    {
        const QString path = dir.filePath(name);
        if (!saveCsvReport(table, path))
            return QByteArray();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
        QCOMPARE(saved(table, QStringLiteral("table.csv")), expected);
    }

    void emptyTableGivesTheHeaderLine()
    {
        ListTable table = ListTable::numbered({QStringLiteral("Дата"), QStringLiteral("A")}, 0);
        QCOMPARE(saved(table, QStringLiteral("empty.csv")), QStringLiteral("Дата,A\n").toUtf8());
    }

    void unwritablePathIsReportedAndLeavesNoFile()
    {
        const QString path = unwritablePath(dir.path(), QStringLiteral("report.csv"));
        const ReportResult result =
            saveCsvReport(ListTable::numbered({QStringLiteral("Дата")}, 2), path);
        QVERIFY(!result);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(!QFile::exists(path));
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
};

QTEST_GUILESS_MAIN(TestCsvReport)
#include "test_csvreport.moc"
