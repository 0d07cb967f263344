#include "chart/chartprotocol.h"
#include "loadfixture.h"
#include "table/frozencolumnstableview.h"
#include "protocol/protocolformat.h"
#include "reports/csvreport.h"
#include "table/bookmarkfile.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QProcess>
#include <QRegularExpression>
#include "table/protocoltablemodel.h"

#include <QTableView>
#include <QTest>

#include <ctime>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {
const QDateTime kStart(QDate(2024, 6, 1), QTime(12, 0));

using Run = ProgramRun;
} // namespace

// The program run from a script: reports written without a window.
class TestBatchExport : public QObject
{
    Q_OBJECT

    std::unique_ptr<LoadFixture> fixture;

    template <typename... Options> static Run run(const QStringList& arguments, Options... options)
    {
        return runProgram(arguments, options...);
    }
    QStringList base(const QStringList& files) const { return fixture->batchArguments(files); }

private slots:
    void init() { fixture = std::make_unique<LoadFixture>(); }
    void cleanup() { fixture.reset(); }

    void csvMatchesTheTableCellForCell()
    {
        const QString first = fixture->writeProtocol("a.log", kStart, 30, 5, {1, 2, 3});
        const QString second = fixture->writeProtocol("b.log", kStart.addSecs(10), 30, 100, {1, 3});
        const QString csv = fixture->dir.filePath(QStringLiteral("out.csv"));
        const Run result = run(base({first, second}) << QStringLiteral("--csv") << csv);
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.errors.isEmpty(), qPrintable(result.errors));

        fixture->window->readProtocols({first, second});
        const QAbstractItemModel* table = fixture->find<FrozenColumnsTableView>("twEntry")->model();
        QStringList expected;
        QStringList header;
        for (int column = 1; column < table->columnCount(); ++column)
            header.append(csvField(table->headerData(column, Qt::Horizontal).toString()));
        expected.append(header.join(QLatin1Char(',')));
        for (int row = 0; row < table->rowCount(); ++row) {
            QStringList cells;
            for (int column = 1; column < table->columnCount(); ++column) {
                const QVariant item = table->index(row, column).data();
                cells.append(item.isValid() ? csvField(item.toString()) : QString());
            }
            expected.append(cells.join(QLatin1Char(',')));
        }
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(lines.mid(0, lines.size() - 1), expected);
        QCOMPARE(table->rowCount(), 60);
    }

    void allThreeReportsAreWritten()
    {
        const QString first = fixture->writeProtocol("a.log", kStart, 50, 5, {1, 2, 3});
        const QString stem = fixture->dir.filePath(QStringLiteral("report"));
        const Run result = run(base({first}) << "--xlsx" << stem + ".xlsx"
                                             << "--pdf" << stem + ".pdf"
                                             << "--csv" << stem + ".csv");
        QCOMPARE(result.exitCode, 0);
        for (const char* suffix : {".xlsx", ".pdf", ".csv"})
            QVERIFY(QFileInfo(stem + QLatin1String(suffix)).size() > 0);
        // A script run leaves no settings behind, here or in the user's folder.
        QVERIFY(!QFile::exists(QStringLiteral("settings.conf")));
        QVERIFY(!QFile::exists(qEnvironmentVariable("XDG_CONFIG_HOME") +
                               QStringLiteral("/voltrek/settings.conf")));
    }

    void rangeAndBookmarksLimitTheReports()
    {
        // Ticks of 1 s from 12:00:00; bookmarks at 12:00:05 and 12:00:20 kept beside the file.
        const QString first = fixture->writeProtocol("a.log", kStart, 30, 5, {1, 2, 3});
        QVERIFY(
            BookmarkFile::write(BookmarkFile::pathFor(first), {kStart, 1000},
                                {{kStart.addSecs(5).toMSecsSinceEpoch(), QStringLiteral("Пуск")},
                                 {kStart.addSecs(10).toMSecsSinceEpoch(), QStringLiteral("Стоп")},
                                 {kStart.addSecs(20).toMSecsSinceEpoch(), QString()}}));
        const QString csv = fixture->dir.filePath(QStringLiteral("range.csv"));
        const QString marks = fixture->dir.filePath(QStringLiteral("marks.csv"));
        const Run result = run(base({first}) << "--csv" << csv << "--bookmarks" << marks << "--from"
                                             << "2024-06-01T12:00:03"
                                             << "--to"
                                             << "2024-06-01 12:00:10.000");
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.errors.isEmpty(), qPrintable(result.errors));
        QFile table(csv);
        QVERIFY(table.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(table.readAll()).split(QLatin1Char('\n'));
        // The header, 12:00:03 … 12:00:10 and the final line end.
        QCOMPARE(lines.size(), 1 + 8 + 1);
        QVERIFY(lines[1].startsWith(QStringLiteral("01/06/2024 12:00:03.000,8,")));
        QVERIFY(lines[8].startsWith(QStringLiteral("01/06/2024 12:00:10.000,15,")));
        QFile bookmarks(marks);
        QVERIFY(bookmarks.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(bookmarks.readAll()),
                 QStringLiteral("Время,Заметка\n01/06/2024 12:00:05.000,Пуск\n"
                                "01/06/2024 12:00:10.000,Стоп\n"));
    }

    // Started from another folder with the protocol's bare name: the
    // bookmarks beside the protocol are found.
    void bookmarksAreFoundFromAnyWorkingDirectory()
    {
        const QString first = fixture->writeProtocol("a.log", kStart, 30, 5, {1});
        QVERIFY(
            BookmarkFile::write(BookmarkFile::pathFor(first), {kStart, 1000},
                                {{kStart.addSecs(7).toMSecsSinceEpoch(), QStringLiteral("Пуск")}}));
        const QString sub = fixture->dir.filePath(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkpath(sub));
        const Run result = run(base({QStringLiteral("a.log")}) << "--bookmarks"
                                                               << "-",
                               sub);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(QString::fromUtf8(result.output),
                 QStringLiteral("Время,Заметка\n01/06/2024 12:00:07.000,Пуск\n"));
        QVERIFY(!QFile::exists(sub + QStringLiteral("/a.log.bookmarks")));
    }

    // Berlin, 2023-10-29: the clocks go back from 03:00 to 02:00. Every
    // bookmark of the repeated hour is listed, in time order.
    void bookmarksOfTheRepeatedHourAreAllListed()
    {
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
        const QDateTime start(QDate(2023, 10, 29), QTime(1, 30));
        const QString dst = fixture->writeProtocol("dst.log", start, 180, 0, {1}, 60000);
        const qint64 first =
            QDateTime(QDate(2023, 10, 29), QTime(0, 30), Qt::UTC).toMSecsSinceEpoch();
        const bool written = BookmarkFile::write(BookmarkFile::pathFor(dst), {start, 60000},
                                                 {{first - 2700000, QStringLiteral("раньше")},
                                                  {first, QStringLiteral("первая")},
                                                  {first + 3600000, QStringLiteral("вторая")},
                                                  {first + 5400000, QStringLiteral("позже")}});
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
        tzset();
        QVERIFY(written);
        const Run result = run(base({dst}) << "--bookmarks"
                                           << "-",
                               QString(), QString(), QStringLiteral("Europe/Berlin"));
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(QString::fromUtf8(result.output),
                 QStringLiteral("Время,Заметка\n29/10/2023 01:45:00.000,раньше\n"
                                "29/10/2023 02:30:00.000,первая\n29/10/2023 02:30:00.000,вторая\n"
                                "29/10/2023 03:00:00.000,позже\n"));
    }

    // The range is a stretch of real time: an offset names its instant, a
    // local time of the repeated hour its first occurrence.
    void rangeSelectsInstants_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("times");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("UTC limits in Berlin")
            << "2024-01-15T07:00:10Z"
            << "2024-01-15T07:00:12.000Z"
            << QStringList{"15/01/2024 08:00:10.000", "15/01/2024 08:00:11.000",
                           "15/01/2024 08:00:12.000"}
            << QStringList{"10", "11", "12"};
        QTest::newRow("repeated hour, first occurrence")
            << "2023-10-29T02:30:00"
            << "2023-10-29T02:30:02" << QStringList{"29/10/2023 02:30:00.000"} << QStringList{"60"};
        QTest::newRow("repeated hour, second by offset")
            << "2023-10-29T02:30:00+01:00"
            << "2023-10-29 02:31+01:00"
            << QStringList{"29/10/2023 02:30:00.000", "29/10/2023 02:31:00.000"}
            << QStringList{"120", "121"};
        QTest::newRow("across the change")
            << "2023-10-29T02:59:00+02:00"
            << "2023-10-29T02:01:00+01:00"
            << QStringList{"29/10/2023 02:59:00.000", "29/10/2023 02:00:00.000",
                           "29/10/2023 02:01:00.000"}
            << QStringList{"89", "90", "91"};
    }

    void rangeSelectsInstants()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, times);
        QFETCH(QStringList, values);
        // Minutes from 01:30 (+02:00) over the change; seconds on a winter day.
        const QString dst = fixture->writeProtocol(
            "dst.log", QDateTime(QDate(2023, 10, 29), QTime(1, 30)), 180, 0, {1}, 60000);
        const QString winter =
            fixture->writeProtocol("w.log", QDateTime(QDate(2024, 1, 15), QTime(8, 0)), 30, 0, {1});
        const QString file = from.startsWith(QLatin1String("2024")) ? winter : dst;
        const Run result = run(base({file}) << "--csv"
                                            << "-"
                                            << "--from" << from << "--to" << to,
                               QString(), QString(), QStringLiteral("Europe/Berlin"));
        QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
        QStringList lines = QString::fromUtf8(result.output).split(QLatin1Char('\n'));
        lines.removeFirst();
        lines.removeLast();
        QStringList expected;
        for (int i = 0; i < times.size(); ++i)
            expected.append(times[i] + QLatin1Char(',') + values[i]);
        QCOMPARE(lines, expected);
    }

    // Nothing between the limits: no report, the old file kept, a reason.
    void emptyRangeWritesNothing()
    {
        const QString first = fixture->writeProtocol("a.log", kStart, 30, 5, {1});
        const QString csv = fixture->dir.filePath(QStringLiteral("kept.csv"));
        QFile old(csv);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old report\n");
        old.close();
        for (const QString& target : {csv, QStringLiteral("-")}) {
            const Run result = run(base({first}) << "--csv" << target << "--from"
                                                 << "2024-06-01T13:00:00");
            QCOMPARE(result.exitCode, 1);
            QVERIFY2(result.errors.contains(QStringLiteral("нет ни одной строки")),
                     qPrintable(result.errors));
            QVERIFY(result.output.isEmpty());
        }
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old report\n"));
        // Limits without a report are refused too.
        const Run alone = run(base({first}) << "--to"
                                            << "2024-06-01");
        QCOMPARE(alone.exitCode, 2);
    }

    // A bookmark file that cannot be read is named and fails the run, as
    // the window says "Закладки не прочитаны".
    void unreadableBookmarkFileFailsTheRun_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("damaged") << "damaged";
        QTest::newRow("folder") << "folder";
        QTest::newRow("another protocol's") << "foreign";
        QTest::newRow("dangling link") << "link";
    }

    void unreadableBookmarkFileFailsTheRun()
    {
        QFETCH(QString, kind);
        const QString first = fixture->writeProtocol("a.log", kStart, 30, 5, {1});
        const QString path = BookmarkFile::pathFor(first);
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == QLatin1String("link")) {
            QVERIFY(QFile::link(fixture->dir.filePath(QStringLiteral("gone")), path));
        } else if (kind == QLatin1String("foreign")) {
            QVERIFY(BookmarkFile::write(path, {kStart.addSecs(1), 1000},
                                        {{kStart.toMSecsSinceEpoch(), QString()}}));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("{\"start\": ");
        }
        const Run result = run(base({first}) << "--bookmarks"
                                             << "-");
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.errors.contains(path), qPrintable(result.errors));
    }

    void chartPictureOfTheRange()
    {
        const QString first = fixture->writeProtocol("a.log", kStart, 50, 5, {1, 2, 3});
        const QString whole = fixture->dir.filePath(QStringLiteral("whole.png"));
        const QString part = fixture->dir.filePath(QStringLiteral("part.png"));
        QCOMPARE(run(base({first}) << "--png" << whole << "--size"
                                   << "400x200")
                     .exitCode,
                 0);
        QCOMPARE(run(base({first}) << "--png" << part << "--size"
                                   << "400x200"
                                   << "--from"
                                   << "2024-06-01T12:00:10"
                                   << "--to"
                                   << "2024-06-01T12:00:20")
                     .exitCode,
                 0);
        const QImage a(whole);
        const QImage b(part);
        QCOMPARE(a.size(), QSize(400, 200));
        QCOMPARE(b.size(), QSize(400, 200));
        QVERIFY(a != b);
    }

    void pdfChartPageShowsTheReportsRange()
    {
        // A script's PDF shows the chart over the range it asked for, with
        // the range in the title line, whatever a window would have shown.
        const QString first = fixture->writeProtocol("a.log", kStart, 50, 5, {1, 2, 3});
        const QString pdf = fixture->dir.filePath(QStringLiteral("part.pdf"));
        QCOMPARE(run(base({first}) << "--pdf" << pdf << "--from"
                                   << "2024-06-01T12:00:10"
                                   << "--to"
                                   << "2024-06-01T12:00:20")
                     .exitCode,
                 0);
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-f"), QStringLiteral("2"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString page = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(page.contains(QStringLiteral("01.06.2024 12:00:10 – 12:00:20")), qPrintable(page));
    }

    void chartPictureOfTheWholeSpan()
    {
        const QString first = fixture->writeProtocol("a.log", kStart, 50, 5, {1, 2, 3});
        const QString second = fixture->writeProtocol("b.log", kStart.addDays(1), 50, 5, {1, 3});
        const QString png = fixture->dir.filePath(QStringLiteral("chart.png"));
        const Run result = run(base({first, second}) << "--png" << png << "--size"
                                                     << "800x300");
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.errors.isEmpty(), qPrintable(result.errors));
        const QImage picture(png);
        QCOMPARE(picture.size(), QSize(800, 300));
        // Not one flat colour: background, grid, labels and curves.
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 3)
            for (int x = 0; x < picture.width(); x += 3)
                colours.insert(picture.pixel(x, y));
        QVERIFY(colours.size() > 50);

        const Run badSize = run(base({first}) << "--png" << png << "--size"
                                              << "800");
        QCOMPARE(badSize.exitCode, 2);
        QVERIFY(badSize.errors.contains(QStringLiteral("--size")));
    }

    // One stray record 2^32 ticks on: the picture spans the years up to it,
    // its time labels and title run on with the ticks instead of wrapping.
    void chartPictureOfTicksPast2To31()
    {
        const QString path = fixture->writeProtocol("far.log", kStart, 50, 5, {1}, 100);
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write(protocolformat::encodeRecord(LogRecord{1, 0xFFFFFFF0u, 7}));
        file.close();
        const QString svg = fixture->dir.filePath(QStringLiteral("far.svg"));
        const Run result = run(base({path}) << "--png" << svg << "--size"
                                            << "1000x500",
                               QString(), QString(), QStringLiteral("UTC"));
        QCOMPARE(result.exitCode, 0);
        QFile drawing(svg);
        QVERIFY(drawing.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(drawing.readAll());
        // The axis labels are dates, one per grid line, the later ones past 2030.
        QSet<QString> dates;
        const QRegularExpression label(QStringLiteral(">(\\d\\d\\.\\d\\d\\.(\\d{4}))</text>"));
        int late = 0;
        for (auto it = label.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            dates.insert(match.captured(1));
            late += match.captured(2).toInt() > 2030 ? 1 : 0;
        }
        QVERIFY2(dates.size() >= 4, qPrintable(QStringList(dates.values()).join(' ')));
        QVERIFY(late >= 2);
        // The title runs up to the stray record, on the clock of the run (UTC).
        const QDateTime end =
            QDateTime(kStart.date(), kStart.time(), Qt::UTC).addMSecs(qint64(0xFFFFFFF0u) * 100);
        QVERIFY2(text.contains(end.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"))),
                 qPrintable(end.toString()));
    }

    void emptyTablesFailWithAReason()
    {
        const QString csv = fixture->dir.filePath(QStringLiteral("out.csv"));
        Run result = run(base({fixture->dir.filePath("missing.log")}) << "--csv" << csv);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.errors.contains(QStringLiteral("не прочитан")), qPrintable(result.errors));
        QVERIFY(!QFile::exists(csv));

        const QString fast = fixture->writeProtocol("fast.log", kStart, 5, 0, {1}, 500);
        const QString slow = fixture->writeProtocol("slow.log", kStart, 5, 0, {1}, 1000);
        result = run(base({fast, slow}) << "--csv" << csv);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.errors.contains(QStringLiteral("отсчет времени в протоколах не совпадает")),
                 qPrintable(result.errors));
        QCOMPARE(result.errors.count(QLatin1Char('\n')), 1);
    }

    void everyProtocolLeftOutIsNamedAndFailsTheRun()
    {
        // Given relative to the working directory, which is not the protocol directory.
        const QString sub = fixture->dir.filePath(QStringLiteral("sub"));
        QVERIFY(QDir().mkpath(sub));
        fixture->writeProtocol("sub/a.log", kStart, 5, 0, {1});
        const QString empty = fixture->writeProtocol("empty.log", kStart, 0, 0, {1});
        const QString missing = fixture->dir.filePath(QStringLiteral("missing.log"));
        const Run result = run(base({"a.log", missing, empty}) << "--csv"
                                                               << "-",
                               sub);
        QCOMPARE(result.exitCode, 1);
        const QStringList lines = result.errors.trimmed().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        // Read with the log.def named, though it lies outside its protocol folder.
        QVERIFY2(lines[0].startsWith("voltrek: внимание: " + sub + "/a.log: лежит не в папке"),
                 qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith("voltrek: " + missing + ": не удалось открыть файл"),
                 qPrintable(lines[1]));
        QCOMPARE(lines[2], "voltrek: " + empty + ": в протоколе нет записей");
        // The CSV of what could be read went to standard output.
        const QStringList csv = QString::fromUtf8(result.output).split(QLatin1Char('\n'));
        QCOMPARE(csv.size(), 7);
        QVERIFY(csv[0].startsWith(QStringLiteral("Дата,")));
    }

    void protocolsAreReadWithTheirOwnDefinition_data()
    {
        QTest::addColumn<QString>("scene");
        QTest::addColumn<int>("exitCode");   // -1: not decided here
        QTest::addColumn<QString>("told");   // in standard error; empty: nothing at all
        QTest::addColumn<QString>("header"); // the CSV's first line starts so
        QTest::addColumn<int>("lines");      // of the CSV, header included
        // The other log directory: A1 at RATE 2 under another name.
        QTest::newRow("its own log.def above it, named from its folder") << "own" << 0 << ""
                                                                         << "Дата,Другая (A1)" << 6;
        QTest::newRow("-d named: read with it, and said")
            << "given" << 0
            << "voltrek: внимание: %1: лежит не в папке протоколов, которую задаёт %2"
            << "Дата,Альфа (A1)" << 6;
        QTest::newRow("unknown IDs: a column each, and a failed run")
            << "unknown" << 1 << "voltrek: %1: каналов с ID 20, 21 нет в %2"
            << "Дата,Альфа (A1),ID 20,ID 21" << 6;
        QTest::newRow("one file named twice is read once")
            << "twice" << 0 << "voltrek: внимание: %1: указан несколько раз, загружен один раз"
            << "Дата,Альфа (A1)" << 6;
        QTest::newRow("a FIFO as protocol")
            << "fifo" << 1 << "voltrek: %1: это не обычный файл, а канал FIFO, протокол не загружен"
            << "Дата,Альфа (A1)" << 6;
        QTest::newRow("a device as protocol")
            << "device" << 1
            << "voltrek: %1: это не обычный файл, а устройство, протокол не загружен"
            << "Дата,Альфа (A1)" << 6;
        QTest::newRow("a FIFO as log.def") << "fifodef" << 1 << "это не обычный файл, а канал FIFO"
                                           << "Дата,ID 1" << 6;
        // Whether the reports are still written is the computed channels' rule.
        QTest::newRow("a FIFO as computed.def")
            << "fifocomputed" << -1 << "это не обычный файл, а канал FIFO"
            << "" << 0;
    }

    void protocolsAreReadWithTheirOwnDefinition()
    {
        QFETCH(QString, scene);
        QFETCH(int, exitCode);
        QFETCH(QString, told);
        QFETCH(QString, header);
        QFETCH(int, lines);
        const QString other = fixture->dir.filePath(QStringLiteral("other"));
        QVERIFY(protocolfiles::writeDefinition(other, R"({"ROOT": "protocols", "CONTENT": [
            {"VALUES": [{"CODE": "A1", "ID": 1, "NAME": "Другая", "RATE": 2}]}]})"));
        QVERIFY(QDir().mkpath(other + QStringLiteral("/protocols")));
        const QString foreign =
            fixture->writeProtocol("other/protocols/x.log", kStart, 5, 12345, {1});
        const QString own = fixture->writeProtocol("a.log", kStart, 5, 0, {1});
        const QString special = fixture->dir.filePath(QStringLiteral("special.log"));
        const QByteArray specialName = QFile::encodeName(special);
        const QString definition = fixture->dir.filePath(QStringLiteral("log.def"));

        QStringList arguments = base({own});
        QString workingDir;
        QString file = own;
        QString named = definition;
        if (scene == "own") {
            arguments = QStringList{"-l", "x.log"};
            workingDir = other + QStringLiteral("/protocols");
        } else if (scene == "given") {
            arguments = base({foreign});
            file = foreign;
        } else if (scene == "unknown") {
            arguments = base({fixture->writeProtocol("u.log", kStart, 5, 0, {1, 20, 21})});
            file = fixture->dir.filePath(QStringLiteral("u.log"));
        } else if (scene == "twice") {
            arguments = base({"a.log", own});
            workingDir = fixture->dir.path();
        } else if (scene == "fifo" || scene == "device") {
            QCOMPARE(scene == "fifo"
                         ? ::mkfifo(specialName.constData(), 0600)
                         : ::mknod(specialName.constData(), S_IFCHR | 0600, makedev(1, 3)),
                     0);
            arguments = base({own, special});
            file = special;
        } else if (scene == "fifodef") {
            const QString folder = fixture->dir.filePath(QStringLiteral("fifodef"));
            QVERIFY(QDir().mkpath(folder));
            QCOMPARE(::mkfifo(QFile::encodeName(folder + "/log.def").constData(), 0600), 0);
            arguments = QStringList{"-d", folder, "-l", own};
        } else if (scene == "fifocomputed") {
            QCOMPARE(::mkfifo(QFile::encodeName(fixture->dir.filePath("computed.def")).constData(),
                              0600),
                     0);
        }
        const Run result =
            run(arguments << QStringLiteral("--csv") << QStringLiteral("-"), workingDir);
        // A FIFO would have kept the run waiting: run() gives up after a minute.
        QVERIFY(result.exitCode >= 0);
        if (exitCode >= 0)
            QCOMPARE(result.exitCode, exitCode);
        if (told.isEmpty())
            QVERIFY2(result.errors.isEmpty(), qPrintable(result.errors));
        else
            QVERIFY2(result.errors.contains(
                         told.arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(named))),
                     qPrintable(result.errors));
        const QStringList csv = QString::fromUtf8(result.output).trimmed().split('\n');
        if (!header.isEmpty()) {
            QVERIFY2(csv.first().startsWith(header), qPrintable(csv.first()));
            QCOMPARE(csv.size(), lines);
        }
        if (scene == "own") // raw 12345 at RATE 2
            QVERIFY2(csv[1].endsWith(QStringLiteral(",123.45")), qPrintable(csv[1]));
        if (scene == "unknown") // raw values
            QVERIFY2(csv[2].endsWith(QStringLiteral(",1,1,1")), qPrintable(csv[2]));
    }

    void unknownArgumentFailsBeforeAnythingIsWritten()
    {
        const QString first = fixture->writeProtocol("a.log", kStart, 5, 0, {1});
        const QString csv = fixture->dir.filePath(QStringLiteral("out.csv"));
        Run result = run(base({first}) << "--csv" << csv << "--cvs"
                                       << "x.csv");
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(result.errors.trimmed(), QStringLiteral("voltrek: неизвестные параметры «--cvs», "
                                                         "«x.csv»; см. voltrek --help"));
        QVERIFY(!QFile::exists(csv));

        // The toolkit's own options are its business.
        result = run(QStringList{"-platform", "offscreen"} + base({first}) << "--csv" << csv);
        QCOMPARE(result.exitCode, 0);
        QVERIFY(QFile::exists(csv));
    }

    // Each line on standard error is Russian, as the window speaks, and a
    // picture option without a picture, or a picture whose strips cannot
    // hold their labels, is refused.
    void batchMessagesAreRussianAndName_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode"); // -1: not checked here
        QTest::addColumn<QString>("message");
        QTest::newRow("layout without a picture")
            << "" << QStringList{"--csv", "out.csv", "--layout", "channels"} << 2
            << "--layout задает вид рисунка: задайте его вместе с --png";
        QTest::newRow("size without a picture")
            << "" << QStringList{"--csv", "out.csv", "--size", "800x600"} << 2
            << "--size задает вид рисунка";
        QTest::newRow("strips lower than their text")
            << "" << QStringList{"--png", "out.png", "--layout", "channels", "--size", "400x48"}
            << 1 << "ниже строки их надписей";
        QTest::newRow("dangling computed.def") << "dangling" << QStringList{"--csv", "out.csv"}
                                               << -1 << "это ссылка на несуществующий файл";
        QTest::newRow("later computed.def")
            << "version" << QStringList{"--csv", "out.csv"} << -1 << "версия 99 не поддерживается";
        QTest::newRow("broken log.def") << "logdef" << QStringList{"--csv", "out.csv"} << 1
                                        << "ошибка в log.def: строка 1, столбец";
        QTest::newRow("parser's own words")
            << "" << QStringList{"--csv", "out.csv", "--formula", "P=A1+\"a\""} << 2
            << "строки в формуле не допускаются";
    }

    void batchMessagesAreRussianAndName()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QString first = fixture->writeProtocol("a.log", kStart, 5, 0, {1, 2, 3});
        const QString computed = fixture->dir.filePath(QStringLiteral("computed.def"));
        if (setup == QLatin1String("dangling"))
            QVERIFY(QFile::link(fixture->dir.filePath(QStringLiteral("gone.def")), computed));
        if (setup == QLatin1String("version")) {
            QFile file(computed);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(R"({"version": 99, "channels": [{"code": "P", "formula": "A1"}]})");
        }
        if (setup == QLatin1String("logdef"))
            protocolfiles::writeDefinition(fixture->dir.path(), R"({"ROOT": [)");
        for (QString& option : options) {
            if (option.startsWith(QLatin1String("out.")))
                option = fixture->dir.filePath(option);
        }
        const Run result = run(base({first}) + options);
        if (exitCode >= 0)
            QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(result.errors.contains(message), qPrintable(result.errors));
        const QStringList lines = result.errors.trimmed().split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            // The words are Russian; names of files and options are what they are.
            QString words = line.mid(line.indexOf(QLatin1Char(' ')) + 1);
            words.remove(fixture->dir.path());
            words.remove(QRegularExpression(QStringLiteral("--[a-z]+|[A-Za-z0-9_./]+\\.(def|"
                                                           "log|png|csv)|voltrek|common|"
                                                           "channels|log\\.def|CONTENT|VALUES")));
            QVERIFY2(!words.contains(QRegularExpression(QStringLiteral("[A-Za-z]{3,}"))),
                     qPrintable(line));
        }
        if (options.contains(QStringLiteral("--png")) && exitCode == 1)
            QVERIFY(!QFile::exists(fixture->dir.filePath(QStringLiteral("out.png"))));
    }

    // Lists need no display platform at all: no toolkit plugin is loaded.
    void listsNeedNoDisplayPlatform_data()
    {
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("csv") << QStringList{"--csv", "out.csv"};
        QTest::newRow("bookmarks") << QStringList{"--bookmarks", "marks.csv"};
        QTest::newRow("both") << QStringList{"--bookmarks", "marks.csv", "--csv", "out.csv"};
    }

    void listsNeedNoDisplayPlatform()
    {
        QFETCH(QStringList, reports);
        const QString first = fixture->writeProtocol("a.log", kStart, 5, 0, {1});
        const Run result = run(base({first}) + reports, fixture->dir.path(), QString(), QString(),
                               QStringLiteral("no-such-platform"));
        QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
        QVERIFY(QFile::exists(fixture->dir.filePath(reports[1])));
    }

    void unwritableReportFails()
    {
        const QString first = fixture->writeProtocol("a.log", kStart, 5, 0, {1});
        // A plain file stands where the report's folder should be.
        const QString blocked = first + QStringLiteral("/out.csv");
        const Run result = run(base({first}) << "--csv" << blocked);
        QCOMPARE(result.exitCode, 1);
        QVERIFY(result.errors.startsWith(QStringLiteral("voltrek: ")));
#ifdef Q_OS_LINUX
        // Standard output on a full disk: the CSV is not written, and the run says so.
        const Run full = run(base({first}) << "--csv"
                                           << "-",
                             QString(), QStringLiteral("/dev/full"));
        QCOMPARE(full.exitCode, 1);
        QVERIFY2(full.errors.contains(QStringLiteral("на диске нет места")),
                 qPrintable(full.errors));
#endif
    }
};

QTEST_MAIN(TestBatchExport)
#include "test_batchexport.moc"
