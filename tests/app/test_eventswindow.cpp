#include "app/eventscontroller.h"
#include "app/eventsdialog.h"
#include "app/eventsdock.h"
#include "chart/chartprotocol.h"
#include "events/eventtablemodel.h"
#include "loadfixture.h"
#include "tests/reports/xlsxreader.h"
#include "workspace/workspaceevents.h"

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QTableView>
#include <QTest>

namespace {
const QDateTime kStart(QDate(2024, 6, 1), QTime(12, 0));

// A1 counts up from its first value, S1 alternates: with the gap between
// the two protocols the events fall on both sides of it.
const char* const kDefinitions = R"({"version": 1, "events": [
    {"name": "Пуск", "condition": "S1 == 1 && A1 > 6", "minMs": 0, "joinMs": 0},
    {"name": "Высокое", "condition": "A1 >= 30", "minMs": 2000, "joinMs": 0, "color": "#80b0ff"}
]})";
} // namespace

// The events in the window: the dock against the batch's list, and the
// hand-over of a click, F3 and the bookmarks to the charts and the store.
class TestEventsWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<LoadFixture> fixture;
    QStringList files;

    EventsDock* dock() const { return fixture->find<EventsDock>("eventsDock"); }
    Workspace& workspace() const { return fixture->window->workspace(); }

private slots:
    void init()
    {
        fixture = std::make_unique<LoadFixture>();
        QFile definitions(fixture->dir.filePath(QStringLiteral("events.def")));
        QVERIFY(definitions.open(QIODevice::WriteOnly));
        definitions.write(kDefinitions);
        definitions.close();
        fixture->setupLogerAgain();
        files = QStringList{fixture->writeProtocol("a.log", kStart, 20, 5, {1, 2, 3}),
                            fixture->writeProtocol("b.log", kStart.addSecs(25), 15, 28, {1, 3})};
        fixture->window->readProtocols(files);
        QVERIFY2(workspace().events().list().size() > 3,
                 qPrintable(QStringLiteral("%1 definitions, %2 events: %3")
                                .arg(workspace().events().definitions().size())
                                .arg(workspace().events().list().size())
                                .arg(workspace().events().problem())));
    }
    void cleanup() { fixture.reset(); }

    void batchCsvListsWhatTheDockShows()
    {
        const QString csv = fixture->dir.filePath(QStringLiteral("events.csv"));
        QProcess process;
        const QString xlsx = fixture->dir.filePath(QStringLiteral("events.xlsx"));
        QStringList arguments{QStringLiteral("-d"),       fixture->dir.path(),
                              QStringLiteral("--events"), csv,
                              QStringLiteral("--xlsx"),   xlsx};
        for (const QString& file : files)
            arguments << QStringLiteral("-l") << file;
        process.start(qEnvironmentVariable("VOLTREK_APP"), arguments);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QFile written(csv);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(written.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

        const EventTableModel* model = dock()->model();
        QStringList shown;
        QStringList header;
        for (int column = 0; column < model->columnCount(); ++column)
            header.append(model->headerData(column, Qt::Horizontal).toString());
        shown.append(header.join(QLatin1Char(',')));
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < model->columnCount(); ++column)
                cells.append(model->index(row, column).data().toString());
            shown.append(cells.join(QLatin1Char(',')));
        }
        QCOMPARE(lines, shown);
        QVERIFY(shown.join(QLatin1Char('\n')).contains(QStringLiteral("до конца протокола")));
        // The workbook's third sheet, after the table and the bookmarks.
        QVERIFY(QString::fromUtf8(xlsxPart(xlsx, QStringLiteral("xl/workbook.xml")))
                    .contains(QStringLiteral("name=\"События\"")));
        const XlsxContent sheet = readXlsx(xlsx, 3);
        QVERIFY(sheet.ok);
        QCOMPARE(sheet.cells.value(QStringLiteral("A1")).text, QStringLiteral("Событие"));
        QCOMPARE(sheet.lastRow, model->rowCount() + 1);
    }

    void clickFillsTheMiddleHalfOfEveryChart()
    {
        const std::vector<Event>& events = workspace().events().list().events;
        // The longest: the charts show a span of two events' length.
        const int longest = int(
            std::max_element(events.begin(), events.end(),
                             [](const Event& a, const Event& b) { return a.ticks() < b.ticks(); }) -
            events.begin());
        const Event event = events[size_t(longest)];
        QTableView* view = dock()->view();
        view->sortByColumn(0, Qt::AscendingOrder); // by definition: the rows move
        int row = 0;
        while (view->model()->index(row, 0).data(EventTableModel::EventRole).toInt() != longest)
            ++row;
        view->show();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(row, 1)).center());
        QCOMPARE(workspace().view().line(), event.start);
        for (ChartProtocol* chart : fixture->window->findChildren<ChartProtocol*>()) {
            const ScaleSettings& s = chart->scaleSettings();
            QVERIFY2(std::abs(s.visibleSpan - 2.0 * event.ticks()) < 1.0,
                     qPrintable(QString::number(s.visibleSpan)));
            QVERIFY(std::abs(s.position - (event.start - event.ticks() / 2.0)) <= 1.0);
        }
    }

    void f3StepsFromEventToEvent()
    {
        const std::vector<Event>& events = workspace().events().list().events;
        QAction* next = fixture->find<QAction>("actNextEvent");
        QAction* previous = fixture->find<QAction>("actPreviousEvent");
        QCOMPARE(next->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(previous->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F3));
        workspace().view().setLine(events.front().start - 1);
        next->trigger();
        QCOMPARE(workspace().view().line(), events[0].start);
        next->trigger();
        QCOMPARE(workspace().view().line(), events[1].start);
        previous->trigger();
        QCOMPARE(workspace().view().line(), events[0].start);
    }

    void bookmarksFromEventsTakeOneUndo()
    {
        const std::vector<Event>& events = workspace().events().list().events;
        fixture->find<QAction>("actEventBookmarks")->trigger();
        QCOMPARE(workspace().bookmarkTicks().size(), int(events.size()));
        QCOMPARE(workspace().bookmarkNote(events[0].start), QStringLiteral("Пуск, 00:00:01.000"));
        workspace().undoBookmarks();
        QVERIFY(workspace().bookmarkTicks().isEmpty());
    }

    void dialogShowsTheConditionsFault()
    {
        EventDefinition bad;
        bad.name = QStringLiteral("x");
        bad.condition = QStringLiteral("A1 > 3 && Q7 < 2");
        EventsDialog dialog({bad}, workspace().formulaCodes());
        QVERIFY(!dialog.canSave());
        QVERIFY2(dialog.problemText().contains(QStringLiteral("неизвестный код «Q7»")),
                 qPrintable(dialog.problemText()));
        dialog.table()->item(0, EventsDialog::ConditionColumn)->setText(QStringLiteral("A1 > 3"));
        QVERIFY(dialog.canSave());
        dialog.table()->item(0, EventsDialog::MinColumn)->setText(QStringLiteral("soon"));
        QVERIFY(!dialog.canSave());
    }
};

QTEST_MAIN(TestEventsWindow)
#include "test_eventswindow.moc"
