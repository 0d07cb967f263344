#include "chart/chartprotocol.h"
#include "loadfixture.h"
#include "table/frozencolumnstableview.h"
#include "parameters/chartparametervaluewidget.h"
#include "protocol/loadprotocolprogress.h"
#include "protocol/streamloger.h"
#include "table/protocoltablemodel.h"
#include "table/tickrole.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QWheelEvent>

#include <limits>

namespace {
const QDateTime kFirstStart(QDate(2024, 1, 31), QTime(23, 59, 50));
const QDateTime kSecondStart(QDate(2024, 2, 1), QTime(0, 0, 5));
} // namespace

// Loading protocols into the table and the charts, and working with the
// loaded view: rows, bookmarks, parameters and the table filter.
class TestProtocolView : public QObject
{
    Q_OBJECT

    std::unique_ptr<LoadFixture> fixture;

    FrozenColumnsTableView* table() const
    {
        return fixture->find<FrozenColumnsTableView>("twEntry");
    }
    ProtocolTableModel* model() const { return fixture->window->tableModel(); }
    QVariant cell(int row, int column, int role = Qt::DisplayRole) const
    {
        return model()->index(row, column).data(role);
    }
    bool marked(int row) const { return cell(row, 0).isValid(); }
    ChartProtocol* chart() const { return fixture->find<ChartProtocol>("chart"); }

    // Ten rows from 31/01 23:59:50 with A1 = 5 … 14, B1 and S1; ten rows
    // from 01/02 00:00:05 (15 ticks later) with A1 = 20 … 29 and S1 only.
    void loadTwoFiles()
    {
        const QString first = fixture->writeProtocol("first.log", kFirstStart, 10, 5, {1, 2, 3});
        const QString second = fixture->writeProtocol("second.log", kSecondStart, 10, 20, {1, 3});
        fixture->window->readProtocols({second, first});
    }

    QList<int> visibleRows() const
    {
        QList<int> rows;
        for (int row = 0; row < model()->allRowCount(); ++row)
            if (!model()->isHidden(model()->globalRowAt(row)))
                rows.append(row);
        return rows;
    }

    ChartParameterValueWidget* parameterRow(const QString& title) const
    {
        for (auto* row : fixture->window->findChildren<ChartParameterValueWidget*>())
            if (row->range().name == title)
                return row;
        return nullptr;
    }

    void filterChannel(const QString& title, double from, double to)
    {
        ChartParameterValueWidget* row = parameterRow(title);
        QVERIFY(row);
        row->findChild<QGroupBox*>(QStringLiteral("gbFilter"))->setChecked(true);
        auto* lower = row->findChild<QDoubleSpinBox*>(QStringLiteral("sbFrom"));
        auto* upper = row->findChild<QDoubleSpinBox*>(QStringLiteral("sbTo"));
        // The bounds hold each other in check: open the window first.
        upper->setValue(upper->maximum());
        lower->setValue(from);
        upper->setValue(to);
    }

    void applyFilter() { fixture->find<QPushButton>("buttonFilter")->click(); }

    void clickRow(int row)
    {
        table()->setCurrentIndex(model()->index(row, 1));
        emit table()->clicked(table()->currentIndex());
    }

private slots:
    void init() { fixture = std::make_unique<LoadFixture>(); }
    void cleanup() { fixture.reset(); }

    void filesMergeOntoOneTimeBaseAndEveryChart()
    {
        QSignalSpy parametersBuilt(fixture->window.get(), &MainWindow::initParameters);
        loadTwoFiles();
        QCOMPARE(parametersBuilt.size(), 1);
        // The row order and the columns are the workspace's (test_workspace).
        QCOMPARE(model()->rowCount(), 20);
        // The time column shows its whole text.
        QStyleOptionViewItem option;
        option.initFrom(table());
        option.font = table()->font();
        option.fontMetrics = QFontMetrics(option.font);
        QCOMPARE(option.font.pointSize(), 12);
        QVERIFY(table()->columnWidth(1) >=
                table()->itemDelegate()->sizeHint(option, model()->index(0, 1)).width());

        QCOMPARE(chart()->channelCount(), 5);
        QCOMPARE(chart()->lineValueX(), 500);
        QCOMPARE(fixture->find<QTabWidget>("tabWidget")->currentIndex(), 1);
        // Both records of one title share the union of their ranges and one
        // per-channel chart; the panel lists the title once.
        const Channel* alpha = chart()->channelAt(0);
        QCOMPARE(alpha->name(), QStringLiteral("Альфа (A1)"));
        QCOMPARE(alpha->minimum(), 5.0);
        QCOMPARE(alpha->maximum(), 29.0);
        const auto& singles = fixture->window->singleCharts();
        QCOMPARE(singles.size(), 3);
        QCOMPARE(singles.value(QStringLiteral("Альфа (A1)"))->channelCount(), 2);
        QCOMPARE(fixture->window->findChildren<ChartParameterValueWidget*>().size(), 3);
    }

    void failedReadsBuildNothing()
    {
        loadTwoFiles();
        fixture->window->setupLoger(fixture->dir.path());
        QVERIFY(fixture->window->findChildren<ChartParameterValueWidget*>().isEmpty());

        QSignalSpy parametersBuilt(fixture->window.get(), &MainWindow::initParameters);
        fixture->window->readProtocols({fixture->dir.filePath("missing.log")});
        QCOMPARE(model()->rowCount(), 0);
        QCOMPARE(chart()->channelCount(), 0);
        QVERIFY(fixture->window->singleCharts().isEmpty());
        QCOMPARE(fixture->dialogs->warnings.size(), 1);
        fixture->dialogs->warnings.clear();
        QCOMPARE(parametersBuilt.size(), 0);

        loadTwoFiles();
        const QString first = fixture->writeProtocol("a.log", kFirstStart, 5, 0, {1}, 1000);
        const QString second = fixture->writeProtocol("b.log", kSecondStart, 5, 0, {1}, 500);
        fixture->window->readProtocols({first, second});
        QCOMPARE(fixture->dialogs->warnings,
                 QStringList{QStringLiteral("Внимание!|Отсчет времени в файлах не совпадает")});
        QCOMPARE(model()->rowCount(), 0);
        QCOMPARE(model()->columnCount(), 2);
        QCOMPARE(chart()->channelCount(), 0);
        // The panel goes with the table: no channels of an earlier read stay listed.
        QVERIFY(fixture->window->findChildren<ChartParameterValueWidget*>().isEmpty());
    }

    void filesLeftOutAreListedOnceAfterTheLoad()
    {
        const QString good = fixture->writeProtocol("good.log", kFirstStart, 5, 0, {1});
        const QString empty = fixture->writeProtocol("empty.log", kFirstStart, 0, 0, {1});
        const QString missing = fixture->dir.filePath(QStringLiteral("missing.log"));
        fixture->window->readProtocols({missing, good, empty});
        QCOMPARE(model()->rowCount(), 5);
        // The lines' texts are the workspace's (test_workspace).
        QCOMPARE(fixture->dialogs->warnings.size(), 1);
        const QStringList lines = fixture->dialogs->warnings[0].split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("Внимание!|Не все протоколы загружены:"));
        QVERIFY(lines[1].startsWith(QDir::toNativeSeparators(missing)));
        QVERIFY(lines[2].startsWith(QDir::toNativeSeparators(empty)));
    }

    void rowClickMovesEveryChart()
    {
        loadTwoFiles();
        clickRow(12);
        QCOMPARE(chart()->lineValueX(), 17);
        QCOMPARE(chart()->scaleSettings().position,
                 17 - 0.5 * chart()->scaleSettings().visibleSpan);
        for (ChartProtocol* single : fixture->window->singleCharts())
            QCOMPARE(single->lineValueX(), 17);
        QVERIFY(fixture->find<QPushButton>("buttonBookmarkAddTable")->isEnabled());
        QVERIFY(!fixture->find<QPushButton>("buttonBookmarkDeleteTable")->isEnabled());

        emit table()->doubleClicked(table()->currentIndex());
        QCOMPARE(fixture->find<QTabWidget>("tabWidget")->currentIndex(), 1);
    }

    void tableButtonsMarkAndUnmarkRows()
    {
        loadTwoFiles();
        auto* add = fixture->find<QPushButton>("buttonBookmarkAddTable");
        auto* remove = fixture->find<QPushButton>("buttonBookmarkDeleteTable");

        table()->setCurrentIndex(QModelIndex());
        add->setEnabled(true);
        add->click();
        clickRow(3);
        remove->setEnabled(true);
        remove->click();
        QVERIFY(chart()->bookmarks().isEmpty());

        // Sorted by the marks, placing one moves the row: the bookmark must
        // still be the tick of the row that was current.
        table()->sortByColumn(0, Qt::DescendingOrder);
        clickRow(3);
        const int tick = cell(3, 1, TickRole).toInt();
        add->click();
        QCOMPARE(chart()->bookmarks(), QVector<qint64>{tick});
        QCOMPARE(chart()->currentBookmark(), tick);
        QVERIFY(!add->isEnabled());
        QVERIFY(remove->isEnabled());

        remove->click();
        QVERIFY(chart()->bookmarks().isEmpty());
        QVERIFY(!marked(3));
    }

    void chartBookmarksMirrorIntoTheTable()
    {
        loadTwoFiles();
        auto* addAction = fixture->find<QAction>("actBookmarkAdd");
        auto* deleteAction = fixture->find<QAction>("actBookmarkDelete");

        chart()->setLineValueX(0);
        emit chart()->lineValueXChanged(0);
        QVERIFY(!addAction->isEnabled());
        QVERIFY(!fixture->find<QWidget>("buttonBookmarkAdd")->isEnabled());

        // A tick that no row carries (no mark: test_workspace) is bookmarked.
        chart()->setLineValueX(12);
        addAction->trigger();
        QCOMPARE(chart()->bookmarks(), QVector<qint64>{12});
        QVERIFY(!addAction->isEnabled());

        chart()->setLineValueX(16);
        addAction->trigger();
        QVERIFY(marked(11));
        QVERIFY(fixture->find<QAction>("actBookmarkPrevious")->isEnabled());
        QVERIFY(!fixture->find<QAction>("actBookmarkNext")->isEnabled());

        deleteAction->trigger();
        QVERIFY(!marked(11));
        QCOMPARE(chart()->currentBookmark(), 12);
    }

    void bookmarkActionsFollowEveryChange()
    {
        auto* addAction = fixture->find<QAction>("actBookmarkAdd");
        auto* previous = fixture->find<QAction>("actBookmarkPrevious");
        loadTwoFiles();
        QVERIFY(addAction->isEnabled());
        for (int row : {3, 4}) {
            clickRow(row);
            fixture->find<QPushButton>("buttonBookmarkAddTable")->click();
        }
        QVERIFY(previous->isEnabled() && !addAction->isEnabled());
        clickRow(5);
        QVERIFY(addAction->isEnabled());
        // The keys move the current row without a click: the button deletes
        // a bookmark that is not the current one.
        clickRow(4);
        table()->setCurrentIndex(model()->index(3, 1));
        fixture->find<QPushButton>("buttonBookmarkDeleteTable")->click();
        QCOMPARE(chart()->bookmarks(), QVector<qint64>{4});
        QVERIFY(!fixture->find<QWidget>("buttonBookmarkPrevious")->isEnabled());
        fixture->window->readProtocols({fixture->dir.filePath("missing.log")});
        QVERIFY(!addAction->isEnabled());
    }

    void scrollBarsAndChartsMoveTogether()
    {
        fixture->window->readProtocols(
            {fixture->writeProtocol("long.log", kFirstStart, 3000, 0, {1, 2})});
        auto* bar = fixture->find<QScrollBar>("chartScrollBar");
        auto* bars = fixture->find<QScrollBar>("chartsScrollBar");
        // Every chart's position and both thumbs.
        const auto positions = [&] {
            QVector<int> all{chart()->position(), bar->value(), bars->value()};
            for (ChartProtocol* single : fixture->window->singleCharts())
                all << single->position();
            return all;
        };
        const auto everywhere = [](int position) { return QVector<int>(5, position); };

        QTest::keyClick(bar, Qt::Key_PageDown);
        QCOMPARE(positions(), everywhere(1000));
        QTest::keyClick(bars, Qt::Key_End);
        QCOMPARE(positions(), everywhere(1999));
        bars->triggerAction(QAbstractSlider::SliderPageStepSub); // a click in the trough
        QCOMPARE(positions(), everywhere(999));
        QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &wheel);
        QCOMPARE(positions(), everywhere(1002));

        // The toolbar zoom moves the view around the value line.
        clickRow(1500);
        fixture->find<QAction>("actZoomIn")->trigger();
        QCOMPARE(positions(), everywhere(int(1500 - 500 / 1.1)));

        // Zooming out stops at ten times the loaded span; a refused step moves nothing.
        auto* zoomOut = fixture->find<QAction>("actZoomOut");
        for (int step = 0; step < 200; ++step)
            zoomOut->trigger();
        const double widest = chart()->zoom() * chart()->chartSize();
        QVERIFY(widest <= 10 * 2999 && widest * 1.1 > 10 * 2999);
        const QVector<int> atTheCap = positions();
        zoomOut->trigger();
        QCOMPARE(positions(), atTheCap);

        chart()->setPosition(-1e10);
        fixture->find<QAction>("actLeft")->trigger();
        QCOMPARE(chart()->position(), std::numeric_limits<int>::min());
    }

    void filterHidesRowsOutsideTheRanges()
    {
        loadTwoFiles();
        filterChannel(QStringLiteral("Альфа (A1)"), 10, 20);
        applyFilter();
        QCOMPARE(visibleRows(), QList<int>({5, 6, 7, 8, 9, 10}));
        QCOMPARE(fixture->find<QTabWidget>("tabWidget")->currentIndex(), 0);

        // A second channel must pass too; the February file lacks it.
        filterChannel(QStringLiteral("Бета (B1)"), 10, 10.6);
        applyFilter();
        QCOMPARE(visibleRows(), QList<int>({5, 6}));

        // The time window alone; bounds included.
        for (const char* name : {"Альфа (A1)", "Бета (B1)"})
            parameterRow(QString::fromUtf8(name))
                ->findChild<QGroupBox*>("gbFilter")
                ->setChecked(false);
        fixture->find<QCheckBox>("cbTime")->click();
        fixture->find<QDateTimeEdit>("timeFrom")->setDateTime(kFirstStart.addSecs(2));
        fixture->find<QDateTimeEdit>("timeTo")->setDateTime(kSecondStart.addSecs(1));
        applyFilter();
        QCOMPARE(visibleRows(), QList<int>({2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));

        fixture->find<QCheckBox>("cbTime")->click();
        applyFilter();
        QCOMPARE(visibleRows().size(), 20);
    }

    void parameterRowsReachTheCharts()
    {
        loadTwoFiles();
        fixture->window->show();
        parameterRow(QStringLiteral("Альфа (A1)"))->setColor(QColor(0, 255, 0));
        ChartProtocol* alpha = fixture->window->singleCharts().value(QStringLiteral("Альфа (A1)"));
        for (ChartProtocol* target : {chart(), alpha})
            for (const Channel& channel : target->channels())
                if (channel.name() == QStringLiteral("Альфа (A1)"))
                    QCOMPARE(channel.pen().color(), QColor(0, 255, 0));

        parameterRow(QStringLiteral("Бета (B1)"))->findChild<QCheckBox*>("cbVisible")->click();
        QVERIFY(fixture->window->singleCharts().value(QStringLiteral("Бета (B1)"))->isHidden());
        for (const Channel& channel : chart()->channels()) {
            const bool beta = channel.name() == QStringLiteral("Бета (B1)");
            QCOMPARE(channel.visible(), !beta);
            QCOMPARE(channel.showScale(), !beta);
        }
    }

    void copiedProtocolIsListedSelectedAndLoaded()
    {
        QDir(fixture->dir.path()).mkdir(QStringLiteral("card"));
        fixture->writeProtocol("card/2024_01_31_23_59_50.log", kFirstStart, 10, 5, {1, 2});
        fixture->writeProtocol("other.log", kSecondStart, 10, 5, {1});
        fixture->window->refreshProtocols();
        fixture->dialogs->openFileAnswer =
            fixture->dir.filePath(QStringLiteral("card/2024_01_31_23_59_50.log"));
        fixture->dialogs->questionAnswer = QMessageBox::Yes;
        fixture->find<QAction>("actCopy")->trigger();

        QCOMPARE(fixture->dialogs->questions, QStringList{QStringLiteral("Открыть файл?")});
        const QModelIndexList selected =
            fixture->find<QTableWidget>("twFiles")->selectionModel()->selectedRows(1);
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data(Qt::UserRole).toString(),
                 QStringLiteral("2024_01_31_23_59_50.log"));
        QCOMPARE(model()->rowCount(), 10);
    }

    void cancelledLoadLeavesAnEmptyUsableView()
    {
        loadTwoFiles();
        // Cancel as soon as the reader starts on the file.
        auto cancel = connect(StreamLoger::instance(), &StreamLoger::startLoad, this, [this] {
            if (auto* progress = fixture->window->findChild<LoadProtocolProgress*>())
                progress->findChild<QPushButton*>(QStringLiteral("buttonCancel"))->click();
        });
        fixture->window->readProtocols({fixture->dir.filePath("first.log")});
        disconnect(cancel);
        QCOMPARE(model()->rowCount(), 0);
        QCOMPARE(model()->columnCount(), 2);
        QCOMPARE(chart()->channelCount(), 0);
        clickRow(0);
        fixture->find<QPushButton>("buttonBookmarkAddTable")->click();
        QVERIFY(chart()->bookmarks().isEmpty());

        loadTwoFiles();
        QCOMPARE(model()->rowCount(), 20);
        clickRow(12);
        QCOMPARE(chart()->lineValueX(), 17);
    }

    // The progress window closed by its title bar: the read stops, and while
    // it unwinds nothing else may start, least of all a second read that
    // would free the data the first one hands to the charts.
    void closingTheProgressWindowCancelsTheReadAndStartsNothingElse()
    {
        loadTwoFiles();
        fixture->window->refreshProtocols();
        auto* files = fixture->find<QTableWidget>("twFiles");
        QCOMPARE(files->rowCount(), 2);
        files->setCurrentCell(0, 0);
        files->selectAll();
        QVERIFY(fixture->find<QAction>("actLoad")->isEnabled());
        fixture->writeProtocol("third.log", kSecondStart, 5, 1, {1});
        bool monitorOpened = false;
        fixture->window->deviceEnvironment().monitorPath = fixture->dir.filePath("first.log");
        fixture->window->deviceEnvironment().openMonitor = [&](const QString&) {
            monitorOpened = true;
        };
        fixture->window->deviceEnvironment().serialPorts = [] { return QStringList(); };
        fixture->dialogs->openFileAnswer = fixture->dir.filePath("second.log");

        int reads = 0;
        bool tried = false;
        auto closeAndTry = connect(
            StreamLoger::instance(), &StreamLoger::startLoad, this, [&](int, const QString& phase) {
                // The filling phase of a file announces itself too.
                if (!phase.startsWith(QStringLiteral("Загрузка протокола")) || ++reads > 1 || tried)
                    return;
                tried = true;
                auto* progress = fixture->window->findChild<LoadProtocolProgress*>();
                QVERIFY(progress && progress->isVisible());
                // As the title bar's button sends it: to the window, which then
                // asks the widget.
                QCloseEvent close;
                QCoreApplication::sendEvent(progress->windowHandle(), &close);
                QVERIFY(!progress->isVisible());
                QVERIFY(fixture->window->isReading());
                for (const char* name : {"actLoad", "actRefresh", "actInitLoger", "actSave",
                                         "actPDF", "actFLASH", "actCopy", "actLogger"}) {
                    QVERIFY2(!fixture->find<QAction>(name)->isEnabled(), name);
                    // Straight to the slot, as a shortcut or a queued drop would go.
                    QMetaObject::invokeMethod(fixture->window.get(),
                                              QByteArray("on_").append(name).append("_triggered"));
                }
                QVERIFY(!fixture->find<QPushButton>("btRead")->isEnabled());
                fixture->window->readProtocols({fixture->dir.filePath("first.log")});
                fixture->window->refreshProtocols();
                fixture->window->setupLoger(fixture->dir.path());
            });
        fixture->window->readProtocols({fixture->dir.filePath("first.log")});
        disconnect(closeAndTry);

        QVERIFY(tried);
        QCOMPARE(reads, 1);
        QCOMPARE(files->rowCount(), 2); // not refreshed: third.log is not listed
        QVERIFY(!monitorOpened);
        QVERIFY(fixture->dialogs->questions.isEmpty());
        QVERIFY(fixture->dialogs->informations.isEmpty());
        QVERIFY(fixture->dialogs->warnings.isEmpty());
        QCOMPARE(fixture->dialogs->savesAsked, 0);
        // Cancelled: an empty view, and every action back as it was.
        QVERIFY(!fixture->window->isReading());
        QCOMPARE(model()->rowCount(), 0);
        QCOMPARE(chart()->channelCount(), 0);
        for (const char* name : {"actLoad", "actRefresh", "actInitLoger", "actFLASH", "actCopy"})
            QVERIFY2(fixture->find<QAction>(name)->isEnabled(), name);

        loadTwoFiles();
        QCOMPARE(model()->rowCount(), 20);
    }
};

QTEST_MAIN(TestProtocolView)
#include "test_protocolview.moc"
