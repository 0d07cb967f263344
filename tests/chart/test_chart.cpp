#include "chart/chart.h"
#include "chart/glwidgetwithbackground.h"
#include "chartdata/pairdatacontainer.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
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

// Fills itself with one colour and counts how often it painted.
class Filled : public GLWidgetWithBackground
{
public:
    void paintLayers(QPainter* painter) override
    {
        ++painted;
        painter->fillRect(rect(), color);
    }
    int painted = 0;
    QColor color = Qt::red;

protected:
    void paintEvent(QPaintEvent*) override { drawCachedBackground(); }
};

Channel channelNamed(const QString& name, chart::ChannelData* data = nullptr)
{
    return Channel(0, 100, data, name, QPen(Qt::yellow));
}
} // namespace

class TestChart : public QObject
{
    Q_OBJECT
private slots:
    void channelRefusesBadBoundsAndTypes();
    void refusedSettingsKeepTheOldValue();
    void positionSignalsTruncateTowardZero();
    void currentChannelProperties();
    void contextMenu();
    void contextMenuActsOnEveryRecordOfAName();
    void dataObjectsBelongToClearChannels();
    void mouseTrackingReportsValuesAndRanges();
    void cachedPictureFollowsSizeAndRequests();
};

void TestChart::channelRefusesBadBoundsAndTypes()
{
    Channel c;
    QVERIFY(!c.setMinimum(450));
    QVERIFY(c.setMinimum(449));
    QVERIFY(!c.setMaximum(449));
    QVERIFY(!c.setScaleRange(3, 3));
    QCOMPARE(c.scaleRange(), std::make_pair(0.0, 450.0));
    QString error;
    QVERIFY(!c.setType(3, &error));
    QCOMPARE(error, QStringLiteral("Unknown type"));
    QCOMPARE(c.type(), 1);
}

void TestChart::refusedSettingsKeepTheOldValue()
{
    Chart chart;
    // A refused size is still signalled.
    QSignalSpy doubles(&chart, qOverload<double>(&Chart::sizeChanged));
    QSignalSpy ints(&chart, qOverload<int>(&Chart::sizeChanged));
    chart.setSize(0.00001);
    chart.setSize(std::numeric_limits<double>::infinity());
    QCOMPARE(chart.chartSize(), 1000.0);
    QCOMPARE(doubles.takeFirst().at(0).toDouble(), 0.00001);
    QCOMPARE(ints.takeFirst().at(0).toInt(), 0);
    chart.setZoom(2);
    QVERIFY(chart.setProperty("size", 250.7));
    QCOMPARE(chart.scaleSettings().visibleSpan, 501.4);
    QCOMPARE(ints.takeLast().at(0).toInt(), 250);

    // Only a positive span can be drawn.
    for (double zoom : {0.01, -2.0, std::nan("")})
        chart.setZoom(zoom);
    QCOMPARE(chart.zoom(), 2.0);
    chart.setZoom(0.011);
    QCOMPARE(chart.scaleSettings().visibleSpan, 250.7 * 0.011);

    chart.setXMesh(0);
    chart.setYMesh(-1);
    chart.setXSubMesh(-1);
    chart.setYSubMesh(-5);
    QCOMPARE(QVector<int>({chart.xMesh(), chart.yMesh(), chart.xSubMesh(), chart.ySubMesh()}),
             QVector<int>({7, 7, 1, 1}));
    chart.setYSubMesh(0);
    QCOMPARE(chart.ySubMesh(), 0);
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
    QCOMPARE(chart.property("position").toInt(), -3);
    chart.setPosition(std::nan(""));
    QCOMPARE(chart.scaleSettings().position, -3.7);
}

void TestChart::currentChannelProperties()
{
    Chart chart;
    // Without channels nothing is read or written.
    QCOMPARE(chart.property("channelColor").value<QColor>(), QColor(Qt::white));
    QCOMPARE(chart.property("channelVisible").toBool(), false);
    chart.setChannelVisible(false);
    chart.setChannelName("x");
    chart.setChannelMinimum(-10);
    QCOMPARE(chart.channelCount(), 0);

    chart.addChannel(channelNamed("a"));
    chart.addChannel(channelNamed("b"));
    chart.setChannel(1);
    chart.setChannelColor(Qt::green);
    QCOMPARE(chart.channels().at(1).pen(), QPen(Qt::green));
    chart.setChannelMinimum(200); // not below the maximum 100
    chart.setChannelMaximum(-1);
    QCOMPARE(chart.channels().at(1).scaleRange(), std::make_pair(0.0, 100.0));

    // The index just past the list appends too, and becomes the current.
    const int count = chart.channelCount();
    chart.setChannel(count);
    QCOMPARE(chart.channelCount(), count + 1);
    chart.setChannelName(QStringLiteral("appended"));
    QCOMPARE(chart.channels().last().name(), QStringLiteral("appended"));
    chart.clearChannels();
    chart.addChannel(channelNamed("a"));
    chart.addChannel(channelNamed("b"));
    chart.setChannel(1);

    // An index past the list appends one default channel but names none.
    chart.setChannel(10);
    QCOMPARE(chart.channelCount(), 3);
    QCOMPARE(chart.channelName(), QString());
    QVERIFY(chart.isBackgroundPass());
    chart.setChannelVisible(false);
    chart.setChannel(-1);
    QCOMPARE(chart.channelCount(), 3);
    for (const Channel& c : chart.channels())
        QVERIFY(c.visible());
}

void TestChart::contextMenu()
{
    Chart chart;
    chart.addChannel(channelNamed("a"));
    Channel hidden = channelNamed("b");
    hidden.setVisible(false);
    chart.addChannel(hidden);
    auto* extra = new QAction(QStringLiteral("extra"), &chart);
    chart.addAction(extra);
    std::unique_ptr<QMenu> menu(chart.createContextMenu());
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("|") : a->text());
    QCOMPARE(texts,
             (QStringList{"Канал", "Шкала", "|", "Сетка", "Легенда", "Сглаживание", "extra"}));
    const QList<QAction*> shows = menu->actions().at(0)->menu()->actions();
    QCOMPARE(shows.size(), 2);
    QVERIFY(shows.at(0)->isChecked());
    QVERIFY(!shows.at(1)->isChecked());
    menu->actions().at(5)->toggle();
    QVERIFY(!chart.antialiasing());

    QAction* scale = menu->actions().at(1)->menu()->actions().at(1);
    QCOMPARE(scale->objectName(), QStringLiteral("c 1 scale"));
    chart.renderToImage(); // leaves the background clean
    QTest::ignoreMessage(QtDebugMsg, "Action triggered c 1 scale");
    emit menu->triggered(scale);
    QVERIFY(chart.channels().at(0).showScale());
    QVERIFY(!chart.channels().at(1).showScale());
    QVERIFY(chart.isBackgroundPass());

    // Names that address no channel, or no known word, change nothing.
    for (const char* name :
         {"c 7 show", "c x show", "c 0 hide", "c99999999999 show", "grid", "c0 show"}) {
        QAction other;
        other.setObjectName(QString::fromLatin1(name));
        QTest::ignoreMessage(QtDebugMsg,
                             qPrintable(QStringLiteral("Action triggered %1").arg(name)));
        chart.contextMenuActionTriggered(&other);
    }
    // ... but for the last, whose number needs no space before it.
    QVERIFY(!chart.channels().at(0).visible());
    QVERIFY(!chart.channels().at(1).visible());
    QVERIFY(!chart.channels().at(1).showScale());
}

void TestChart::contextMenuActsOnEveryRecordOfAName()
{
    // Records of one channel from three files, one of them hidden.
    Chart chart;
    for (const char* name : {"a", "b", "a", "a"})
        chart.addChannel(channelNamed(name));
    chart.channelAt(3)->setVisible(false);
    QSignalSpy shown(&chart, &Chart::channelShownChanged);
    std::unique_ptr<QMenu> menu(chart.createContextMenu());
    QList<QAction*> entries = menu->actions().at(0)->menu()->actions();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(0)->text(), QStringLiteral("a"));
    QVERIFY(entries.at(0)->isChecked());
    QCOMPARE(menu->actions().at(1)->menu()->actions().size(), 2);

    QTest::ignoreMessage(QtDebugMsg, "Action triggered c 0 show");
    emit menu->triggered(entries.at(0));
    for (int i : {0, 2, 3})
        QVERIFY(!chart.channels().at(i).visible());
    QVERIFY(chart.channels().at(1).visible());
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0), (QVariantList{QStringLiteral("a"), false}));

    menu.reset(chart.createContextMenu());
    QVERIFY(!menu->actions().at(0)->menu()->actions().at(0)->isChecked());
    QAction* scale = menu->actions().at(1)->menu()->actions().at(0);
    QTest::ignoreMessage(QtDebugMsg, "Action triggered c 0 scale");
    emit menu->triggered(scale);
    for (int i : {0, 2, 3})
        QVERIFY(!chart.channels().at(i).showScale());
    QVERIFY(chart.channels().at(1).showScale());
    // The scale is no visibility: the panel is not told.
    QCOMPARE(shown.size(), 1);
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
    chart.addChannel(Channel(-10, 10, nullptr, "b", QPen(Qt::red)));
    chart.renderToImage(); // lays out the plot

    QSignalSpy positions(&chart, &Chart::curPosChanged);
    QSignalSpy ranges(&chart, &Chart::curRangeChanged);
    QMouseEvent untracked(QEvent::MouseMove, QPointF(50, 50), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&chart, &untracked);
    QCOMPARE(positions.count(), 0);

    chart.setMouseTracking(true);
    QMouseEvent move(QEvent::MouseMove, QPointF(150.4, 60.6), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&chart, &move);
    QCOMPARE(positions.count(), 1);
    QCOMPARE(chart.mousePoint(), QPoint(150, 61));
    QCOMPARE(chart.anchorPoint(), chart.mousePoint());
    // The plot starts right of the scale columns and fills the rest.
    const QRect plot = chart.plotRect();
    QVERIFY(plot.left() > 14 && plot.left() < 150);
    QCOMPARE(plot.right(), 399);
    QCOMPARE(plot.bottom(), 300);
    const QPolygonF atAnchor = chart.values();
    QCOMPARE(atAnchor.size(), 2);
    QCOMPARE(atAnchor.first().x(), (150.0 - plot.left()) * 1000 / plot.width());
    // Scale [0, 105] in 7 steps of 15, one more step on top.
    QCOMPARE(atAnchor.first().y(), 120 - 61 * 120.0 / 300);
    const auto [low, high] = chart.channels().at(1).scaleRange();
    QCOMPARE(atAnchor.last().y(), high - 61 * (high - low) / 300);

    QMouseEvent drag(QEvent::MouseMove, QPointF(300, 100), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&chart, &drag);
    QCOMPARE(ranges.count(), 1);
    const auto range = ranges.takeFirst();
    QCOMPARE(range.at(1).value<QPolygonF>(), atAnchor);
    QVERIFY(range.at(0).value<QPolygonF>().first().x() > atAnchor.first().x());
    QCOMPARE(chart.anchorPoint(), QPoint(150, 61));
}

void TestChart::cachedPictureFollowsSizeAndRequests()
{
    Filled widget;
    widget.resize(60, 40);
    QCOMPARE(widget.grab().toImage().pixelColor(59, 39), QColor(Qt::red));
    widget.grab();
    QCOMPARE(widget.painted, 1); // same size, nothing asked: the kept picture

    // A new size alone makes a new picture of that size.
    widget.color = Qt::blue;
    widget.resize(120, 90);
    QCOMPARE(widget.grab().toImage().pixelColor(119, 89), QColor(Qt::blue));
    QCOMPARE(widget.painted, 2);

    widget.color = Qt::green;
    widget.invalidateBackground();
    QCOMPARE(widget.grab().toImage().pixelColor(0, 0), QColor(Qt::green));
    QCOMPARE(widget.painted, 3);
}

QTEST_MAIN(TestChart)
#include "test_chart.moc"
