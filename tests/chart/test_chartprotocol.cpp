#include "chart/chartprotocol.h"
#include "chartdata/pairdatacontainer.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QTimer>
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
    void mouseMovesTheValueLine_data();
    void mouseMovesTheValueLine();
    void cursorShowsTheGrip();
    void dragOnThePlotZoomsToTheBox();
    void rightOrShiftDragPans();
    void rightClickMenuWaitsForTheRelease();
    void noChannelsNothingToPlace();
    void wheelMovesAShareOfTheView_data();
    void wheelMovesAShareOfTheView();
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
    QCOMPARE(chart.bookmarks(), (QVector<qint64>{100, 200, 300}));
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
    QCOMPARE(chart.bookmarks(), (QVector<qint64>{100, 200, 300}));
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
    QCOMPARE(chart.bookmarks(), (QVector<qint64>{10, 20, 40}));
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

namespace {
// A chart 700 pixels wide with one channel, showing ticks from 0 to span.
struct MouseChart
{
    explicit MouseChart(double span)
    {
        chart.resize(700, 300);
        chart.addChannel(Channel(0, 10, new ProtocolSeriesData(&series), "a", QPen(Qt::red)));
        chart.setSize(span);
        chart.renderToImage();
        left = int(chart.scalesWidth());
    }
    ~MouseChart() { chart.clearChannels(); }
    // The pixel on which tick t is drawn.
    int pixelOf(double tick) const
    {
        const ScaleSettings& s = chart.scaleSettings();
        return left + int((tick - s.position) * (700 - left) / (s.visibleEnd - s.visibleStart));
    }
    ChannelSeries series{{0, 1.0}, {1000000, 2.0}};
    ChartProtocol chart;
    int left = 0;
};
} // namespace

void TestChartProtocol::mouseMovesTheValueLine_data()
{
    QTest::addColumn<double>("span");
    QTest::newRow("several pixels per tick") << 100.0;
    QTest::newRow("initial view") << 1000.0;
    QTest::newRow("many ticks per pixel") << 100000.0;
}

void TestChartProtocol::mouseMovesTheValueLine()
{
    QFETCH(double, span);
    MouseChart m(span);
    ChartProtocol& chart = m.chart;
    const int line = int(span / 2);
    chart.setLineValueX(line);
    const int at = m.pixelOf(line);
    QSignalSpy lines(&chart, &ChartProtocol::lineValueXChanged);
    const auto tickOf = [&](int pixel) {
        const ScaleSettings& s = chart.scaleSettings();
        return int(s.position +
                   (pixel - m.left) * (s.visibleEnd - s.visibleStart) / (700 - m.left));
    };

    // The line is grabbed within 5 pixels, whatever the zoom; 8 pixels away
    // a press grabs nothing.
    mouse(chart, QEvent::MouseButtonPress, at + 8, Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, at + 8, Qt::NoButton);
    QCOMPARE(lines.count(), 0);
    for (const int off : {-4, 4}) {
        chart.setLineValueX(line);
        mouse(chart, QEvent::MouseButtonPress, at + off, Qt::LeftButton);
        QCOMPARE(lines.count(), 0); // a press alone moves nothing
        mouse(chart, QEvent::MouseMove, at - 40, Qt::LeftButton);
        mouse(chart, QEvent::MouseMove, at - 60, Qt::LeftButton);
        QCOMPARE(intsOf(lines), (QList<int>{tickOf(at - 40), tickOf(at - 60)}));
        mouse(chart, QEvent::MouseButtonRelease, at - 50, Qt::NoButton);
        QCOMPARE(intsOf(lines), (QList<int>{tickOf(at - 50)}));
        QCOMPARE(chart.lineValueX(), tickOf(at - 50));
        // Released, the mouse moves nothing.
        mouse(chart, QEvent::MouseMove, at - 70, Qt::NoButton);
        QCOMPARE(lines.count(), 0);
    }

    // Only the left button grips the line; and every press lets go of it,
    // also when the release of the gripping press went elsewhere.
    chart.setLineValueX(line);
    mouse(chart, QEvent::MouseButtonPress, at, Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonPress, at + 100, Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, at + 99, Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, at + 99, Qt::NoButton);
    QCOMPARE(lines.count(), 0);

    mouse(chart, QEvent::MouseButtonDblClick, at + 30, Qt::LeftButton);
    QCOMPARE(intsOf(lines), (QList<int>{tickOf(at + 30)}));
    QCOMPARE(chart.lineValueX(), tickOf(at + 30));
}

void TestChartProtocol::cursorShowsTheGrip()
{
    MouseChart m(1000);
    m.chart.setLineValueX(400);
    const int at = m.pixelOf(400);
    QVERIFY(m.chart.hasMouseTracking());
    mouse(m.chart, QEvent::MouseMove, at + 3, Qt::NoButton);
    QCOMPARE(m.chart.cursor().shape(), Qt::SizeHorCursor);
    mouse(m.chart, QEvent::MouseMove, at + 20, Qt::NoButton);
    QCOMPARE(m.chart.cursor().shape(), Qt::ArrowCursor);
    // Hovering paints no crosshair.
    QCOMPARE(m.chart.mousePoint(), QPoint());
}

void TestChartProtocol::dragOnThePlotZoomsToTheBox()
{
    MouseChart m(1000);
    ChartProtocol& chart = m.chart;
    chart.setLineValueX(900);
    QSignalSpy zooms(&chart, &ChartProtocol::zoomChanged);
    QSignalSpy positions(&chart, qOverload<int>(&Chart::positionChanged));
    const int from = m.pixelOf(200);
    const int to = m.pixelOf(400);

    // A drag of a few pixels is a click.
    mouse(chart, QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, from + 3, Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, from + 3, Qt::NoButton);
    QCOMPARE(zooms.count(), 0);
    QCOMPARE(chart.zoom(), 1.0);

    // A longer one draws the selection over the plot's height ...
    mouse(chart, QEvent::MouseButtonPress, to, Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, from, Qt::LeftButton);
    QCOMPARE(chart.anchorPoint(), QPoint(to, chart.plotRect().top()));
    QCOMPARE(chart.mousePoint(), QPoint(from, chart.plotRect().bottom()));
    // ... and shows that stretch on release, through the signals that the
    // other charts follow.
    mouse(chart, QEvent::MouseButtonRelease, from, Qt::NoButton);
    QCOMPARE(zooms.count(), 1);
    const double span = chart.scaleSettings().visibleSpan;
    QVERIFY2(qAbs(span - 200) <= 2, qPrintable(QString::number(span)));
    QVERIFY2(qAbs(chart.position() - 200) <= 3, qPrintable(QString::number(chart.position())));
    QCOMPARE(positions.last().at(0).toInt(), chart.position());
    QCOMPARE(chart.lineValueX(), 900);
    QCOMPARE(chart.mousePoint(), QPoint(-1, -1)); // the selection is gone

    // A box narrower than the narrowest view shows the narrowest view.
    const int at = m.pixelOf(chart.position() + 100);
    mouse(chart, QEvent::MouseButtonPress, at, Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, at + 5, Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, at + 5, Qt::NoButton);
    QVERIFY(chart.zoom() > 0.01);
    QVERIFY(chart.scaleSettings().visibleSpan <= 10.2);
}

void TestChartProtocol::rightOrShiftDragPans()
{
    MouseChart m(1000);
    ChartProtocol& chart = m.chart;
    chart.setPosition(5000);
    chart.setLineValueX(5500);
    const double perPixel = 1000.0 / (700 - m.left);
    QSignalSpy lines(&chart, &ChartProtocol::lineValueXChanged);

    // A right click alone does not move the view.
    mouse(chart, QEvent::MouseButtonPress, 300, Qt::RightButton, Qt::RightButton);
    mouse(chart, QEvent::MouseButtonRelease, 300, Qt::NoButton, Qt::RightButton);
    QCOMPARE(chart.position(), 5000);

    mouse(chart, QEvent::MouseButtonPress, 300, Qt::RightButton, Qt::RightButton);
    mouse(chart, QEvent::MouseMove, 350, Qt::RightButton, Qt::NoButton);
    QCOMPARE(chart.cursor().shape(), Qt::ClosedHandCursor);
    mouse(chart, QEvent::MouseMove, 400, Qt::RightButton, Qt::NoButton);
    mouse(chart, QEvent::MouseButtonRelease, 400, Qt::NoButton, Qt::RightButton);
    QCOMPARE(chart.position(), int(5000 - 100 * perPixel));
    QCOMPARE(chart.cursor().shape(), Qt::ArrowCursor);

    // Shift with the left button pans too, also over the value line.
    const int start = chart.position();
    const int line = m.pixelOf(5500);
    mouse(chart, QEvent::MouseButtonPress, line, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    mouse(chart, QEvent::MouseMove, line - 200, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    mouse(chart, QEvent::MouseButtonRelease, line - 200, Qt::NoButton, Qt::LeftButton,
          Qt::ShiftModifier);
    QCOMPARE(chart.position(), int(start + 200 * perPixel));
    QCOMPARE(lines.count(), 0);
    QCOMPARE(chart.zoom(), 1.0);
}

void TestChartProtocol::rightClickMenuWaitsForTheRelease()
{
    MouseChart m(1000);
    ChartProtocol& chart = m.chart;
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    // Whether a context menu opened, closed again at once.
    int menus = 0;
    const auto sendMenu = [&](int x) {
        QTimer::singleShot(0, [&menus] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                ++menus;
                popup->close();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(x, 100),
                                chart.mapToGlobal(QPoint(x, 100)));
        QApplication::sendEvent(&chart, &event);
        QCoreApplication::processEvents();
    };
    const auto releaseWithMenu = [&](int x) {
        QTimer::singleShot(0, [&menus] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                ++menus;
                popup->close();
            }
        });
        mouse(chart, QEvent::MouseButtonRelease, x, Qt::NoButton, Qt::RightButton);
        QCoreApplication::processEvents();
    };

    // Where the menu comes with the press, it opens on a release that did
    // not pan ...
    mouse(chart, QEvent::MouseButtonPress, 300, Qt::RightButton, Qt::RightButton);
    sendMenu(300);
    QCOMPARE(menus, 0);
    releaseWithMenu(300);
    QCOMPARE(menus, 1);
    // ... and not at all after a pan.
    mouse(chart, QEvent::MouseButtonPress, 300, Qt::RightButton, Qt::RightButton);
    sendMenu(300);
    mouse(chart, QEvent::MouseMove, 360, Qt::RightButton, Qt::NoButton);
    releaseWithMenu(360);
    QCOMPARE(menus, 1);
    // Where it comes after the release, a click opens it, a pan does not.
    mouse(chart, QEvent::MouseButtonPress, 300, Qt::RightButton, Qt::RightButton);
    releaseWithMenu(300);
    sendMenu(300);
    QCOMPARE(menus, 2);
    mouse(chart, QEvent::MouseButtonPress, 300, Qt::RightButton, Qt::RightButton);
    mouse(chart, QEvent::MouseMove, 360, Qt::RightButton, Qt::NoButton);
    releaseWithMenu(360);
    sendMenu(360);
    QCOMPARE(menus, 2);
    // The next one opens again.
    sendMenu(360);
    QCOMPARE(menus, 3);
}

void TestChartProtocol::noChannelsNothingToPlace()
{
    ChartProtocol chart;
    chart.resize(700, 300);
    chart.setLineValueX(500);
    QSignalSpy lines(&chart, &ChartProtocol::lineValueXChanged);
    QSignalSpy zooms(&chart, &ChartProtocol::zoomChanged);
    mouse(chart, QEvent::MouseButtonDblClick, 300, Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonPress, 300, Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, 400, Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, 400, Qt::NoButton);
    QCOMPARE(lines.count(), 0);
    QCOMPARE(zooms.count(), 0);
    QCOMPARE(chart.lineValueX(), 500);
}

void TestChartProtocol::wheelMovesAShareOfTheView_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<int>("notch");
    QTest::newRow("initial span") << 1.0 << 12;
    QTest::newRow("five times wider") << 5.0 << 60;
    QTest::newRow("five hours of 10 ms") << 1800.0 << 21600;
    // Never less than a tick.
    QTest::newRow("narrowest") << 0.011 << 1;
}

void TestChartProtocol::wheelMovesAShareOfTheView()
{
    QFETCH(double, zoom);
    QFETCH(int, notch);
    ChartProtocol chart;
    chart.setZoom(zoom);
    chart.setPosition(1000);
    wheel(chart, 120);
    QCOMPARE(chart.position(), 1000 + notch);
    wheel(chart, -120);
    wheel(chart, -120);
    QCOMPARE(chart.position(), 1000 - notch);
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
    mouse(chart, QEvent::MouseButtonPress, pixelOf(20) - 2, Qt::LeftButton);
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
