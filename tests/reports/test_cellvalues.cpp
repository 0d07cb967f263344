#include "reports/cellvalues.h"

#include <QtTest>

// Which table texts become workbook numbers and date-times, and which stay
// text because a number cell could not show them as they are.
class TestCellValues : public QObject
{
    Q_OBJECT
private slots:
    void numberTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("format");

        QTest::newRow("integer") << "123" << true << 123.0 << "0";
        QTest::newRow("decimals") << "-0.50" << true << -0.5 << "0.00";
        QTest::newRow("exponent") << "1.23457e+06" << true << 1234570.0 << "0.00000e+00";
        QTest::newRow("three-digit exponent") << "1e-100" << true << 1e-100 << "0e+000";
        QTest::newRow("fifteen digits") << "123456789012345" << true << 123456789012345.0 << "0";
        // A newline or blank after the digits is part of the text: as a
        // number cell it would be lost.
        QTest::newRow("final newline") << "0.5\n" << false << 0.0 << "";
        QTest::newRow("final carriage return") << "12\r" << false << 0.0 << "";
        QTest::newRow("final blank") << "12 " << false << 0.0 << "";
        QTest::newRow("leading blank") << " 12" << false << 0.0 << "";
        QTest::newRow("newline inside") << "1\n2" << false << 0.0 << "";
        QTest::newRow("leading zero") << "007" << false << 0.0 << "";
        QTest::newRow("negative zero") << "-0" << false << 0.0 << "";
        QTest::newRow("sixteen digits") << "1234567890123456" << false << 0.0 << "";
        QTest::newRow("one-digit exponent") << "1e+6" << false << 0.0 << "";
        // The spreadsheet would show these as 1.000001e-304 and 1.2e+01.
        QTest::newRow("exponent after a zero") << "0.0001000001e-300" << false << 0.0 << "";
        QTest::newRow("exponent after two digits") << "12e+00" << false << 0.0 << "";
        QTest::newRow("zero with an exponent") << "-0.00e+00" << false << 0.0 << "";
        QTest::newRow("plain zero with an exponent") << "0.00e+00" << true << 0.0 << "0.00e+00";
        QTest::newRow("plus sign") << "+1" << false << 0.0 << "";
        QTest::newRow("comma") << "0,5" << false << 0.0 << "";
        QTest::newRow("Arabic-Indic digits")
            << QString::fromUtf8("\u0661\u0662") << false << 0.0 << "";
        QTest::newRow("empty") << "" << false << 0.0 << "";
    }

    void numberTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        QFETCH(QString, format);
        double gotValue = 0;
        QString gotFormat;
        QCOMPARE(cellvalues::number(text, gotValue, gotFormat), isNumber);
        if (isNumber) {
            QCOMPARE(gotValue, value);
            QCOMPARE(gotFormat, format);
        }
    }

    void dateTimeTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isDateTime");
        QTest::addColumn<double>("serial");

        // 01/03/1900 is day 61 of the spreadsheet's calendar.
        QTest::newRow("first day counted") << "01/03/1900 00:00:00.000" << true << 61.0;
        QTest::newRow("noon") << "01/03/1900 12:00:00.000" << true << 61.5;
        QTest::newRow("before March 1900") << "28/02/1900 00:00:00.000" << false << 0.0;
        QTest::newRow("no such day") << "31/02/2024 00:00:00.000" << false << 0.0;
        QTest::newRow("final newline") << "01/03/1900 00:00:00.00\n" << false << 0.0;
        QTest::newRow("signs in the fields") << "+1/03/1900 00:00:00.000" << false << 0.0;
    }

    void dateTimeTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, isDateTime);
        QFETCH(double, serial);
        double got = -1;
        QCOMPARE(cellvalues::dateTime(text, got), isDateTime);
        if (isDateTime)
            QCOMPARE(got, serial);
    }
};

QTEST_GUILESS_MAIN(TestCellValues)
#include "test_cellvalues.moc"
