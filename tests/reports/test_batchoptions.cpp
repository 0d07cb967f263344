#include "app/commandline.h"

#include <QtTest>

class TestBatchOptions : public QObject
{
    Q_OBJECT

private slots:
    void reportOptionsMixWithTheOthersInAnyOrder()
    {
        const StartupOptions options =
            parseCommandLine({"--csv", "out/t.csv", "-d", "logs", "--PDF", "r.pdf", "-l", "a.log",
                              "--xlsx", "отчет.xlsx", "-L", "b.log"});
        QCOMPARE(options.directory, QStringLiteral("logs"));
        QCOMPARE(options.files, QStringList({QStringLiteral("a.log"), QStringLiteral("b.log")}));
        QCOMPARE(options.xlsxFile, QStringLiteral("отчет.xlsx"));
        QCOMPARE(options.pdfFile, QStringLiteral("r.pdf"));
        QCOMPARE(options.csvFile, QStringLiteral("out/t.csv"));
        QVERIFY(options.batch());
        QVERIFY(!options.help);
        QVERIFY(options.error.isEmpty());
        // "-" is standard output, not an option; other dashes are names.
        QCOMPARE(parseCommandLine({"--csv", "-"}).csvFile, QStringLiteral("-"));
        QCOMPARE(parseCommandLine({"--xlsx", "-x.xlsx"}).xlsxFile, QStringLiteral("-x.xlsx"));
        QVERIFY(!parseCommandLine({"-l", "a.log", "-d"}).batch());
    }

    void reportOptionWithoutFileIsAnError_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::newRow("last") << QList<QByteArray>{"-l", "a.log", "--pdf"};
        QTest::newRow("followed by an option") << QList<QByteArray>{"--pdf", "--csv", "out.csv"};
        QTest::newRow("followed by -l") << QList<QByteArray>{"--pdf", "-L", "b.log"};
    }

    void reportOptionWithoutFileIsAnError()
    {
        QFETCH(QList<QByteArray>, arguments);
        const StartupOptions options = parseCommandLine(arguments);
        QVERIFY(!options.batch());
        QVERIFY(options.error.contains(QStringLiteral("--pdf")));
        QVERIFY(options.pdfFile.isEmpty());
    }

    void helpListsEveryOption()
    {
        QVERIFY(parseCommandLine({"-l", "a.log", "--help"}).help);
        const QString help = commandLineHelp();
        for (const char* option :
             {"-d DIR", "-l FILE", "--xlsx FILE", "--pdf FILE", "--csv FILE", "--help"})
            QVERIFY2(help.contains(QLatin1String(option)), option);
        QVERIFY(help.contains(QLatin1String("partial result")));
    }
};

QTEST_GUILESS_MAIN(TestBatchOptions)
#include "test_batchoptions.moc"
