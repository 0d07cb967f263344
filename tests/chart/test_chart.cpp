#include "chart/chart.h"
#include "chart/pairdatacontainer.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

namespace {
// Counts how many data objects are alive.
class CountedData : public ProtocolSeriesData
{
public:
    explicit CountedData(ChannelSeries* series) : ProtocolSeriesData(series) { ++alive; }
    ~CountedData() override { --alive; }
    static int alive;
};
int CountedData::alive = 0;

Channel channelNamed(const QString& name, chart::ChannelData* data = nullptr)
{
    return Channel(0, 100, data, name, QPen(Qt::yellow));
}
} // namespace

class TestChart : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void channelRecord();
    void sizeRefusedButAlwaysSignalled();
    void zoomRefusal();
    void positionSignalsTruncateTowardZero();
    void setChannelAppendsPastTheEnd();
    void perChannelPropertiesWithoutChannels();
    void meshRefusals();
    void propertiesWriteThroughTheSlots();
    void contextMenuEntries();
    void contextMenuScaleEntryTogglesChannel();
    void dataObjectsBelongToClearChannels();
    void mouseTrackingReportsValuesAndRanges();
};

void TestChart::defaults()
{
    Chart chart;
    QCOMPARE(chart.topBackgroundColor(), QColor(0, 0, 150));
    QCOMPARE(chart.bottomBackgroundColor(), QColor(Qt::black));
    QCOMPARE(chart.gridColor(), QColor(40, 40, 180));
    QCOMPARE(chart.zoom(), 1.0);
    QCOMPARE(chart.chartSize(), 1000.0);
    QCOMPARE(chart.scaleSettings().visibleSpan, 1000.0);
    QCOMPARE(chart.xMesh(), 7);
    QCOMPARE(chart.yMesh(), 7);
    QCOMPARE(chart.xSubMesh(), 1);
    QCOMPARE(chart.ySubMesh(), 1);
    QVERIFY(chart.showGrid() && chart.showScale() && chart.showLegend() && chart.antialiasing());
    QVERIFY(!chart.isPaintOver());
    QCOMPARE(chart.channel(), 0);
    QCOMPARE(chart.sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QVERIFY(chart.decorators());
}

void TestChart::channelRecord()
{
    Channel c;
    QCOMPARE(c.maximum(), 450.0);
    QCOMPARE(c.pen().color(), QColor(Qt::white));
    QCOMPARE(c.type(), 1);
    QVERIFY(!c.setMinimum(450));
    QVERIFY(c.setMinimum(449));
    QVERIFY(!c.setMaximum(449));
    QVERIFY(c.setMaximum(500));
    QCOMPARE(c.minimum(), 449.0);
    QVERIFY(!c.setScaleRange(3, 3));
    QCOMPARE(c.scaleRange(), std::make_pair(0.0, 450.0));
    QVERIFY(c.setScaleRange(-1, 3));
    QCOMPARE(c.scaleRange(), std::make_pair(-1.0, 3.0));
    QString error;
    QVERIFY(!c.setType(3, &error));
    QCOMPARE(error, QStringLiteral("Unknown type"));
    QCOMPARE(c.type(), 1);
    QVERIFY(c.setType(2));
    QCOMPARE(c.type(), 2);

    const Channel made(-5, 5, nullptr, QStringLiteral("U"), QPen(Qt::red, 3));
    QCOMPARE(made.scaleRange(), std::make_pair(-5.0, 5.0));
    QVERIFY(made.showScale() && made.visible() && made.showInLegend());
}

void TestChart::sizeRefusedButAlwaysSignalled()
{
    Chart chart;
    QSignalSpy doubles(&chart, qOverload<double>(&Chart::sizeChanged));
    QSignalSpy ints(&chart, qOverload<int>(&Chart::sizeChanged));
    chart.setSize(0.00001);
    QCOMPARE(chart.chartSize(), 1000.0);
    QCOMPARE(doubles.takeFirst().at(0).toDouble(), 0.00001);
    QCOMPARE(ints.takeFirst().at(0).toInt(), 0);
    chart.setZoom(2);
    chart.setSize(250.7);
    QCOMPARE(chart.chartSize(), 250.7);
    QCOMPARE(chart.scaleSettings().visibleSpan, 501.4);
    QCOMPARE(ints.takeFirst().at(0).toInt(), 250);
    chart.setSize(std::numeric_limits<double>::infinity());
    QCOMPARE(chart.chartSize(), 250.7);
}

void TestChart::zoomRefusal()
{
    Chart chart;
    chart.setZoom(0.01);
    QCOMPARE(chart.zoom(), 1.0);
    QCOMPARE(chart.scaleSettings().visibleSpan, 1000.0);
    chart.setZoom(0.011);
    QCOMPARE(chart.zoom(), 0.011);
    QCOMPARE(chart.scaleSettings().visibleSpan, 11.0);
    // A negative span cannot be drawn.
    chart.setZoom(-2);
    QCOMPARE(chart.zoom(), 0.011);
}

void TestChart::positionSignalsTruncateTowardZero()
{
    Chart chart;
    QStringList order;
    connect(&chart, qOverload<double>(&Chart::positionChanged), this,
            [&](double v) { order << QStringLiteral("d%1").arg(v); });
    connect(&chart, qOverload<int>(&Chart::positionChanged), this,
            [&](int v) { order << QStringLiteral("i%1").arg(v); });
    chart.setPosition(12.9);
    chart.setPosition(-3.7);
    QCOMPARE(order, (QStringList{"d12.9", "i12", "d-3.7", "i-3"}));
    QCOMPARE(chart.position(), -3);
    QCOMPARE(chart.property("position").toInt(), -3);
    QCOMPARE(chart.scaleSettings().position, -3.7);
    chart.setPosition(std::nan(""));
    QCOMPARE(chart.scaleSettings().position, -3.7);
}

void TestChart::setChannelAppendsPastTheEnd()
{
    Chart chart;
    chart.addChannel(channelNamed("a"));
    chart.addChannel(channelNamed("b"));
    chart.setChannel(2);
    QCOMPARE(chart.channelCount(), 3);
    QCOMPARE(chart.channel(), 2);
    QCOMPARE(chart.channelMaximum(), 450.0);
    QCOMPARE(chart.channelColor(), QColor(Qt::white));
    QVERIFY(chart.isBackgroundPass());
    chart.setChannel(1);
    QCOMPARE(chart.channelCount(), 3);
    QCOMPARE(chart.channelName(), QStringLiteral("b"));
    chart.setChannelColor(Qt::green);
    QCOMPARE(chart.channels().at(1).pen().color(), QColor(Qt::green));
    QCOMPARE(chart.channels().at(1).pen().width(), 1);
    chart.setChannelMinimum(200); // not below the maximum 100
    QCOMPARE(chart.channelMinimum(), 0.0);
    chart.setChannelMaximum(-1);
    QCOMPARE(chart.channelMaximum(), 100.0);

    // An index past the list appends one channel but names none.
    chart.setChannel(10);
    QCOMPARE(chart.channelCount(), 4);
    QCOMPARE(chart.channelName(), QString());
    chart.setChannelVisible(false);
    chart.setChannel(-1);
    QCOMPARE(chart.channelCount(), 4);
    QCOMPARE(chart.channelColor(), QColor(255, 255, 255, 255));
    for (const Channel& c : chart.channels())
        QVERIFY(c.visible());
}

void TestChart::perChannelPropertiesWithoutChannels()
{
    Chart chart;
    QCOMPARE(chart.property("channelColor").value<QColor>(), QColor(255, 255, 255, 255));
    QCOMPARE(chart.property("channelName").toString(), QString());
    QCOMPARE(chart.property("channelMinimum").toDouble(), 0.0);
    QCOMPARE(chart.property("channelVisible").toBool(), false);
    chart.setChannelVisible(false);
    chart.setChannelName("x");
    chart.setChannelMinimum(-10);
    QCOMPARE(chart.channelCount(), 0);
}

void TestChart::meshRefusals()
{
    Chart chart;
    chart.setXMesh(0);
    chart.setYMesh(-1);
    chart.setXSubMesh(-1);
    chart.setYSubMesh(-5);
    QCOMPARE(chart.xMesh(), 7);
    QCOMPARE(chart.yMesh(), 7);
    QCOMPARE(chart.xSubMesh(), 1);
    QCOMPARE(chart.ySubMesh(), 1);
    chart.setXMesh(3);
    chart.setYSubMesh(0);
    QCOMPARE(chart.xMesh(), 3);
    QCOMPARE(chart.ySubMesh(), 0);
}

void TestChart::propertiesWriteThroughTheSlots()
{
    Chart chart;
    QSignalSpy sizes(&chart, qOverload<double>(&Chart::sizeChanged));
    QVERIFY(chart.setProperty("size", 300.0));
    QCOMPARE(chart.chartSize(), 300.0);
    QCOMPARE(sizes.count(), 1);
    QVERIFY(chart.setProperty("position", 42));
    QCOMPARE(chart.scaleSettings().position, 42.0);
    QVERIFY(chart.setProperty("showGrid", false));
    QVERIFY(!chart.showGrid());
    QFont font = chart.font();
    font.setPointSize(21);
    QVERIFY(chart.setProperty("font", font));
    QCOMPARE(chart.font().pointSize(), 21);
    // The widget's own size is not touched by the chart's.
    chart.resize(321, 123);
    QCOMPARE(chart.QWidget::size(), QSize(321, 123));
}

void TestChart::contextMenuEntries()
{
    Chart chart;
    chart.addChannel(channelNamed("a"));
    Channel hidden = channelNamed("b");
    hidden.setVisible(false);
    chart.addChannel(hidden);
    auto* extra = new QAction(QStringLiteral("extra"), &chart);
    chart.addAction(extra);
    std::unique_ptr<QMenu> menu(chart.createContextMenu());
    const QList<QAction*> top = menu->actions();
    QCOMPARE(top.at(0)->text(), QStringLiteral("Канал"));
    QCOMPARE(top.at(1)->text(), QStringLiteral("Шкала"));
    QVERIFY(top.at(2)->isSeparator());
    QCOMPARE(top.at(3)->text(), QStringLiteral("Сетка"));
    QCOMPARE(top.at(4)->text(), QStringLiteral("Легенда"));
    QCOMPARE(top.at(5)->text(), QStringLiteral("Сглаживание"));
    QCOMPARE(top.last(), extra);
    const QList<QAction*> shows = top.at(0)->menu()->actions();
    QCOMPARE(shows.size(), 2);
    QCOMPARE(shows.at(0)->objectName(), QStringLiteral("c 0 show"));
    QCOMPARE(shows.at(1)->objectName(), QStringLiteral("c 1 show"));
    QVERIFY(shows.at(0)->isChecked());
    QVERIFY(!shows.at(1)->isChecked());
    QCOMPARE(top.at(1)->menu()->actions().at(1)->objectName(), QStringLiteral("c 1 scale"));

    top.at(3)->toggle();
    QVERIFY(!chart.showGrid());
    top.at(5)->toggle();
    QVERIFY(!chart.antialiasing());
}

void TestChart::contextMenuScaleEntryTogglesChannel()
{
    Chart chart;
    chart.addChannel(channelNamed("a"));
    chart.addChannel(channelNamed("b"));
    std::unique_ptr<QMenu> menu(chart.createContextMenu());
    QAction* scale =
        menu->findChild<QAction*>(QStringLiteral("c 1 scale"), Qt::FindChildrenRecursively);
    if (!scale)
        scale = chart.findChild<QAction*>(QStringLiteral("c 1 scale"));
    QVERIFY(scale);
    chart.renderToImage(); // leaves the background clean
    QTest::ignoreMessage(QtDebugMsg, "Action triggered c 1 scale");
    emit menu->triggered(scale);
    QVERIFY(chart.channels().at(0).showScale());
    QVERIFY(!chart.channels().at(1).showScale());
    QVERIFY(chart.isBackgroundPass());

    // Names that address no channel, or no known word, change nothing.
    for (const char* name : {"c 7 show", "c x show", "c 0 hide", "c99999999999 show", "grid"}) {
        QAction other(QString::fromLatin1(name), nullptr);
        other.setObjectName(QString::fromLatin1(name));
        QTest::ignoreMessage(QtDebugMsg,
                             qPrintable(QStringLiteral("Action triggered %1").arg(name)));
        chart.contextMenuActionTriggered(&other);
    }
    QAction spaced(QStringLiteral("c0show"));
    spaced.setObjectName(QStringLiteral("c0 show"));
    QTest::ignoreMessage(QtDebugMsg, "Action triggered c0 show");
    chart.contextMenuActionTriggered(&spaced);
    QVERIFY(!chart.channels().at(0).visible());
    QVERIFY(chart.channels().at(1).visible());
    QVERIFY(!chart.channels().at(1).showScale());
}

void TestChart::dataObjectsBelongToClearChannels()
{
    ChannelSeries series{{0, 1.0}, {10, 2.0}};
    auto* shared = new CountedData(&series);
    {
        Chart single;
        single.addChannel(channelNamed("a", shared));
    }
    QCOMPARE(CountedData::alive, 1);
    double v = 0;
    QVERIFY(shared->maxY(v));
    QCOMPARE(v, 2.0);

    Chart common;
    common.addChannel(channelNamed("a", shared));
    common.addChannel(channelNamed("a copy", shared));
    common.addChannel(channelNamed("b", new CountedData(&series)));
    common.addChannel(channelNamed("none"));
    QCOMPARE(CountedData::alive, 2);
    common.clearChannels();
    QCOMPARE(common.channelCount(), 0);
    QCOMPARE(CountedData::alive, 0);
}

void TestChart::mouseTrackingReportsValuesAndRanges()
{
    Chart chart;
    chart.resize(400, 300);
    chart.setShowScale(false);
    chart.addChannel(Channel(0, 100, nullptr, "a", QPen(Qt::yellow)));
    chart.renderToImage(); // lays out the plot

    QSignalSpy positions(&chart, &Chart::curPosChanged);
    QSignalSpy ranges(&chart, &Chart::curRangeChanged);
    QMouseEvent untracked(QEvent::MouseMove, QPointF(50, 50), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&chart, &untracked);
    QCOMPARE(positions.count(), 0);

    chart.setMouseTracking(true);
    QMouseEvent move(QEvent::MouseMove, QPointF(50.4, 60.6), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&chart, &move);
    QCOMPARE(positions.count(), 1);
    QCOMPARE(chart.mousePoint(), QPoint(50, 61));
    QCOMPARE(chart.anchorPoint(), chart.mousePoint());
    // The plot starts right of the channel's scale column and fills the rest.
    const QRect plot = chart.plotRect();
    QVERIFY(plot.left() > 7);
    QCOMPARE(plot.right(), 399);
    QCOMPARE(plot.bottom(), 300);
    const QPolygonF atAnchor = chart.values();
    QCOMPARE(atAnchor.size(), 1);
    QCOMPARE(atAnchor.first().x(), (50.0 - plot.left()) * 1000 / plot.width());
    // Scale [0, 105] in 7 steps of 15, one more step on top.
    QCOMPARE(atAnchor.first().y(), 120 - 61 * 120.0 / 300);

    QMouseEvent drag(QEvent::MouseMove, QPointF(200, 100), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&chart, &drag);
    QCOMPARE(ranges.count(), 1);
    const auto range = ranges.takeFirst();
    QCOMPARE(range.at(1).value<QPolygonF>(), atAnchor);
    QVERIFY(range.at(0).value<QPolygonF>().first().x() > atAnchor.first().x());
    QCOMPARE(chart.anchorPoint(), QPoint(50, 61));
}

QTEST_MAIN(TestChart)
#include "test_chart.moc"
