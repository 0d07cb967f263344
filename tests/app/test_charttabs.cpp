#include "chart/chartprotocol.h"
#include "loadfixture.h"
#include "table/frozencolumnstableview.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

// The common chart and the per-channel charts on a real screen: they move,
// zoom and place their value line together.
class TestChartTabs : public QObject
{
    Q_OBJECT

    std::unique_ptr<LoadFixture> fixture;

    ChartProtocol* chart() const { return fixture->find<ChartProtocol>("chart"); }
    QList<ChartProtocol*> singles() const { return fixture->window->singleCharts().values(); }

    void sendMouse(QWidget* target, QEvent::Type type, const QPoint& at, Qt::MouseButtons held)
    {
        QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    // Pixel column of a tick in a painted protocol chart.
    int pixelOf(ChartProtocol* target, int tick) const
    {
        const ScaleSettings& view = target->scaleSettings();
        const double left = target->scalesWidth();
        return int(left + (tick - view.position) * (target->width() - left) / view.visibleSpan);
    }

private slots:
    void init()
    {
        fixture = std::make_unique<LoadFixture>();
        const QString path = fixture->writeProtocol(
            "one.log", QDateTime(QDate(2024, 5, 6), QTime(10, 0)), 3000, 0, {1, 2});
        fixture->window->resize(1400, 900);
        fixture->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(fixture->window.get()));
        fixture->window->readProtocols({path});
        QCOMPARE(singles().size(), 2);
    }
    void cleanup() { fixture.reset(); }

    void wheelOnTheCommonChartMovesEveryChartAndBothScrollBars()
    {
        const int before = chart()->position();
        const QPointF centre(chart()->width() / 2, chart()->height() / 2);
        QWheelEvent wheel(centre, chart()->mapToGlobal(centre.toPoint()), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart(), &wheel);
        QCOMPARE(chart()->position(), before + 12);
        for (ChartProtocol* single : singles())
            QCOMPARE(single->position(), before + 12);
        QCOMPARE(fixture->find<QScrollBar>("chartScrollBar")->value(), before + 12);
        QCOMPARE(fixture->find<QScrollBar>("chartsScrollBar")->value(), before + 12);
    }

    void draggingTheValueLineInOneChartMovesAllOfThem()
    {
        fixture->find<QTabWidget>("tabWidget")->setCurrentIndex(2);
        ChartProtocol* second = singles().at(1);
        QTest::qWait(50);
        QVERIFY(second->isVisible());
        const int line = second->lineValueX();
        const int y = second->height() / 2;
        const int x = pixelOf(second, line - 3);
        sendMouse(second, QEvent::MouseButtonPress, QPoint(x, y), Qt::LeftButton);
        sendMouse(second, QEvent::MouseMove, QPoint(x + 100, y), Qt::LeftButton);
        sendMouse(second, QEvent::MouseButtonRelease, QPoint(x + 100, y), Qt::NoButton);
        const int moved = second->lineValueX();
        QVERIFY(moved > line + 50);
        QCOMPARE(chart()->lineValueX(), moved);
        QCOMPARE(singles().at(0)->lineValueX(), moved);

        // A press well away from the line does not grip it.
        const int far = pixelOf(second, moved + 10);
        sendMouse(second, QEvent::MouseButtonPress, QPoint(far, y), Qt::LeftButton);
        sendMouse(second, QEvent::MouseMove, QPoint(far + 100, y), Qt::LeftButton);
        sendMouse(second, QEvent::MouseButtonRelease, QPoint(far + 100, y), Qt::NoButton);
        QCOMPARE(second->lineValueX(), moved);
    }

    void zoomAndMoveButtonsActOnEveryChart()
    {
        auto* pageBefore = fixture->find<QScrollBar>("chartScrollBar");
        const int stepBefore = pageBefore->pageStep();
        fixture->find<QWidget>("buttonZoomIn")->setEnabled(true);
        QTest::mouseClick(fixture->find<QWidget>("buttonZoomIn"), Qt::LeftButton);
        QCOMPARE(chart()->zoom(), 1.0 / 1.1);
        for (ChartProtocol* single : singles())
            QCOMPARE(single->zoom(), 1.0 / 1.1);
        QVERIFY(pageBefore->pageStep() < stepBefore);
        // The range ends one visible span before the last tick, the span not rounded first.
        QCOMPARE(pageBefore->maximum(),
                 int(fixture->window->lastTick() - chart()->scaleSettings().visibleSpan));
        QCOMPARE(fixture->find<QScrollBar>("chartsScrollBar")->pageStep(), pageBefore->pageStep());

        QTest::mouseClick(fixture->find<QWidget>("buttonZoomOrigin"), Qt::LeftButton);
        QCOMPARE(chart()->zoom(), 1.0);
        for (ChartProtocol* single : singles())
            QCOMPARE(single->zoom(), 1.0);

        const int start = chart()->position();
        QTest::mouseClick(fixture->find<QWidget>("buttonLeft"), Qt::LeftButton);
        QCOMPARE(chart()->position(), start - 10);
        for (ChartProtocol* single : singles())
            QCOMPARE(single->position(), start - 10);
        QTest::mouseClick(fixture->find<QWidget>("buttonZeroPoint"), Qt::LeftButton);
        QCOMPARE(chart()->position(), fixture->window->firstTick());
    }

    void gridLegendAndColoursReachEveryChart()
    {
        fixture->dialogs->colorAnswer = QColor(10, 200, 30);
        QTest::mouseClick(fixture->find<QWidget>("buttonGridColor"), Qt::LeftButton);
        QCOMPARE(chart()->gridColor(), QColor(10, 200, 30));
        for (ChartProtocol* single : singles())
            QCOMPARE(single->gridColor(), QColor(10, 200, 30));
        QVERIFY(fixture->find<QWidget>("buttonGridColor")->styleSheet().contains("#0ac81e"));

        fixture->dialogs->colorAnswer = QColor();
        QTest::mouseClick(fixture->find<QWidget>("buttonTopColor"), Qt::LeftButton);
        QCOMPARE(chart()->topBackgroundColor(), QColor(0, 0, 150));

        QTest::mouseClick(fixture->find<QWidget>("buttonGrid"), Qt::LeftButton);
        QTest::mouseClick(fixture->find<QWidget>("buttonLegend"), Qt::LeftButton);
        QVERIFY(!chart()->showGrid() && !chart()->showLegend());
        for (ChartProtocol* single : singles())
            QVERIFY(!single->showGrid() && !single->showLegend());
    }

    void tableBookmarkShowsAsAWhiteLine()
    {
        auto* table = fixture->find<FrozenColumnsTableView>("twEntry");
        table->setCurrentIndex(table->model()->index(40, 1));
        emit table->clicked(table->currentIndex());
        fixture->find<QPushButton>("buttonBookmarkAddTable")->click();
        QVERIFY(table->model()->index(40, 0).data().isValid());
        QCOMPARE(chart()->bookmarks(), QVector<qint64>{40});

        // Move the red value line away so that only the bookmark stands there.
        fixture->find<QTabWidget>("tabWidget")->setCurrentIndex(1);
        chart()->setLineValueX(200);
        QTest::qWait(100);
        const QImage picture = chart()->grab().toImage();
        const int x = pixelOf(chart(), 40);
        int white = 0;
        for (int y = 0; y < picture.height(); y += 10)
            for (int dx = -1; dx <= 1; ++dx)
                if (picture.pixelColor(x + dx, y) == QColor(Qt::white)) {
                    ++white;
                    break;
                }
        QVERIFY2(white > picture.height() / 20, qPrintable(QString::number(white)));
    }

    void reloadingAndClosingNeverPaintsFreedData()
    {
        fixture->find<QTabWidget>("tabWidget")->setCurrentIndex(2);
        QTest::qWait(50);
        const QString path = fixture->dir.filePath(QStringLiteral("one.log"));
        fixture->window->readProtocols({path});
        QTest::qWait(50);
        fixture->window->setupLoger(fixture->dir.path());
        QTest::qWait(50);
        fixture->window->readProtocols({path});
        QTest::qWait(50);
        fixture.reset();
    }

    void onlyTheLowestShownChartCarriesTheTimeAxis()
    {
        auto* splitter = fixture->find<QSplitter>("splitterCharts");
        const auto carriers = [&] {
            QList<int> found;
            for (int i = 0; i < splitter->count(); ++i)
                if (qobject_cast<ChartProtocol*>(splitter->widget(i))->showScale())
                    found << i;
            return found;
        };
        QCOMPARE(carriers(), QList<int>{1});
        auto* lowest = qobject_cast<ChartProtocol*>(splitter->widget(1));
        auto* upper = qobject_cast<ChartProtocol*>(splitter->widget(0));
        // The charts without the band may be lower by its height.
        QVERIFY(upper->minimumHeight() < lowest->minimumHeight());

        // Hidden from the common chart's menu, the lowest hands the axis up.
        const QString name = lowest->channels().first().name();
        emit chart()->channelShownChanged(name, false);
        QVERIFY(lowest->isHidden());
        QCOMPARE(carriers(), QList<int>{0});
        emit chart()->channelShownChanged(name, true);
        QCOMPARE(carriers(), QList<int>{1});
        QVERIFY(!upper->showScale());
    }

    void everyChartOfManyChannelsIsReachableAndLinedUp()
    {
        // 140 channels, one with a wide value column. Beyond some 130
        // charts the tab used to show nothing at all.
        constexpr int count = 140;
        QStringList values;
        for (int id = 1; id <= count; ++id)
            values.append(
                QStringLiteral(R"({"CODE": "K%1%2", "ID": %1, "NAME": "Канал", "RATE": 0})")
                    .arg(id)
                    .arg(id == count ? "_WITH_A_LONG_CODE" : ""));
        QVERIFY(protocolfiles::writeDefinition(
            fixture->dir.path(),
            QStringLiteral(R"({"ROOT": "", "CONTENT": [{"GROUP": "g", "VALUES": [%1]}]})")
                .arg(values.join(QLatin1Char(',')))
                .toUtf8()));
        fixture->window->setupLoger(fixture->dir.path());
        QVector<LogRecord> records;
        for (quint32 tick = 0; tick < 20; ++tick)
            for (int id = 1; id <= count; ++id)
                records.append(protocolfiles::rec(quint8(id), tick, qint32(tick)));
        const QString path = fixture->dir.filePath(QStringLiteral("many.log"));
        QVERIFY(protocolfiles::write(
            path,
            protocolfiles::bytes(
                protocolfiles::header(QDateTime(QDate(2024, 5, 6), QTime(10, 0)), 1000), records)));
        fixture->window->readProtocols({path});
        QCOMPARE(singles().size(), count);

        fixture->find<QTabWidget>("tabWidget")->setCurrentIndex(2);
        auto* splitter = fixture->find<QSplitter>("splitterCharts");
        auto* first = qobject_cast<ChartProtocol*>(splitter->widget(0));
        // The charts stand in the order of the codes: "K1", "K10", "K100", ...
        auto* last = qobject_cast<ChartProtocol*>(splitter->widget(count - 1));
        ChartProtocol* wideChart =
            fixture->window->singleCharts().value(QStringLiteral("Канал (K140_WITH_A_LONG_CODE)"));
        QVERIFY(first && last && wideChart);
        QTRY_VERIFY(first->isPaintOver());
        QVERIFY(splitter->height() >= count * first->minimumHeight());
        QVERIFY(!last->isPaintOver());
        QVERIFY(!wideChart->isPaintOver());
        const double narrow = first->scalesWidth();

        // The last chart can be scrolled to.
        auto* area = fixture->find<QScrollArea>("scrollCharts");
        area->ensureWidgetVisible(last);
        QTRY_VERIFY(last->isPaintOver());

        // Scrolled into view, the wide chart paints, and its wider column
        // widens every chart's value column to its own.
        area->ensureWidgetVisible(wideChart);
        QTRY_VERIFY(wideChart->isPaintOver());
        const double wide = wideChart->scalesWidth();
        QVERIFY2(wide > narrow, qPrintable(QStringLiteral("%1 %2").arg(wide).arg(narrow)));
        const int at = splitter->indexOf(wideChart);
        auto* neighbour = qobject_cast<ChartProtocol*>(splitter->widget(at + 1));
        QTRY_COMPARE(neighbour->scalesWidth(), wide);
        fixture->find<QScrollArea>("scrollCharts")->ensureWidgetVisible(first);
        QTRY_COMPARE(first->scalesWidth(), wide);
    }
};

QTEST_MAIN(TestChartTabs)
#include "test_charttabs.moc"
