#include "app/commandline.h"
#include "tests/zonescope.h"

#include <QtTest>

#include <ctime>

namespace {

qint64 utc(int month, int day, int hour, int minute, int second = 0, int year = 2023)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC)
        .toMSecsSinceEpoch();
}
} // namespace

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

        const StartupOptions picture = parseCommandLine({"--png", "c.png", "--SIZE", "640X480"});
        QVERIFY(picture.batch());
        QCOMPARE(picture.pngFile, QStringLiteral("c.png"));
        QCOMPARE(picture.pngSize, QSize(640, 480));
        QCOMPARE(parseCommandLine({"--png", "c.png"}).pngSize, QSize(1600, 900));
        for (const char* bad : {"640", "0x480", "640x", "640x99999", "axb"})
            QVERIFY2(!parseCommandLine({"--png", "c.png", "--size", bad}).error.isEmpty(), bad);
    }

    void pictureOptionsAreTaken_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<bool>("channels");
        QTest::addColumn<bool>("print");
        QTest::newRow("defaults") << QList<QByteArray>{"--png", "c.png"} << QSize(1600, 900) << 0
                                  << false << false;
        QTest::newRow("any case") << QList<QByteArray>{"--LAYOUT", "Channels", "--theme",
                                                       "PRINT",    "--png",    "c.png"}
                                  << QSize(1600, 900) << 0 << true << true;
        // 180 mm at 300 dpi: 180 / 25.4 * 300 = 2125.98 pixels.
        QTest::newRow("millimetres at a resolution")
            << QList<QByteArray>{"--size", "180x100.5MM", "--dpi", "300", "--png", "c.png"}
            << QSize(2126, 1187) << 300 << false << false;
        QTest::newRow("resolution before the size")
            << QList<QByteArray>{"--png",  "c.png",    "--dpi",    "96",
                                 "--size", "100x50mm", "--layout", "common"}
            << QSize(378, 189) << 96 << false << false;
        QTest::newRow("pixels after millimetres")
            << QList<QByteArray>{"--size",  "100x50mm", "--size", "640x480",
                                 "--theme", "screen",   "--png",  "c.png"}
            << QSize(640, 480) << 0 << false << false;
    }

    void pictureOptionsAreTaken()
    {
        QFETCH(QList<QByteArray>, arguments);
        const StartupOptions options = parseCommandLine(arguments);
        QVERIFY2(options.error.isEmpty(), qPrintable(options.error));
        const ChartPictureOptions picture = options.pictureOptions();
        QTEST(picture.size, "size");
        QTEST(picture.dpi, "dpi");
        QTEST(picture.layout == ChartPictureOptions::Layout::Channels, "channels");
        QTEST(picture.theme == ChartPictureOptions::Theme::Print, "print");
    }

    void badPictureOptionIsAnError_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("layout last") << QList<QByteArray>{"--png", "c.png", "--layout"}
                                     << "параметру --layout нужно значение: common или channels";
        QTest::newRow("unknown layout") << QList<QByteArray>{"--layout", "grid"}
                                        << "параметру --layout нужно значение: common или "
                                           "channels, а не «grid»";
        QTest::newRow("theme followed by an option")
            << QList<QByteArray>{"--theme", "--png", "c.png"}
            << "параметру --theme нужно значение: screen или print";
        QTest::newRow("dpi zero")
            << QList<QByteArray>{"--dpi", "0"}
            << "параметру --dpi нужно значение: разрешение от 24 до 2400 точек на дюйм, "
               "а не «0»";
        QTest::newRow("dpi too high") << QList<QByteArray>{"--dpi", "2401"} << "а не «2401»";
        QTest::newRow("dpi no number") << QList<QByteArray>{"--dpi", "300dpi"} << "а не «300dpi»";
        QTest::newRow("millimetres without dpi") << QList<QByteArray>{"--size", "180x100mm"}
                                                 << "параметру --size в миллиметрах нужен --dpi";
        QTest::newRow("millimetres too large")
            << QList<QByteArray>{"--size", "1000x100mm", "--dpi", "600"}
            << "--size 1000x100mm при 600 dpi дает 23622x2362 пикселей, а каждая сторона должна "
               "быть от 16 до 16384";
        QTest::newRow("millimetres too small")
            << QList<QByteArray>{"--size", "1x100mm", "--dpi", "300"} << "дает 12x1181 пикселей";
        QTest::newRow("layout without a picture")
            << QList<QByteArray>{"--csv", "x.csv", "--layout", "channels"}
            << "--layout задает вид рисунка: задайте его вместе с --png";
        QTest::newRow("theme without a picture")
            << QList<QByteArray>{"--theme", "print", "-l", "a.log"} << "--theme задает вид";
        QTest::newRow("dpi without a picture")
            << QList<QByteArray>{"--pdf", "r.pdf", "--dpi", "300"} << "--dpi задает вид";
        QTest::newRow("negative millimetres")
            << QList<QByteArray>{"--size", "-5x10mm"} << "параметру --size нужен размер";
    }

    void badPictureOptionIsAnError()
    {
        QFETCH(QList<QByteArray>, arguments);
        QFETCH(QString, error);
        const QString found = parseCommandLine(arguments).error;
        QVERIFY2(found.contains(error), qPrintable(found));
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

    void dataFileOptions()
    {
        const StartupOptions options = parseCommandLine(
            {"--h5", "a.h5", "--MAT", "данные.mat", "--channels", "U1, I1", "--Channels", "P,"});
        QVERIFY2(options.error.isEmpty(), qPrintable(options.error));
        QVERIFY(options.batch());
        QCOMPARE(options.h5File, QStringLiteral("a.h5"));
        QCOMPARE(options.matFile, QStringLiteral("данные.mat"));
        QCOMPARE(options.channels, (QStringList{"U1", "I1", "P"}));
        QVERIFY(parseCommandLine({"--mat", "b.mat"}).batch());
    }

    void badChannelsOptionIsAnError_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::addColumn<QString>("names");
        QTest::newRow("without a file it limits")
            << QList<QByteArray>{"--channels", "U1", "--pdf", "a.pdf"} << "--channels";
        QTest::newRow("no codes") << QList<QByteArray>{"--h5", "a.h5", "--channels", ", ,"}
                                  << "--channels";
        QTest::newRow("followed by an option")
            << QList<QByteArray>{"--channels", "--h5", "a.h5"} << "--channels";
        QTest::newRow("data file last") << QList<QByteArray>{"--csv", "a.csv", "--mat"} << "--mat";
    }
    void badChannelsOptionIsAnError()
    {
        QFETCH(QList<QByteArray>, arguments);
        QFETCH(QString, names);
        const QString error = parseCommandLine(arguments).error;
        QVERIFY2(error.contains(names), qPrintable(error));
    }

    void rangeAndBookmarkOptions()
    {
        const StartupOptions options =
            parseCommandLine({"--FROM", "2024-05-10T12:00:00.250", "--to", "2024-05-10 13:00",
                              "--bookmarks", "marks.csv", "-l", "a.log"});
        QVERIFY(options.error.isEmpty());
        QCOMPARE(options.from, QDateTime(QDate(2024, 5, 10), QTime(12, 0, 0, 250)));
        QCOMPARE(options.to, QDateTime(QDate(2024, 5, 10), QTime(13, 0)));
        QCOMPARE(options.bookmarksFile, QStringLiteral("marks.csv"));
        QVERIFY(options.batch());
        // A date alone: --from from its start, --to up to its end.
        QCOMPARE(parseCommandLine({"--to", "2024-05-11", "--csv", "x"}).to,
                 QDateTime(QDate(2024, 5, 11), QTime(23, 59, 59, 999)));
        QCOMPARE(parseCommandLine({"--from", "2024-05-11", "--csv", "x"}).from,
                 QDateTime(QDate(2024, 5, 11), QTime(0, 0)));
        // Limits alone write nothing, and say so rather than open the window.
        const StartupOptions alone = parseCommandLine({"--from", "2024-05-10"});
        QVERIFY(!alone.batch());
        QVERIFY2(alone.error.contains(QStringLiteral("--csv")), qPrintable(alone.error));
    }

    // Times are instants: an offset names one, a local time without one is
    // read in the zone, the repeated hour's first occurrence.
    void rangeLimitsAreInstants_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("instant");
        QTest::newRow("Z in Berlin")
            << QByteArray("Europe/Berlin") << QByteArray("2024-01-15T07:00:10Z")
            << utc(1, 15, 7, 0, 10, 2024);
        QTest::newRow("offset in Berlin")
            << QByteArray("Europe/Berlin") << QByteArray("2024-01-15T10:00:10+03:00")
            << utc(1, 15, 7, 0, 10, 2024);
        QTest::newRow("local in Moscow")
            << QByteArray("Europe/Moscow") << QByteArray("2024-01-15 10:00:10")
            << utc(1, 15, 7, 0, 10, 2024);
        QTest::newRow("repeated hour, first")
            << QByteArray("Europe/Berlin") << QByteArray("2023-10-29T02:30:00")
            << utc(10, 29, 0, 30);
        QTest::newRow("repeated hour, second")
            << QByteArray("Europe/Berlin") << QByteArray("2023-10-29T02:30:00+01:00")
            << utc(10, 29, 1, 30);
        QTest::newRow("just after the gap")
            << QByteArray("Europe/Berlin") << QByteArray("2024-03-31T03:00:00")
            << utc(3, 31, 1, 0, 0, 2024);
    }

    void rangeLimitsAreInstants()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QByteArray, text);
        QFETCH(qint64, instant);
        ZoneScope scope(zone.constData());
        const StartupOptions options = parseCommandLine({"--csv", "-", "--from", text});
        QVERIFY2(options.error.isEmpty(), qPrintable(options.error));
        QCOMPARE(options.from.toMSecsSinceEpoch(), instant);
    }

    void skippedLocalTimeIsNamed()
    {
        ZoneScope scope("Europe/Berlin");
        const QString error = parseCommandLine({"--csv", "-", "--to", "2024-03-31T02:30:00"}).error;
        QVERIFY2(error.contains(QStringLiteral("в этот день нет")), qPrintable(error));
        QVERIFY(error.contains(QStringLiteral("--to")));
        QVERIFY(error.contains(QStringLiteral("2024-03-31T02:30:00")));
        QVERIFY(
            parseCommandLine({"--csv", "-", "--to", "2024-03-31T02:30:00+01:00"}).error.isEmpty());
    }

    void badRangeIsAnError_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::addColumn<QString>("names");
        QTest::newRow("not a date") << QList<QByteArray>{"--from", "yesterday"} << "yesterday";
        QTest::newRow("no such day") << QList<QByteArray>{"--to", "2024-02-30T00:00:00"} << "--to";
        QTest::newRow("missing") << QList<QByteArray>{"--csv", "x", "--to"} << "--to";
        QTest::newRow("no such offset")
            << QList<QByteArray>{"--csv", "x", "--to", "2024-05-10T12:00:00+25:00"} << "+25:00";
        QTest::newRow("followed by an option")
            << QList<QByteArray>{"--from", "--csv", "x"} << "--from";
        QTest::newRow("from after to")
            << QList<QByteArray>{"--to", "2024-05-10T12:00:00", "--from", "2024-05-10T12:00:01"}
            << "--from 2024-05-10T12:00:01";
    }

    void badRangeIsAnError()
    {
        QFETCH(QList<QByteArray>, arguments);
        QFETCH(QString, names);
        const QString error = parseCommandLine(arguments).error;
        QVERIFY2(error.contains(names), qPrintable(error));
    }

    void helpListsEveryOption()
    {
        QVERIFY(parseCommandLine({"-l", "a.log", "--help"}).help);
        // Every option the help describes is taken by the parser with a value
        // of the kind its placeholder names, and every option of the usage
        // lines is described.
        const QString help = commandLineHelp();
        const QHash<QString, QByteArray> examples{
            {"DIR", "logs"},          {"FILE", "out.x"},
            {"WxH", "640x480"},       {"DATETIME", "2024-05-10T12:00:00"},
            {"CODE=EXPR", "P=U1*I1"}, {"N", "300"},
            {"L", "channels"},        {"T", "print"},
            {"CODES", "U1,I1"},       {"RULE", "start"}};
        const QRegularExpression described(
            QStringLiteral("^  (-{1,2}[a-z][a-z0-9]*)(?: (\\S+))?  "),
            QRegularExpression::MultilineOption);
        const StartupOptions none;
        QStringList names;
        for (auto it = described.globalMatch(help); it.hasNext();) {
            const QRegularExpressionMatch option = it.next();
            const QString name = option.captured(1);
            const QString placeholder = option.captured(2);
            names.append(name + (placeholder.isEmpty() ? QString() : " " + placeholder));
            QList<QByteArray> arguments{name.toLatin1()};
            if (!placeholder.isEmpty()) {
                QVERIFY2(examples.contains(placeholder), qPrintable(placeholder));
                arguments.append(examples.value(placeholder));
            }
            // A range limits a report; alone it is refused.
            if (name == QLatin1String("--from") || name == QLatin1String("--to") ||
                name == QLatin1String("--channels"))
                arguments << "--csv"
                          << "-";
            if (name == QLatin1String("--size") || name == QLatin1String("--dpi") ||
                name == QLatin1String("--layout") || name == QLatin1String("--theme"))
                arguments << "--png"
                          << "c.png";
            // A comparison needs its protocols and a table to write.
            if (name == QLatin1String("--compare") || name == QLatin1String("--align"))
                arguments << "--compare"
                          << "-l"
                          << "a.log"
                          << "-l"
                          << "b.log"
                          << "--csv"
                          << "-";
            const StartupOptions options = parseCommandLine(arguments);
            QVERIFY2(options.error.isEmpty(), qPrintable(options.error));
            QVERIFY2(options.help || options.batch() || !options.directory.isEmpty() ||
                         !options.files.isEmpty() || options.from.isValid() ||
                         options.to.isValid() || options.pngSize != none.pngSize ||
                         !options.formulas.isEmpty() || options.pngDpi != none.pngDpi ||
                         !options.channels.isEmpty() || options.pngLayout != none.pngLayout ||
                         options.pngTheme != none.pngTheme || !options.projectFile.isEmpty(),
                     qPrintable(name + " does nothing"));
        }
        const QString usage = help.left(help.indexOf(QLatin1String("\n\n")));
        const QRegularExpression used(QStringLiteral("\\[(-{1,2}[a-z][a-z0-9]*(?: [A-Za-z=]+)?)"));
        int usedCount = 0;
        for (auto it = used.globalMatch(usage); it.hasNext(); ++usedCount) {
            const QString option = it.next().captured(1);
            QVERIFY2(names.contains(option), qPrintable(option));
        }
        QVERIFY(usedCount > 0 && usedCount < names.size());
        QVERIFY(help.contains(QLatin1String("partial result")));
        // The rules a user cannot guess.
        QVERIFY(help.contains(QLatin1String("first occurrence")));
        QVERIFY(help.contains(QLatin1String("whole day")));
    }
};

QTEST_GUILESS_MAIN(TestBatchOptions)
#include "test_batchoptions.moc"
