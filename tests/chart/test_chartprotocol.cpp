#include "chart/chartprotocol.h"
#include "chart/pairdatacontainer.h"

#include <QAction>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

namespace {
QList<int> intsOf(QSignalSpy& spy)
{
    QList<int> values;
    for (const QList<QVariant>& call : spy)
        values << call.at(0).toInt();
    spy.clear();
    return values;
}

void wheel(ChartProtocol& chart, int delta)
{
    QWheelEvent event(QPointF(100, 100), chart.mapToGlobal(QPoint(100, 100)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&chart, &event);
}

void mouse(ChartProtocol& chart, QEvent::Type type, int x, Qt::MouseButtons buttons,
           Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, QPointF(x, 100), button, buttons, modifiers);
    QApplication::sendEvent(&chart, &event);
}
} // namespace

class TestChartProtocol : public QObject
{
    Q_OBJECT
private slots:
    void bookmarksStaySortedAndCentred();
    void nextAndPreviousAtTheEnds();
    void deletingTheCurrentBookmark();
    void zoomKeepsTheValueLineInPlace_data();
    void zoomKeepsTheValueLineInPlace();
    void zoomOutStopsAtTheWidestSpan();
    void wheelScrollsAndCtrlWheelZooms();
    void mouseMovesTheValueLine();
    void chartVisibleByName();
    void referenceCursorIsPlacedAndDragged();
};

void TestChartProtocol::bookmarksStaySortedAndCentred()
{
    ChartProtocol chart;
    QSignalSpy bookmarks(&chart, &ChartProtocol::bookmarkChanged);
    QSignalSpy lines(&chart, &ChartProtocol::lineValueXChanged);
    chart.addBookmark(100);
    chart.addBookmark(300);
    chart.addBookmark(200);
    QCOMPARE(chart.bookmarks(), (QVector<int>{100, 200, 300}));
    QCOMPARE(chart.currentBookmark(), 200);
    QCOMPARE(intsOf(bookmarks), (QList<int>{100, 300, 200}));
    QCOMPARE(intsOf(lines), (QList<int>{100, 300, 200}));
    // Centred in the default span of 1000.
    QCOMPARE(chart.scaleSettings().position, 200 - 500.0);

    chart.nextBookmark();
    QCOMPARE(chart.currentBookmark(), 300);
    QCOMPARE(chart.scaleSettings().position, 300 - 500.0);
    chart.setPosition(0);
    chart.nextBookmark(); // stays at the last one, centres it again
    QCOMPARE(chart.currentBookmark(), 300);
    QCOMPARE(chart.scaleSettings().position, 300 - 500.0);
    QCOMPARE(intsOf(bookmarks), (QList<int>{300}));
    QCOMPARE(intsOf(lines), (QList<int>{300, 300}));

    // An existing tick is not added twice but still becomes current.
    chart.addBookmark(100);
    QCOMPARE(chart.bookmarks(), (QVector<int>{100, 200, 300}));
    QCOMPARE(chart.currentBookmark(), 100);
    QCOMPARE(chart.lineValueX(), 100);

    chart.setZoom(2);
    chart.goToBookmark();
    QCOMPARE(chart.scaleSettings().position, 100 - 1000.0);
}

void TestChartProtocol::nextAndPreviousAtTheEnds()
{
    ChartProtocol chart;
    QVERIFY(!chart.setCurrentBookmark(5));
    QSignalSpy lines(&chart, &ChartProtocol::lineValueXChanged);
    chart.previousBookmark();
    chart.nextBookmark();
    chart.goToBookmark();
    QCOMPARE(lines.count(), 0);

    chart.setBookmarks({40, 10, 40, 20});
    QCOMPARE(chart.bookmarks(), (QVector<int>{10, 20, 40}));
    chart.previousBookmark(); // no current bookmark: nothing moves
    QCOMPARE(chart.currentBookmark(), -1);
    QCOMPARE(lines.count(), 0);
    chart.nextBookmark(); // no current bookmark: the first
    QCOMPARE(chart.currentBookmark(), 10);
    chart.previousBookmark();
    QCOMPARE(chart.currentBookmark(), 10);
    QCOMPARE(intsOf(lines), (QList<int>{10, 10}));
    // A new list without the current tick has no current bookmark.
    chart.setBookmarks({20, 40});
    QCOMPARE(chart.currentBookmark(), -1);
}

void TestChartProtocol::deletingTheCurrentBookmark()
{
    ChartProtocol chart;
    chart.setBookmarks({100, 200, 300});
    QVERIFY(chart.setCurrentBookmark(200));
    QSignalSpy bookmarks(&chart, &ChartProtocol::bookmarkChanged);
    chart.deleteBookmark(200);
    QCOMPARE(chart.currentBookmark(), 300);
    chart.deleteBookmark(300); // the last one: the one before takes over
    QCOMPARE(chart.currentBookmark(), 100);
    chart.deleteBookmark(55); // not a bookmark
    chart.deleteBookmark(100);
    QCOMPARE(chart.currentBookmark(), -1);
    QCOMPARE(intsOf(bookmarks), (QList<int>{300, 100, -1}));
    QVERIFY(chart.bookmarks().isEmpty());

    // Deleting another than the current one keeps the current one.
    chart.setBookmarks({1, 2, 3});
    chart.setCurrentBookmark(3);
    chart.deleteBookmark(1);
    QCOMPARE(chart.currentBookmark(), 3);
    QCOMPARE(bookmarks.count(), 0);

    chart.clearBookmark();
    QVERIFY(chart.bookmarks().isEmpty());
    QCOMPARE(intsOf(bookmarks), (QList<int>{-1}));
}

void TestChartProtocol::zoomKeepsTheValueLineInPlace_data()
{
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<double>("position");
    QTest::newRow("out") << 2.0 << 2.0 << 500.0;
    QTest::newRow("refused") << 0.005 << 1.0 << 1000.0;
}

void TestChartProtocol::zoomKeepsTheValueLineInPlace()
{
    QFETCH(double, factor);
    QFETCH(double, zoom);
    QFETCH(double, position);
    ChartProtocol chart;
    chart.setPosition(1000.0);
    chart.setLineValueX(1500);
    QSignalSpy zooms(&chart, &ChartProtocol::zoomChanged);
    chart.setZoom(factor);
    QCOMPARE(chart.zoom(), zoom);
    QCOMPARE(chart.scaleSettings().position, position);
    // A refused factor is not passed on to the other charts either.
    QCOMPARE(zooms.count(), zoom == factor ? 1 : 0);
}

void TestChartProtocol::zoomOutStopsAtTheWidestSpan()
{
    ChartProtocol chart;
    chart.setZoom(5.0);
    chart.setMaximumSpan(2000);
    chart.setZoom(6.0);
    QCOMPARE(chart.zoom(), 5.0);
    chart.setZoom(4.0); // back in from beyond the widest span
    QCOMPARE(chart.zoom(), 4.0);
}

void TestChartProtocol::wheelScrollsAndCtrlWheelZooms()
{
    ChartProtocol chart;
    chart.setPosition(100.0);
    wheel(chart, 120);
    QCOMPARE(chart.position(), 112);
    wheel(chart, -15);
    QCOMPARE(chart.position(), 111);

    chart.setLineValueX(111);
    QTest::keyPress(&chart, Qt::Key_Control, Qt::ControlModifier);
    wheel(chart, 120);
    QCOMPARE(chart.zoom(), 1.1);
    wheel(chart, -15);
    QCOMPARE(chart.zoom(), 1.0);
    QCOMPARE(chart.position(), 111);

    QTest::keyPress(&chart, Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);
    wheel(chart, 120);
    QCOMPARE(chart.zoom(), 1.0);
    QCOMPARE(chart.position(), 123);
    QTest::keyRelease(&chart, Qt::Key_Shift, Qt::ControlModifier);
    QTest::keyRelease(&chart, Qt::Key_Control, Qt::NoModifier);
}

void TestChartProtocol::mouseMovesTheValueLine()
{
    ChannelSeries series{{0, 1.0}, {1000, 2.0}};
    ChartProtocol chart;
    chart.resize(700, 300);
    QSignalSpy lines(&chart, &ChartProtocol::lineValueXChanged);
    // No channels, no values: nothing to place.
    mouse(chart, QEvent::MouseButtonDblClick, 300, Qt::LeftButton);
    QCOMPARE(lines.count(), 0);

    chart.addChannel(Channel(0, 10, new ProtocolSeriesData(&series), "a", QPen(Qt::red)));
    chart.setSize(100.0); // several pixels per tick
    chart.setLineValueX(50);
    chart.renderToImage();
    const int left = int(chart.scalesWidth());
    const double pixelsPerTick = (700 - left) / 100.0;
    QVERIFY(pixelsPerTick > 4);
    const auto pixelOf = [&](int tick) { return left + int((tick + 0.5) * pixelsPerTick); };

    // A drag starts within four ticks of the line only.
    mouse(chart, QEvent::MouseButtonPress, pixelOf(45), Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, pixelOf(30), Qt::LeftButton);
    QCOMPARE(lines.count(), 0);
    mouse(chart, QEvent::MouseButtonRelease, pixelOf(30), Qt::NoButton);
    QCOMPARE(chart.lineValueX(), 50);

    // Only the left button grips the line; and every press lets go of it,
    // also when the release of the gripping press went elsewhere.
    mouse(chart, QEvent::MouseButtonPress, pixelOf(50), Qt::RightButton, Qt::RightButton);
    mouse(chart, QEvent::MouseMove, pixelOf(40), Qt::RightButton, Qt::NoButton);
    mouse(chart, QEvent::MouseButtonPress, pixelOf(50), Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonPress, pixelOf(30), Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, pixelOf(20), Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, pixelOf(20), Qt::NoButton);
    QCOMPARE(lines.count(), 0);

    mouse(chart, QEvent::MouseButtonPress, pixelOf(47), Qt::LeftButton);
    QCOMPARE(lines.count(), 0); // a press alone moves nothing
    mouse(chart, QEvent::MouseMove, pixelOf(40), Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, pixelOf(35), Qt::LeftButton);
    QCOMPARE(intsOf(lines), (QList<int>{40, 35}));
    mouse(chart, QEvent::MouseButtonRelease, pixelOf(60), Qt::NoButton);
    QCOMPARE(intsOf(lines), (QList<int>{60}));
    QCOMPARE(chart.lineValueX(), 60);
    mouse(chart, QEvent::MouseMove, pixelOf(20), Qt::LeftButton);
    QCOMPARE(lines.count(), 0);

    mouse(chart, QEvent::MouseButtonDblClick, pixelOf(25), Qt::LeftButton);
    QCOMPARE(intsOf(lines), (QList<int>{25}));
    QCOMPARE(chart.lineValueX(), 25);
    chart.clearChannels();
}

void TestChartProtocol::referenceCursorIsPlacedAndDragged()
{
    ChannelSeries series{{0, 1.0}, {1000, 2.0}};
    ChartProtocol chart;
    chart.resize(700, 300);
    chart.addChannel(Channel(0, 10, new ProtocolSeriesData(&series), "a", QPen(Qt::red)));
    chart.setSize(100.0);
    chart.setLineValueX(50);
    const QImage before = chart.renderToImage();
    const int left = int(chart.scalesWidth());
    const double pixelsPerTick = (700 - left) / 100.0;
    const auto pixelOf = [&](int tick) { return left + int((tick + 0.5) * pixelsPerTick); };
    QSignalSpy lines(&chart, &ChartProtocol::lineValueXChanged);
    QSignalSpy references(&chart, &ChartProtocol::referenceXChanged);
    QSignalSpy cleared(&chart, &ChartProtocol::referenceCleared);
    QVERIFY(!chart.hasReference());

    // Shift+double click places the reference, not the value line.
    mouse(chart, QEvent::MouseButtonDblClick, pixelOf(20), Qt::LeftButton, Qt::LeftButton,
          Qt::ShiftModifier);
    QCOMPARE(intsOf(references), (QList<int>{20}));
    QVERIFY(chart.hasReference());
    QCOMPARE(chart.lineValueX(), 50);
    // Its dashed line shows in its own colour.
    const QImage after = chart.renderToImage();
    const int x = pixelOf(20) - left;
    bool coloured = false;
    for (int dx = -3; dx <= 3 && !coloured; ++dx)
        for (int y = 0; y < after.height() && !coloured; ++y)
            coloured = after.pixelColor(left + x + dx, y) == ChartProtocol::referenceColor();
    QVERIFY(coloured);
    QVERIFY(before != after);

    // It is dragged like the value line, which keeps its own grip.
    mouse(chart, QEvent::MouseButtonPress, pixelOf(22), Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, pixelOf(30), Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, pixelOf(33), Qt::NoButton);
    QCOMPARE(intsOf(references), (QList<int>{30, 33}));
    QCOMPARE(lines.count(), 0);
    mouse(chart, QEvent::MouseButtonPress, pixelOf(50), Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, pixelOf(55), Qt::NoButton);
    QCOMPARE(intsOf(lines), (QList<int>{55}));
    QCOMPARE(chart.referenceX(), 33);

    // The context menu offers to remove it.
    QAction* clear = chart.findChild<QAction*>(QStringLiteral("actReferenceClear"));
    QVERIFY(clear);
    clear->trigger();
    QCOMPARE(cleared.count(), 1);
    QVERIFY(!chart.hasReference());
    chart.clearChannels();
}

void TestChartProtocol::chartVisibleByName()
{
    ChartProtocol chart;
    chart.addChannel(Channel(0, 10, nullptr, "a", QPen(Qt::red)));
    chart.addChannel(Channel(0, 10, nullptr, "b", QPen(Qt::red)));
    chart.addChannel(Channel(0, 10, nullptr, "a", QPen(Qt::red)));
    chart.renderToImage();
    chart.setChartVisible("a", false);
    QVERIFY(chart.isBackgroundPass());
    QVERIFY(!chart.channels().at(0).visible() && !chart.channels().at(0).showScale());
    QVERIFY(chart.channels().at(1).visible() && chart.channels().at(1).showScale());
    QVERIFY(!chart.channels().at(2).visible() && !chart.channels().at(2).showScale());
    chart.setChartVisible("a", true);
    QVERIFY(chart.channels().at(2).visible() && chart.channels().at(2).showScale());
}

QTEST_MAIN(TestChartProtocol)
#include "test_chartprotocol.moc"
