#include "workspace/channelcolumns.h"
#include "workspace/workspace.h"

#include "protocol/streamloger.h"
#include "reports/failuretext.h"
#include "table/protocolassembly.h"
#include "table/protocoltablemodel.h"
#include "tests/protocol/protocolfiles.h"
#include "tests/reports/xlsxreader.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QDateTime kStart(QDate(2024, 6, 1), QTime(12, 0));

// Fields of a CSV line, commas inside quotes not counted.
int fieldCount(const QString& line)
{
    int fields = 1;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted)
            ++fields;
    }
    return fields;
}

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
} // namespace

// The loaded protocols, their bookmarks, computed channels and reports, and
// the shared view state, all without a window.
class TestWorkspace : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    // Channel 1 carrying first + tick, channel 2 100 + tick, on ticks 0 … count - 1.
    QString writeProtocol(const QString& name, const QDateTime& start, int count, int first,
                          quint16 tickMs = 1000, const QVector<quint8>& ids = {1, 2})
    {
        QVector<LogRecord> records;
        for (int tick = 0; tick < count; ++tick) {
            for (const quint8 id : ids)
                records.append(
                    protocolfiles::rec(id, quint32(tick), id == 1 ? first + tick : 100 + tick));
        }
        const QString path = dir.filePath(name);
        protocolfiles::write(path,
                             protocolfiles::bytes(protocolfiles::header(start, tickMs), records));
        return path;
    }

    QStringList csvLines(const QString& path)
    {
        QStringList lines = readAll(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (QString& line : lines)
            line = line.trimmed();
        return lines;
    }

private slots:
    void initTestCase()
    {
        protocolfiles::writeDefinition(dir.path(), R"({"ROOT": "", "CONTENT": [{"GROUP": "g",
            "VALUES": [{"CODE": "A1", "ID": 1, "NAME": "Альфа", "RATE": 0},
                       {"CODE": "B1", "ID": 2, "NAME": "Бета", "RATE": 1}]}]})");
        QVERIFY(StreamLoger::instance()->init(dir.path()));
        StreamLoger::instance()->setEventsWhileReading(false);
    }

    void cleanup()
    {
        for (const QString& name : QDir(dir.path()).entryList({"*.bookmarks*"}))
            QFile::remove(dir.filePath(name));
    }

    void readMergesFilesOntoOneTimeBase_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("rows");
        QTest::addColumn<qint64>("lastTick");
        QTest::addColumn<QStringList>("problems"); // as the user reads them
        const auto r = [](Workspace::ReadResult result) { return int(result); };
        const QString none = QStringLiteral("none.log: не удалось открыть файл (файл или папка не "
                                            "найдены)");
        // b.log starts 5 s after a.log: its ticks follow a's on one time base.
        QTest::newRow("two files")
            << QStringList{"a.log", "b.log"} << r(Workspace::ReadResult::Loaded) << 20 << qint64(14)
            << QStringList();
        QTest::newRow("files left out named")
            << QStringList{"none.log", "a.log", "empty.log"} << r(Workspace::ReadResult::Loaded)
            << 10 << qint64(9) << QStringList{none, "empty.log: в протоколе нет записей"};
        QTest::newRow("nothing readable")
            << QStringList{"none.log"} << r(Workspace::ReadResult::Nothing) << 0 << qint64(0)
            << QStringList{none};
        QTest::newRow("tick lengths differ")
            << QStringList{"a.log", "fast.log"} << r(Workspace::ReadResult::TickMismatch) << 0
            << qint64(0) << QStringList();
    }

    void readMergesFilesOntoOneTimeBase()
    {
        QFETCH(QStringList, names);
        QFETCH(int, result);
        QFETCH(int, rows);
        QFETCH(qint64, lastTick);
        QFETCH(QStringList, problems);
        writeProtocol(QStringLiteral("a.log"), kStart, 10, 0);
        writeProtocol(QStringLiteral("empty.log"), kStart, 0, 0);
        writeProtocol(QStringLiteral("b.log"), kStart.addSecs(5), 10, 50);
        writeProtocol(QStringLiteral("fast.log"), kStart, 10, 0, 500);
        QStringList files;
        for (const QString& name : names)
            files.append(dir.filePath(name));

        Workspace workspace;
        QSignalSpy loaded(&workspace, &Workspace::loaded);
        QCOMPARE(int(workspace.read(files)), result);
        QCOMPARE(workspace.rowCount(), rows);
        QCOMPARE(workspace.lastTick(), lastTick);
        QStringList texts;
        for (const ReadProblem& problem : workspace.readProblems())
            texts.append(failuretext::readProblemText(problem).remove(
                QDir::toNativeSeparators(dir.path() + QLatin1Char('/'))));
        QCOMPARE(texts, problems);
        QCOMPARE(loaded.count(), rows > 0 ? 1 : 0);
        QCOMPARE(workspace.isLoaded(), rows > 0);
        if (rows > 0)
            QCOMPARE(workspace.startDateTime(), kStart);
    }

    // Read later first, the earlier file's rows still come first; the
    // columns keep the order in which the file read first names them.
    void filesReadLaterFirstShowInTimeOrder()
    {
        const QString later =
            writeProtocol(QStringLiteral("later.log"), kStart.addSecs(15), 10, 20, 1000, {2});
        const QString earlier = writeProtocol(QStringLiteral("earlier.log"), kStart, 10, 5);
        Workspace workspace;
        QVERIFY(workspace.read({later, earlier}) == Workspace::ReadResult::Loaded);
        const ProtocolTableModel& model = *workspace.tableModel();
        QCOMPARE(model.headerLabels().mid(2), (QStringList{"Бета (B1)", "Альфа (A1)"}));
        QCOMPARE(model.allRowCount(), 20);
        QCOMPARE(model.timeText(model.globalRowAt(0)), QStringLiteral("01/06/2024 12:00:00.000"));
        QCOMPARE(model.tick(model.globalRowAt(10)), qint64(15));
        QString text;
        QVERIFY(!model.cellText(model.globalRowAt(10), 3, text));
        QCOMPARE(workspace.firstTick(), qint64(0));
        QCOMPARE(workspace.lastTick(), qint64(24));
    }

    // Rows of one time keep the order of their files: two overlapping files
    // of 200 ticks, the second 100 ticks later; at a size where an unstable
    // order would show.
    void rowsOfEqualTimeKeepTheOrderOfTheirFiles()
    {
        const QString first = writeProtocol(QStringLiteral("first.log"), kStart, 200, 1000);
        const QString second =
            writeProtocol(QStringLiteral("second.log"), kStart.addSecs(100), 200, 5000);
        Workspace workspace;
        QVERIFY(workspace.read({first, second}) == Workspace::ReadResult::Loaded);
        const ProtocolTableModel& model = *workspace.tableModel();
        QCOMPARE(model.rowCount(), 400);
        QStringList expected;
        for (int tick = 0; tick < 100; ++tick)
            expected.append(QString::number(1000 + tick));
        for (int tick = 100; tick < 200; ++tick)
            expected << QString::number(1000 + tick) << QString::number(5000 + tick - 100);
        for (int tick = 100; tick < 200; ++tick)
            expected.append(QString::number(5000 + tick));
        QStringList actual;
        for (int row = 0; row < model.rowCount(); ++row)
            actual.append(model.index(row, 2).data().toString());
        QCOMPARE(actual, expected);
    }

    void cancelledReadKeepsNothing()
    {
        const QString a = writeProtocol(QStringLiteral("a.log"), kStart, 10, 0);
        Workspace workspace;
        QVERIFY(workspace.read({a}) == Workspace::ReadResult::Loaded);
        int asked = 0;
        ReadProgress progress;
        progress.proceed = [&asked] { return ++asked < 3; };
        QCOMPARE(int(workspace.read({a, a}, progress)), int(Workspace::ReadResult::Cancelled));
        QVERIFY(!workspace.isLoaded());
        QCOMPARE(workspace.rowCount(), 0);
    }

    // The store is the only truth: the table's marks and the files follow
    // every change, and undo takes changes back one at a time.
    void bookmarksSavedAndUndone()
    {
        const QString a = writeProtocol(QStringLiteral("a.log"), kStart, 10, 0);
        Workspace workspace;
        QVERIFY(workspace.read({a}) == Workspace::ReadResult::Loaded);
        QSignalSpy changed(&workspace, &Workspace::bookmarksChanged);
        const ProtocolTableModel& model = *workspace.tableModel();

        QVERIFY(workspace.addBookmark(3).isEmpty());
        QVERIFY(workspace.addBookmark(7).isEmpty());
        QVERIFY(workspace.addBookmark(7).isEmpty()); // already there: no change
        QVERIFY(workspace.setBookmarkNote(7, QStringLiteral("пик")).isEmpty());
        QCOMPARE(changed.count(), 3);
        QCOMPARE(workspace.bookmarkTicks(), (QVector<qint64>{3, 7}));
        QVERIFY(model.isMarked(model.firstRowOfTick(3)));
        QVERIFY(model.isMarked(model.firstRowOfTick(7)));
        // The table's note of tick 7, as its tooltip.
        const auto note = [](const ProtocolTableModel& model) {
            return model.index(model.rowOfGlobal(model.firstRowOfTick(7)), 0)
                .data(Qt::ToolTipRole)
                .toString();
        };
        QCOMPARE(note(model), QStringLiteral("пик"));
        const QString marks = a + QStringLiteral(".bookmarks");
        const QString saved = readAll(marks);
        QVERIFY(saved.contains(QStringLiteral("пик")));

        QVERIFY(workspace.deleteBookmark(3).isEmpty() && workspace.deleteBookmark(7).isEmpty());
        QVERIFY(!model.isMarked(model.firstRowOfTick(3)));
        QVERIFY(!QFile::exists(marks)); // no bookmarks left, no file
        QVERIFY(workspace.undoBookmarks().isEmpty() && workspace.undoBookmarks().isEmpty());
        QCOMPARE(workspace.bookmarkTicks(), (QVector<qint64>{3, 7}));
        QVERIFY(model.isMarked(model.firstRowOfTick(3)));
        QCOMPARE(note(model), QStringLiteral("пик"));
        QCOMPARE(readAll(marks), saved);              // the file as it was
        QVERIFY(workspace.undoBookmarks().isEmpty()); // then the note
        QCOMPARE(workspace.bookmarkNote(7), QString());
        QVERIFY(note(model).isEmpty());
        // Then the bookmarks themselves, down to none.
        QVERIFY(workspace.undoBookmarks().isEmpty() && workspace.undoBookmarks().isEmpty());
        QVERIFY(workspace.bookmarkTicks().isEmpty() && !workspace.canUndoBookmarks());
        QVERIFY(!model.isMarked(model.firstRowOfTick(7)));
        QVERIFY(workspace.setBookmarkTicks({3, 7}).isEmpty() &&
                workspace.setBookmarkNote(7, QStringLiteral("пик")).isEmpty());

        // A new load of the same file finds them in its file.
        Workspace again;
        QVERIFY(again.read({a}) == Workspace::ReadResult::Loaded);
        QCOMPARE(again.bookmarkTicks(), (QVector<qint64>{3, 7}));
        QCOMPARE(note(*again.tableModel()), QStringLiteral("пик"));
        QVERIFY(again.bookmarkProblems().isEmpty());
        // Clearing the view never deletes bookmarks from the files.
        again.clear();
        QVERIFY(again.setBookmarkTicks({}).isEmpty());
        QVERIFY(readAll(a + QStringLiteral(".bookmarks")).contains(QStringLiteral("\"")));
        QVERIFY(again.read({a}) == Workspace::ReadResult::Loaded);
        QCOMPARE(again.bookmarkTicks().size(), 2);

        // A tick no row carries is a bookmark without a mark; one that
        // several rows carry marks only the first.
        const QString copy = writeProtocol(QStringLiteral("copy.log"), kStart, 10, 0);
        Workspace twice;
        QVERIFY(twice.read({a, copy}) == Workspace::ReadResult::Loaded);
        QVERIFY(twice.addBookmark(20).isEmpty());
        QCOMPARE(twice.bookmarkTicks(), (QVector<qint64>{3, 7, 20}));
        QCOMPARE(int(twice.tableModel()->marks().size()), 2);
        QVERIFY(twice.tableModel()->isMarked(twice.tableModel()->firstRowOfTick(3)));
    }

    // Read by its bare name from the protocol directory while the program
    // runs elsewhere: the bookmarks go beside the protocol, not into the
    // working directory, and come back with it.
    void bareNameKeepsBookmarksBesideTheProtocol()
    {
        const QString a = writeProtocol(QStringLiteral("a.log"), kStart, 10, 0);
        const QString home = QDir::currentPath();
        QTemporaryDir elsewhere;
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        Workspace workspace, again;
        workspace.read({QStringLiteral("a.log")});
        workspace.addBookmark(4);
        const bool strayFile = QFile::exists(QStringLiteral("a.log.bookmarks"));
        again.read({QStringLiteral("a.log")});
        QVERIFY(QDir::setCurrent(home));
        QVERIFY(!strayFile && QFile::exists(a + QStringLiteral(".bookmarks")));
        QCOMPARE(again.bookmarkTicks(), QVector<qint64>{4});
    }

    void computedChannelsJoinTheTable_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("columns");
        QTest::newRow("none") << QStringList() << QString() << 4;
        QTest::newRow("sum") << QStringList{"S1=A1+B1"} << QString() << 5;
        QTest::newRow("no equals sign")
            << QStringList{"S1"} << QStringLiteral("КОД=ВЫРАЖЕНИЕ") << 4;
        QTest::newRow("unknown input") << QStringList{"S1=Z9*2"} << QStringLiteral("S1=Z9*2") << 4;
        QTest::newRow("syntax") << QStringList{"P=A1*(B1"} << "позиции 7" << 4;
        QTest::newRow("cycle") << QStringList{"P=Q+1", "Q=P"} << "P → Q → P" << 4;
        QTest::newRow("logged code") << QStringList{"A1=B1"} << "«A1=B1»" << 4;
        QTest::newRow("no code") << QStringList{"A1*B1"} << "КОД=ВЫРАЖЕНИЕ" << 4;
        QTest::newRow("one code twice")
            << QStringList{"P=A1", "Q=B1", "P=B1"} << "код P задан с --formula дважды" << 6;
        QTest::newRow("assignment") << QStringList{"P=A1=3"} << "«P=A1=3»" << 4;
    }

    void computedChannelsJoinTheTable()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, fault);
        QFETCH(int, columns);
        const QString a = writeProtocol(QStringLiteral("a.log"), kStart, 10, 0);
        Workspace workspace;
        workspace.loadComputedChannels(dir.path());
        const QString faults = workspace.setFormulaOptions(options);
        QCOMPARE(faults.isEmpty(), fault.isEmpty());
        QVERIFY2(faults.contains(fault), qPrintable(faults));
        QVERIFY(workspace.read({a}) == Workspace::ReadResult::Loaded);
        QCOMPARE(workspace.tableModel()->columnCount(), columns);
        if (columns == 5) {
            // Row 4: A1 = 4, B1 = (100 + 4) / 10.
            QString text;
            QVERIFY(workspace.tableModel()->cellText(4, 4, text));
            QCOMPARE(text.toDouble(), 14.4);
        }
    }

    // A counter near the 32-bit end and products of it: every digit in the
    // CSV, and the workbook's numbers equal to the logged and computed values.
    void everyDigitReachesTheReports()
    {
        const QString a = writeProtocol(QStringLiteral("a.log"), kStart, 3, 2147483645);
        Workspace workspace;
        workspace.loadComputedChannels(dir.path());
        QVERIFY(workspace.setFormulaOptions({"P=A1*1000", "Q=A1*B1"}).isEmpty());
        QVERIFY(workspace.read({a}) == Workspace::ReadResult::Loaded);
        ReportRequest request;
        request.csvFile = dir.filePath(QStringLiteral("digits.csv"));
        request.xlsxFile = dir.filePath(QStringLiteral("digits.xlsx"));
        QVERIFY(workspace.writeReports(request, nullptr).isEmpty());
        QCOMPARE(csvLines(request.csvFile).mid(1),
                 (QStringList{"01/06/2024 12:00:00.000,2147483645,10,2147483645000,21474836450",
                              "01/06/2024 12:00:01.000,2147483646,10.1,2147483646000,21689584824.6",
                              "01/06/2024 12:00:02.000,2147483647,10.2,2147483647000,"
                              "21904333199.4"}));
        const XlsxContent book = readXlsx(request.xlsxFile);
        QVERIFY(book.ok);
        const struct
        {
            const char* cell;
            double value;
            const char* format;
        } cells[] = {{"B4", 2147483645, "0"},
                     {"B6", 2147483647, "0"},
                     {"D5", 2147483646000, "0"},
                     {"E5", 21689584824.6, "0.0"}};
        for (const auto& expected : cells) {
            const XlsxCell cell = book.cells.value(QLatin1String(expected.cell));
            QCOMPARE(cell.numberFormat, QLatin1String(expected.format));
            QCOMPARE(cell.text.toDouble(), expected.value);
        }
    }

    void reportsOfARangeAndChannels_data()
    {
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<QStringList>("channels");
        QTest::addColumn<int>("lines");  // CSV lines, header included
        QTest::addColumn<int>("fields"); // per line
        QTest::addColumn<int>("marks");  // bookmark CSV lines, header included
        QTest::newRow("all") << QDateTime() << QDateTime() << QStringList() << 11 << 3 << 3;
        QTest::newRow("range") << kStart.addSecs(2) << kStart.addSecs(4) << QStringList() << 4 << 3
                               << 2;
        QTest::newRow("open end") << kStart.addSecs(8) << QDateTime() << QStringList() << 3 << 3
                                  << 2;
        QTest::newRow("one channel by code")
            << QDateTime() << QDateTime() << QStringList{"B1"} << 11 << 2 << 3;
        QTest::newRow("one channel by title")
            << QDateTime() << QDateTime() << QStringList{"Альфа (A1)"} << 11 << 2 << 3;
    }

    void reportsOfARangeAndChannels()
    {
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(QStringList, channels);
        QFETCH(int, lines);
        QFETCH(int, fields);
        QFETCH(int, marks);
        const QString a = writeProtocol(QStringLiteral("a.log"), kStart, 10, 0);
        Workspace workspace;
        QVERIFY(workspace.read({a}) == Workspace::ReadResult::Loaded);
        QVERIFY(workspace.addBookmark(3).isEmpty());
        QVERIFY(workspace.addBookmark(9).isEmpty());

        ReportRequest request;
        request.csvFile = dir.filePath(QStringLiteral("out.csv"));
        request.bookmarksFile = dir.filePath(QStringLiteral("marks.csv"));
        request.from = from;
        request.to = to;
        request.channels = channels;
        QVERIFY(workspace.writeReports(request, nullptr).isEmpty());
        const QStringList csv = csvLines(request.csvFile);
        QCOMPARE(csv.size(), lines);
        for (const QString& line : csv)
            QCOMPARE(fieldCount(line), fields);
        QCOMPARE(csvLines(request.bookmarksFile).size(), marks);
    }

    // Hidden rows stay in the workbook; times go in as numeric cells:
    // 05/03/2024 10:20:31 is day 45356 since 30/12/1899 plus 37231 s.
    void workbookHoldsEveryRow()
    {
        const QString p = writeProtocol(QStringLiteral("p.log"),
                                        QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30)), 5, 2);
        Workspace workspace;
        QVERIFY(workspace.read({p}) == Workspace::ReadResult::Loaded);
        workspace.tableModel()->setHiddenRows({false, true, false, false, true});
        ReportRequest request;
        request.xlsxFile = dir.filePath(QStringLiteral("protocol.xlsx"));
        QVERIFY(workspace.writeReports(request, nullptr).isEmpty());
        const XlsxContent book = readXlsx(request.xlsxFile);
        QVERIFY(book.ok);
        const XlsxCell time = book.cells.value(QStringLiteral("A5"));
        QCOMPARE(time.numberFormat, QStringLiteral("dd/mm/yyyy hh:mm:ss.000"));
        QVERIFY(qAbs(time.text.toDouble() - (45356 + 37231.0 / 86400)) < 1e-9);
        QCOMPARE(book.cells.value(QStringLiteral("B8")).text, QStringLiteral("6"));
        QCOMPARE(book.lastRow, 8);
    }

    void reportsThatCannotBeWritten()
    {
        const QString a = writeProtocol(QStringLiteral("a.log"), kStart, 10, 0);
        Workspace workspace;
        QVERIFY(workspace.read({a}) == Workspace::ReadResult::Loaded);
        const QString kept = dir.filePath(QStringLiteral("kept.csv"));
        QVERIFY(protocolfiles::write(kept, "old"));

        ReportRequest request;
        request.csvFile = kept;
        request.from = kStart.addDays(1);
        const ReportFailures empty = workspace.writeReports(request, nullptr);
        QCOMPARE(empty.size(), 1);
        QVERIFY(empty.first().fileName.isEmpty());
        QVERIFY2(empty.first().error.contains(QStringLiteral("нет ни одной строки")),
                 qPrintable(empty.first().error));
        QCOMPARE(readAll(kept), QStringLiteral("old"));

        // A PDF or picture needs a chart to draw.
        request = ReportRequest();
        request.pdfFile = dir.filePath(QStringLiteral("out.pdf"));
        request.pngFile = dir.filePath(QStringLiteral("out.png"));
        const QStringList lines = Workspace::failureLines(workspace.writeReports(request, nullptr));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.first(),
                 QStringLiteral("не удалось записать файл %1: нет графика для рисунка")
                     .arg(QDir::toNativeSeparators(request.pdfFile)));
        QVERIFY(!QFile::exists(request.pdfFile));
    }

    // One call, one signal, and none when nothing changes.
    void viewStateSignalsEachChangeOnce()
    {
        ViewState view;
        QSignalSpy shown(&view, &ViewState::channelShownChanged);
        QSignalSpy color(&view, &ViewState::channelColorChanged);
        QSignalSpy position(&view, &ViewState::positionChanged);
        QSignalSpy zoom(&view, &ViewState::zoomChanged);
        QSignalSpy line(&view, &ViewState::lineChanged);
        QSignalSpy reference(&view, &ViewState::referenceChanged);
        QSignalSpy filter(&view, &ViewState::filterChanged);

        for (int i = 0; i < 2; ++i) {
            view.setChannelShown(QStringLiteral("Альфа (A1)"), false);
            view.setChannelColor(QStringLiteral("Альфа (A1)"), Qt::red);
            view.setPosition(10.7); // whole ticks
            view.setZoom(2.0);
            view.setLine(12);
            view.setReference(5);
            view.setFilter(true, kStart, kStart.addSecs(3));
            view.setValueRanges({{QStringLiteral("Альфа (A1)"), 1, 2}});
        }
        for (QSignalSpy* spy : {&shown, &color, &position, &zoom, &line, &reference})
            QCOMPARE(spy->count(), 1);
        QCOMPARE(filter.count(), 2); // time window and value ranges
        QVERIFY(!view.isChannelShown(QStringLiteral("Альфа (A1)")));
        QCOMPARE(view.position(), 10.0);
        QVERIFY(view.isFilterOn());

        view.setZoom(0);                                              // refused
        view.setChannelColor(QStringLiteral("Альфа (A1)"), QColor()); // refused
        QCOMPARE(zoom.count(), 1);
        QCOMPARE(color.count(), 1);

        view.reset(3, 4);
        QVERIFY(view.isChannelShown(QStringLiteral("Альфа (A1)")));
        QVERIFY(!view.hasReference());
        QVERIFY(!view.isFilterOn());
        QCOMPARE(view.channelColor(QStringLiteral("Альфа (A1)")), QColor(Qt::red));
        QCOMPARE(view.line(), qint64(4));
    }

    void channelColumnCode_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("code");
        QTest::newRow("title") << QStringLiteral("Альфа (A1)") << QStringLiteral("A1");
        QTest::newRow("brackets in name")
            << QStringLiteral("U (фаза) (U1)") << QStringLiteral("U1");
        QTest::newRow("bare code") << QStringLiteral("A1") << QStringLiteral("A1");
    }

    void channelColumnCode()
    {
        QFETCH(QString, header);
        QFETCH(QString, code);
        QCOMPARE(ChannelColumnsTable::codeOf(header), code);
    }
};

QTEST_GUILESS_MAIN(TestWorkspace)
#include "test_workspace.moc"
