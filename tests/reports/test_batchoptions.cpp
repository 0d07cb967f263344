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
        // A value that looks like an option is still the value.
        QCOMPARE(parseCommandLine({"--xlsx", "-d"}).xlsxFile, QStringLiteral("-d"));
        QVERIFY(!parseCommandLine({"-l", "a.log", "-d"}).batch());

        const StartupOptions picture = parseCommandLine({"--png", "c.png", "--SIZE", "640X480"});
        QVERIFY(picture.batch());
        QCOMPARE(picture.pngFile, QStringLiteral("c.png"));
        QCOMPARE(picture.pngSize, QSize(640, 480));
        QCOMPARE(parseCommandLine({"--png", "c.png"}).pngSize, QSize(1600, 900));
        for (const char* bad : {"640", "0x480", "640x", "640x99999", "axb"})
            QVERIFY2(!parseCommandLine({"--png", "c.png", "--size", bad}).error.isEmpty(), bad);
    }

    void reportOptionWithoutFileIsAnError_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::newRow("last") << QList<QByteArray>{"-l", "a.log", "--pdf"};
        QTest::newRow("followed by an option") << QList<QByteArray>{"--pdf", "--csv", "out.csv"};
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
        for (const char* option : {"-d DIR", "-l FILE", "--xlsx FILE", "--pdf FILE", "--csv FILE",
                                   "--png FILE", "--size WxH", "--help"})
            QVERIFY2(help.contains(QLatin1String(option)), option);
    }
};

QTEST_GUILESS_MAIN(TestBatchOptions)
#include "test_batchoptions.moc"
