#include "chart/chartprotocol.h"
#include "loadfixture.h"
#include "statistics/statisticspanel.h"
#include "table/bookmarkfile.h"
#include "table/protocoltablemodel.h"
#include "tests/reports/readback.h"
#include "tests/reports/xlsxreader.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QDockWidget>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QDateTime kStart(QDate(2024, 3, 5), QTime(10, 0));

// Also answers the file and text questions of the report and note actions.
class CursorDialogs : public RecordingDialogs
{
public:
    QString saveAnswer;
    QStringList texts;

    QString getSaveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return saveAnswer;
    }
    bool getText(QWidget*, const QString&, const QString&, QString& text) override
    {
        if (texts.isEmpty())
            return false;
        text = texts.takeFirst();
        return true;
    }
};

class FakeClipboard : public Clipboard
{
public:
    explicit FakeClipboard(QString* text) : m_text(text) {}
    void setText(const QString& text) override { *m_text = text; }

private:
    QString* m_text;
};
} // namespace

// The reference cursor with the statistics dock, bookmark files and notes,
// and reports limited to the stretch between the cursors.
class TestCursorWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<LoadFixture> fixture;
    CursorDialogs* dialogs = nullptr;
    QString clipboardText;
    QString protocol;

    ChartProtocol* chart() const { return fixture->find<ChartProtocol>("chart"); }
    QTableWidget* statistics() const { return fixture->find<QTableWidget>("twStatistics"); }

    // What a user's drag or Shift+double click reports.
    void placeCursors(int reference, int line)
    {
        chart()->setReferenceX(reference);
        emit chart()->referenceXChanged(reference);
        chart()->setLineValueX(line);
        emit chart()->lineValueXChanged(line);
    }

    QStringList statisticsRow(int row) const
    {
        QStringList texts;
        for (int column = 0; column < statistics()->columnCount(); ++column)
            texts.append(statistics()->item(row, column)->text());
        return texts;
    }

private slots:
    void init()
    {
        fixture = std::make_unique<LoadFixture>();
        auto answers = std::make_unique<CursorDialogs>();
        dialogs = answers.get();
        fixture->window->setDialogs(std::move(answers));
        fixture->window->setClipboard(std::make_unique<FakeClipboard>(&clipboardText));
        // A1 = 5 + tick, B1 = (100 + tick) / 10, S1 = the tick's parity, ticks 0 … 9 of 1 s.
        protocol = fixture->writeProtocol("a.log", kStart, 10, 5, {1, 2, 3});
        fixture->window->readProtocols({protocol});
    }

    void cleanup() { fixture.reset(); }

    void statisticsFollowTheCursorsOnEveryChart()
    {
        auto* dock = fixture->find<QDockWidget>("statisticsDock");
        QVERIFY(dock && !dock->isVisible());
        fixture->window->show();
        fixture->find<QAction>("actStatistics")->trigger();
        QVERIFY(dock->isVisible());

        placeCursors(6, 2);
        for (ChartProtocol* single : fixture->window->singleCharts())
            QVERIFY(single->hasReference() && single->referenceX() == 6);
        QCOMPARE(statistics()->rowCount(), 3);
        QCOMPARE(statisticsRow(0), (QStringList{"Альфа (A1)", "11", "7", "-4", "7", "11", "9",
                                                "9.110433579", "", "5"}));
        QCOMPARE(statisticsRow(2),
                 (QStringList{"Режим (S1)", "Стоп", "Стоп", "", "", "", "", "", "4", "5"}));
        // The value line stands before the reference: the header still reads forwards.
        QCOMPARE(fixture->window->findChild<StatisticsPanel*>()->summaryText(),
                 QStringLiteral("05/03/2024 10:00:02.000 — 05/03/2024 10:00:06.000\n"
                                "Δt = 00:00:04.000"));

        // Moving the value line on a per-channel chart updates the figures.
        ChartProtocol* single = fixture->window->singleCharts().first();
        single->setLineValueX(8);
        emit single->lineValueXChanged(8);
        QCOMPARE(statistics()->item(0, 2)->text(), QStringLiteral("13"));

        fixture->find<QPushButton>("buttonStatisticsCopy")->click();
        const QStringList lines = clipboardText.split(QLatin1Char('\n'));
        QCOMPARE(lines.value(2), QStringLiteral("Δt\t00:00:02.000"));
        QCOMPARE(lines.value(5),
                 QStringLiteral("Альфа (A1)\t11\t13\t2\t11\t13\t12\t12.0277457\t\t3"));

        // Between the bookmarks around the value line instead.
        chart()->addBookmark(1);
        chart()->addBookmark(4);
        chart()->setLineValueX(3);
        emit chart()->lineValueXChanged(3);
        fixture->window->findChild<QCheckBox*>("cbStatisticsBookmarks")->setChecked(true);
        QCOMPARE(statisticsRow(0).mid(1, 3), (QStringList{"6", "9", "3"}));

        // Removing the reference from one chart removes it from all.
        chart()->findChild<QAction*>("actReferenceClear")->trigger();
        for (ChartProtocol* c : fixture->window->singleCharts())
            QVERIFY(!c->hasReference());
    }

    void bookmarksAndNotesAreKeptWithTheProtocol()
    {
        const QString path = BookmarkFile::pathFor(protocol);
        chart()->addBookmark(3);
        QVERIFY(QFile::exists(path));
        dialogs->texts = QStringList{QStringLiteral("Пуск насоса")};
        emit chart()->bookmarkNoteRequested(3);
        QCOMPARE(BookmarkFile::read(path, {kStart, 1000}).bookmarks,
                 (QVector<Bookmark>{
                     {kStart.addSecs(3).toMSecsSinceEpoch(), QStringLiteral("Пуск насоса")}}));

        // Read back with the protocol (the table's marks: test_workspace).
        fixture->window->readProtocols({protocol});
        QCOMPARE(chart()->bookmarks(), QVector<qint64>{3});
        // The keys and buttons work at once, from the value line.
        placeCursors(0, 1);
        chart()->clearReference();
        QVERIFY(fixture->find<QAction>("actBookmarkNext")->isEnabled());
        QVERIFY(fixture->find<QAbstractButton>("buttonBookmarkNext")->isEnabled());
        QVERIFY(!fixture->find<QAction>("actBookmarkPrevious")->isEnabled());
        QVERIFY(fixture->find<QAction>("actBookmark")->isEnabled());
        fixture->find<QAction>("actBookmarkNext")->trigger(); // F2
        QCOMPARE(chart()->lineValueX(), 3);
        QCOMPARE(chart()->currentBookmark(), 3);
        QVERIFY(QFile::exists(path));

        // A file that is not this protocol's is named in the status bar and
        // the protocol loads all the same.
        QVERIFY(BookmarkFile::write(path, {kStart.addSecs(1), 1000}, {{0, QString()}}));
        fixture->window->readProtocols({protocol});
        QCOMPARE(fixture->window->tableRowCount(), 10);
        QVERIFY(chart()->bookmarks().isEmpty());
        const QString message = fixture->window->statusBar()->currentMessage();
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QVERIFY(message.contains(QStringLiteral("другому протоколу")));
    }

    // A state channel of RATE 1: the dock names the state that the table
    // shows for the same raw value.
    void statisticsNameTheStateTheTableShows()
    {
        protocolfiles::writeDefinition(fixture->dir.path(),
                                       R"({"ROOT": "", "CONTENT": [{"GROUP": "g",
            "VALUES": [{"CODE": "S1", "ID": 3, "NAME": "Режим", "RATE": 1,
                        "REFS": [{"VALUE": 0, "STRING": "Стоп"}, {"VALUE": 1, "STRING": "Пуск"}]}
            ]}]})");
        fixture->window->setupLoger(fixture->dir.path());
        fixture->window->readProtocols({fixture->writeProtocol("s.log", kStart, 10, 0, {3})});
        fixture->window->show();
        fixture->find<QAction>("actStatistics")->trigger();
        placeCursors(1, 2);
        QCOMPARE(statisticsRow(0).mid(0, 3), (QStringList{"Режим (S1)", "Пуск", "Стоп"}));
        ProtocolTableModel* table = fixture->window->tableModel();
        const int row = table->rowOfGlobal(table->firstRowOfTick(1));
        QCOMPARE(table->data(table->index(row, 2)).toString(), QStringLiteral("Пуск"));
    }

    // "Удалить закладку" and a note can be taken back with "Отменить"
    // (Ctrl+Z, also in the chart's menu); the table's marks and the file are
    // the workspace's (test_workspace).
    void bookmarkChangesCanBeUndone()
    {
        auto* undo = fixture->window->findChild<QAction*>(QStringLiteral("actBookmarkUndo"));
        QVERIFY(undo);
        QCOMPARE(undo->text(), QStringLiteral("Отменить"));
        QCOMPARE(undo->shortcut(), QKeySequence(Qt::CTRL + Qt::Key_Z));
        QVERIFY(chart()->actions().contains(undo));
        QVERIFY(!undo->isEnabled());

        chart()->addBookmark(3);
        dialogs->texts = QStringList{QStringLiteral("Пуск насоса")};
        emit chart()->bookmarkNoteRequested(3);
        chart()->setCurrentBookmark(3);
        fixture->find<QAction>("actBookmarkDelete")->trigger();
        QVERIFY(chart()->bookmarks().isEmpty());
        QVERIFY(undo->isEnabled());
        undo->trigger();
        QCOMPARE(chart()->bookmarks(), QVector<qint64>{3});
        undo->trigger(); // the note, then the bookmark itself
        undo->trigger();
        QVERIFY(chart()->bookmarks().isEmpty());
        QVERIFY(!undo->isEnabled());
    }

    void workbookMayHoldOnlyTheRowsBetweenTheCursors()
    {
        chart()->addBookmark(4);
        dialogs->saveAnswer = fixture->dir.filePath(QStringLiteral("range.xlsx"));
        dialogs->questionAnswer = QMessageBox::Yes;
        placeCursors(6, 2);
        fixture->find<QAction>("actSave")->trigger();
        QCOMPARE(dialogs->questions.size(), 1);

        const XlsxContent book = readXlsx(dialogs->saveAnswer);
        QVERIFY(book.ok);
        // Ticks 2 … 6: A1 = 7 … 11 in rows 4 … 8.
        QCOMPARE(book.cells.value(QStringLiteral("B4")).text, QStringLiteral("7"));
        QCOMPARE(book.cells.value(QStringLiteral("B8")).text, QStringLiteral("11"));
        QVERIFY(!book.cells.contains(QStringLiteral("B9")));
        const XlsxContent marks = readXlsx(dialogs->saveAnswer, 2);
        QVERIFY(marks.cells.contains(QStringLiteral("A2")));

        // "Отмена" saves nothing and asks for no file.
        dialogs->saveAnswer = fixture->dir.filePath(QStringLiteral("cancelled.xlsx"));
        dialogs->questionAnswer = QMessageBox::Cancel;
        fixture->find<QAction>("actSave")->trigger();
        QCOMPARE(dialogs->questions.size(), 2);
        QVERIFY(!QFile::exists(dialogs->saveAnswer));
        dialogs->questions.removeLast();
        dialogs->questionAnswer = QMessageBox::Yes;

        // Without a reference nothing is asked.
        chart()->findChild<QAction*>("actReferenceClear")->trigger();
        fixture->find<QAction>("actSave")->trigger();
        QCOMPARE(dialogs->questions.size(), 1);

        // Ticks of 2 s and a second file 1 s later: its record of the last
        // tick lies a second after that tick's start and belongs in the range.
        fixture->window->readProtocols(
            {fixture->writeProtocol("c.log", kStart, 10, 5, {1}, 2000),
             fixture->writeProtocol("d.log", kStart.addSecs(1), 10, 50, {1}, 2000)});
        dialogs->saveAnswer = fixture->dir.filePath(QStringLiteral("offset.xlsx"));
        placeCursors(6, 2);
        fixture->find<QAction>("actSave")->trigger();
        QCOMPARE(dialogs->questions.size(), 2);
        const XlsxContent offset = readXlsx(dialogs->saveAnswer);
        QVERIFY(offset.ok);
        // 4 s … 13 s: c's ticks 2 … 6 (7 … 11) and d's (52 … 56) in turn.
        QStringList values;
        for (int row = 4; offset.cells.contains(QStringLiteral("B%1").arg(row)); ++row)
            values.append(offset.cells.value(QStringLiteral("B%1").arg(row)).text);
        QCOMPARE(values, (QStringList{"7", "52", "8", "53", "9", "54", "10", "55", "11", "56"}));
    }
};

QTEST_MAIN(TestCursorWindow)
#include "test_cursorwindow.moc"
