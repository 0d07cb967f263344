#include "chart/chartprotocol.h"
#include "loadfixture.h"
#include "reports/csvreport.h"
#include "table/bookmarkfile.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QProcess>
#include "table/protocoltablemodel.h"

#include <QTableView>
#include <QTest>

namespace {
const QDateTime kStart(QDate(2024, 6, 1), QTime(12, 0));

struct Run
{
    int exitCode = -1;
    QString errors;
    QByteArray output;
};
} // namespace

// The program run from a script: reports written without a window.
class TestBatchExport : public QObject
{
    Q_OBJECT

    std::unique_ptr<LoadFixture> fixture;

    Run run(const QStringList& arguments, const QString& workingDir = QString(),
            const QString& outputFile = QString())
    {
        QProcess process;
        process.setWorkingDirectory(workingDir);
        if (!outputFile.isEmpty())
            process.setStandardOutputFile(outputFile);
        process.start(qEnvironmentVariable("VOLTREK_APP"), arguments);
        if (!process.waitForFinished(60000))
            return {};
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError()),
                process.readAllStandardOutput()};
    }

    QStringList base(const QStringList& files)
    {
        QStringList arguments{QStringLiteral("-d"), fixture->dir.path()};
        for (const QString& file : files)
            arguments << QStringLiteral("-l") << file;
        return arguments;
    }

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
        const QAbstractItemModel* table = fixture->find<QTableView>("twEntry")->model();
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
                 QStringLiteral("Время,Заметка\n01/06/2024 12:00:05.000,Пуск\n"));
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

    void emptyTablesFailWithAReason()
    {
        const QString csv = fixture->dir.filePath(QStringLiteral("out.csv"));
        Run result = run(base({fixture->dir.filePath("missing.log")}) << "--csv" << csv);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.errors.contains(QStringLiteral("could be read")),
                 qPrintable(result.errors));
        QVERIFY(!QFile::exists(csv));

        const QString fast = fixture->writeProtocol("fast.log", kStart, 5, 0, {1}, 500);
        const QString slow = fixture->writeProtocol("slow.log", kStart, 5, 0, {1}, 1000);
        result = run(base({fast, slow}) << "--csv" << csv);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.errors.contains(QStringLiteral("tick lengths differ")),
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
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].startsWith("voltrek: " + missing + ": cannot be opened"),
                 qPrintable(lines[0]));
        QCOMPARE(lines[1], "voltrek: " + empty + ": holds no records");
        // The CSV of what could be read went to standard output.
        const QStringList csv = QString::fromUtf8(result.output).split(QLatin1Char('\n'));
        QCOMPARE(csv.size(), 7);
        QVERIFY(csv[0].startsWith(QStringLiteral("Дата,")));
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
        QVERIFY2(full.errors.contains(QStringLiteral("No space left on device")),
                 qPrintable(full.errors));
#endif
    }
};

QTEST_MAIN(TestBatchExport)
#include "test_batchexport.moc"
