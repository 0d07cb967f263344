#include "chart/chart.h"
#include "chart/channeldecorator.h"
#include "chart/glassdecorator.h"
#include "chart/labelsdecorator.h"
#include "chart/legenddecorator.h"
#include "chartdata/pairdatacontainer.h"
#include "chart/scalesgriddecorator.h"
#include "chartfixtures.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

namespace {
using chart::Standard::ScalesGridDecorator;

using TestedChart = Recorded<Chart>;

ScalesGridDecorator* scales(TestedChart& chart)
{
    return dynamic_cast<ScalesGridDecorator*>(chart.decorators());
}

// Counts paint calls, to see where a chain ends.
class CountingDecorator : public chart::ChartDecorator
{
public:
    explicit CountingDecorator(int* calls) : calls(calls) {}
    void paint(QPainter*, Chart*) override { ++*calls; }
    int* calls;
};

// A thin pen squeezed into the plot is drawn slightly translucent.
bool yellowNear(const QImage& image, QPoint at, int radius)
{
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const QColor c = image.rect().contains(at + QPoint(dx, dy))
                                 ? QColor(image.pixel(at + QPoint(dx, dy)))
                                 : QColor(Qt::black);
            if (c.red() > 200 && c.green() > 200 && c.blue() < 60)
                return true;
        }
    }
    return false;
}
} // namespace

class TestStandardDecorators : public QObject
{
    Q_OBJECT
private slots:
    void backgroundAndGridWithoutScale();
    void oneScaleColumnPerDistinctName();
    void scaleRangeWrittenBackForEveryChannel();
    void xLabelsLeftOfTheScalesAreSkipped();
    void curvePixelsWhereTheDataLies();
    void denseCurveDrawsOneSpanPerColumn();
    void denseBandLetsEarlierChannelsShow();
    void onlyTheVisibleWindowIsRead();
    void painterStateRestoredAfterTheChain();
    void legendOnlyAtFullQuality();
    void degenerateChartsStillPaint();
    void glassAndLabels();
};

void TestStandardDecorators::backgroundAndGridWithoutScale()
{
    TestedChart chart;
    chart.resize(300, 200);
    chart.setTopBackgroundColor(QColor(200, 0, 0));
    chart.setBottomBackgroundColor(QColor(0, 0, 200));
    chart.setGridColor(QColor(0, 255, 0));
    chart.setShowScale(false);
    const QImage image = chart.renderToImage();
    QCOMPARE(image.size(), QSize(300, 200));
    const QColor top = image.pixel(150, 1);
    const QColor bottom = image.pixel(150, 197);
    const QColor middle = image.pixel(151, 101);
    QVERIFY(top.red() > 190 && top.blue() < 10);
    QVERIFY(bottom.blue() > 190 && bottom.red() < 10);
    QVERIFY(qAbs(middle.red() - middle.blue()) < 10);
    // The plot reaches the bottom; a grid border runs along it.
    QCOMPARE(QColor(image.pixel(150, 199)), QColor(0, 255, 0));
    QVERIFY(chart.record().texts.isEmpty());

    // Without the grid the painter's default pen outlines the background.
    chart.setShowGrid(false);
    const QImage bare = chart.renderToImage();
    QCOMPARE(QColor(bare.pixel(299, 100)), QColor(Qt::black));
    QCOMPARE(QColor(bare.pixel(150, 199)), QColor(Qt::black));
}

void TestStandardDecorators::oneScaleColumnPerDistinctName()
{
    TestedChart chart;
    chart.resize(600, 400);
    // Time labels on the clock's divisions: a whole hour at the left edge
    // keeps them out of the scale column, whatever the time now.
    scales(chart)->setTimeBase(QDateTime(QDate(2024, 5, 1), QTime(10, 0)), 100);
    chart.addChannel(Channel(0, 100, nullptr, "U", QPen(Qt::red)));
    chart.addChannel(Channel(0, 100, nullptr, "U", QPen(Qt::green)));
    const Recording one = chart.record();
    const double oneColumn = scales(chart)->scalesWidth();

    chart.channelAt(1)->setName("I");
    const Recording two = chart.record();
    const double twoColumns = scales(chart)->scalesWidth();

    const double column = oneColumn - 7;
    QVERIFY(column > 7);
    QCOMPARE(twoColumns, 7 + 2 * column);
    // Labels 105, 90, ..., 0 per column; the second column starts where the
    // first ends.
    const QStringList expected{"105", "90", "75", "60", "45", "30", "15", "0"};
    QCOMPARE(one.textsAt(7), expected);
    QCOMPARE(two.textsAt(7), expected);
    QCOMPARE(two.textsAt(7 + column), expected);
    QCOMPARE(one.textsAt(7 + column), QStringList());

    // A hidden scale takes no column, the chart-wide flag keeps the columns.
    chart.channelAt(0)->setShowScale(false);
    chart.setShowScale(false);
    chart.record();
    QCOMPARE(scales(chart)->scalesWidth(), column);
}

void TestStandardDecorators::scaleRangeWrittenBackForEveryChannel()
{
    TestedChart chart;
    chart.resize(600, 400);
    Channel hidden(3.2, 17.8, nullptr, "x", QPen(Qt::red));
    hidden.setShowScale(false);
    hidden.setVisible(false);
    chart.addChannel(hidden);
    chart.setYMesh(5);
    chart.record();
    // [3, 18] in 5 steps of 3, one step more on top.
    QCOMPARE(chart.channels().at(0).scaleRange(), std::make_pair(3.0, 21.0));
}

void TestStandardDecorators::xLabelsLeftOfTheScalesAreSkipped()
{
    TestedChart chart;
    chart.resize(800, 400);
    chart.addChannel(Channel(0, 1e9, nullptr, "wide", QPen(Qt::red)));
    scales(chart)->setTimeBase(QDateTime(), 0); // plain numbers
    chart.setPosition(-140.0); // labels every 150: -150 and 0 sit near the left edge
    const Recording engine = chart.record();
    const double left = scales(chart)->scalesWidth();
    const QFontMetrics metrics(chart.font());
    const double pixels = (800 - left) / 1000.0;
    QStringList drawn;
    for (const auto& t : engine.texts) {
        if (t.position.y() <= chart.plotHeight())
            continue;
        const int half = metrics.size(Qt::TextSingleLine, t.text).width() / 2;
        QVERIFY2(t.position.x() + half >= left, qPrintable(t.text));
        drawn << t.text;
    }
    // -150 would be centred 10 units left of the plot, 0 right of it.
    QVERIFY(140 * pixels > metrics.size(Qt::TextSingleLine, "0").width());
    QCOMPARE(drawn.first(), QStringLiteral("0"));
    QVERIFY(!drawn.contains("-150"));
    QCOMPARE(drawn.at(1), QStringLiteral("150"));
}

void TestStandardDecorators::curvePixelsWhereTheDataLies()
{
    ChannelSeries ramp = seriesOf(1001, [](int i) { return i / 10.0; });
    ProtocolSeriesData data(&ramp);
    TestedChart chart;
    chart.resize(640, 480);
    chart.setAntialiasing(false);
    chart.setTopBackgroundColor(Qt::black);
    chart.addChannel(Channel(0, 100, &data, "ramp", QPen(Qt::yellow)));
    const QImage image = chart.renderToImage();
    const QRect plot(int(scales(chart)->scalesWidth()), 0, 0, 0);
    const double plotWidth = 640 - plot.left();
    const double plotHeight = chart.plotHeight();
    // Scale [0, 120]: value v at (1 - v / 120) of the plot height.
    for (int tick : {100, 400, 700, 900}) {
        const double v = tick / 10.0;
        const QPoint at(plot.left() + int(tick * plotWidth / 1000),
                        int((1 - v / 120) * plotHeight));
        QVERIFY2(yellowNear(image, at, 2), qPrintable(QString::number(tick)));
    }
    // Nothing yellow far away from the line.
    QVERIFY(!yellowNear(image, QPoint(plot.left() + int(100 * plotWidth / 1000), 20), 5));
}

void TestStandardDecorators::denseCurveDrawsOneSpanPerColumn()
{
    QRandomGenerator random(3);
    ChannelSeries noise = seriesOf(200000, [&](int) { return random.generateDouble() * 100; });
    ProtocolSeriesData data(&noise);
    TestedChart chart;
    chart.resize(800, 400);
    chart.setSize(200000);
    chart.addChannel(Channel(0, 100, &data, "noise", QPen(Qt::yellow)));
    // No line through the points: one filled span per pixel column.
    QVERIFY(chart.record().curves(Qt::yellow).isEmpty());
    const QImage image = chart.renderToImage();
    // The span is a light band of the channel's colour over the background
    // (no red or green in it).
    int spans = 0;
    for (int x = int(scales(chart)->scalesWidth()) + 1; x < 799; ++x) {
        int yellow = 0;
        for (int y = 0; y < int(chart.plotHeight()); ++y) {
            const QColor pixel = image.pixelColor(x, y);
            yellow += pixel.red() > 80 && pixel.green() > 80 && pixel.red() < 200;
        }
        spans += yellow > chart.plotHeight() / 2;
    }
    QVERIFY2(spans > 700, qPrintable(QString::number(spans)));
}

void TestStandardDecorators::denseBandLetsEarlierChannelsShow()
{
    // A flat red line under green noise on the right half of the view.
    ChannelSeries line{{0, 5.0}, {100000, 5.0}};
    QRandomGenerator random(5);
    ChannelSeries noise;
    for (int tick = 50000; tick < 100000; ++tick)
        noise.emplace_back(tick, tick % 2 ? random.generateDouble() : 9 + random.generateDouble());
    ProtocolSeriesData lineData(&line);
    ProtocolSeriesData noiseData(&noise);
    TestedChart chart;
    chart.resize(800, 400);
    chart.setShowLegend(false);
    chart.setSize(100000);
    chart.addChannel(Channel(0, 10, &lineData, "line", QPen(Qt::red, 2)));
    chart.addChannel(Channel(0, 10, &noiseData, "noise", QPen(Qt::green, 2)));
    const QImage image = chart.renderToImage();
    const int left = int(scales(chart)->scalesWidth());
    // The line's row on the left, where there is no noise.
    int row = -1;
    for (int y = 0; y < image.height() && row < 0; ++y)
        if (image.pixelColor(left + 50, y) == QColor(Qt::red))
            row = y;
    QVERIFY(row > 0);
    // On the right the noise covers every row, and the line shows through.
    int through = 0;
    for (int x = 500; x < 780; ++x) {
        const QColor pixel = image.pixelColor(x, row);
        QVERIFY2(pixel.green() > 60, qPrintable(pixel.name()));
        through += pixel.red() > 100;
    }
    QVERIFY2(through > 270, qPrintable(QString::number(through)));
    // The band is even: no pixel is blended twice where the spans of
    // neighbouring columns meet (only the grid's lines under it differ).
    QMap<QRgb, int> shades;
    for (int x = 500; x < 780; ++x)
        ++shades[image.pixel(x, row - 15)];
    const QList<int> counts = shades.values();
    QVERIFY2(*std::max_element(counts.cbegin(), counts.cend()) > 250,
             qPrintable(QString::number(shades.size())));
}

void TestStandardDecorators::onlyTheVisibleWindowIsRead()
{
    ChannelSeries ramp = seriesOf(100000, [](int i) { return i % 100; });
    ProtocolSeriesData data(&ramp);
    TestedChart chart;
    chart.resize(1200, 400);
    chart.setShowScale(false);
    chart.setSize(400);
    chart.setPosition(50000.0);
    Channel channel(0, 100, &data, "ramp", QPen(Qt::yellow));
    channel.setShowScale(false);
    chart.addChannel(channel);
    QPolygon all;
    for (const QPolygon& p : chart.record().curves(Qt::yellow))
        all += p;
    QVERIFY(!all.isEmpty());
    // One point beyond each edge, at 3 pixels per tick.
    QCOMPARE(all.first().x(), -3);
    QVERIFY(all.last().x() >= 1200 && all.last().x() <= 1203);
    QVERIFY(all.size() <= 402 * 2);
}

void TestStandardDecorators::painterStateRestoredAfterTheChain()
{
    TestedChart chart;
    chart.resize(300, 200);
    chart.addChannel(Channel(0, 10, nullptr, "a", QPen(Qt::red)));
    QImage image(300, 200, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    const QPen pen(Qt::cyan, 3);
    painter.setPen(pen);
    chart.setPaintOver();
    chart.paintLayers(&painter);
    QVERIFY(!painter.hasClipping());
    QCOMPARE(painter.viewport(), QRect(0, 0, 300, 200));
    QCOMPARE(painter.window(), QRect(0, 0, 300, 200));
    QVERIFY(!painter.testRenderHint(QPainter::Antialiasing));
    // Only the legend, which draws after the restore, may change the pen.
    chart.setShowLegend(false);
    painter.setPen(pen);
    chart.paintLayers(&painter);
    QCOMPARE(painter.pen(), pen);
}

void TestStandardDecorators::legendOnlyAtFullQuality()
{
    TestedChart chart;
    chart.resize(500, 300);
    chart.setShowScale(false);
    Channel a(0, 10, nullptr, "first", QPen(Qt::red));
    a.setShowScale(false);
    Channel b = a;
    b.setName("second");
    Channel hidden = a;
    hidden.setName("hidden but long");
    hidden.setVisible(false);
    chart.addChannel(a);
    chart.addChannel(b);
    chart.addChannel(hidden);
    QVERIFY(chart.record().texts.isEmpty());
    chart.setPaintOver();
    const Recording engine = chart.record();
    QCOMPARE(engine.texts.size(), 2);
    const QFontMetrics metrics(chart.font());
    const int widest = metrics.size(Qt::TextSingleLine, "hidden but long").width();
    QCOMPARE(engine.texts[0].text, QStringLiteral("first"));
    QCOMPARE(engine.texts[0].position, QPointF(500 - widest - 25, 35));
    QCOMPARE(engine.texts[1].position.y(),
             35.0 + metrics.size(Qt::TextSingleLine, "first").height());
    chart.setShowLegend(false);
    QVERIFY(chart.record().texts.isEmpty());
}

void TestStandardDecorators::degenerateChartsStillPaint()
{
    TestedChart narrow;
    narrow.resize(40, 30);
    for (int i = 0; i < 5; ++i)
        narrow.addChannel(Channel(-1e6, 1e6, nullptr, QString::number(i), QPen(Qt::red)));
    narrow.setXSubMesh(1000000);
    narrow.setYMesh(1000000);
    QVERIFY(!narrow.renderToImage().isNull());
    // One column at least, though it leaves no room for the plot.
    QVERIFY(scales(narrow)->scalesWidth() >= 7);

    // Bounds that were never widened: the scale functions refuse them and
    // the labels stop after one per main line.
    TestedChart flat;
    flat.resize(300, 400);
    flat.addChannel(Channel(5, 5, nullptr, "flat", QPen(Qt::red)));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("scaleStep"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("scaleRange"));
    QCOMPARE(flat.record().textsAt(7).count("5"), flat.yMesh() + 1);
}

void TestStandardDecorators::glassAndLabels()
{
    int calls = 0;
    auto counting = std::make_unique<CountingDecorator>(&calls);
    chart::Standard::GlassDecorator glass(std::move(counting));
    TestedChart chart;
    chart.resize(100, 100);
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    glass.paint(&painter, &chart);
    QCOMPARE(calls, 1);
    QVERIFY(QColor(image.pixel(50, 1)).red() > 150);
    QVERIFY(QColor(image.pixel(50, 99)).red() < 5);

    chart::Standard::LabelsDecorator labels(std::make_unique<CountingDecorator>(&calls));
    labels.paint(&painter, &chart);
    QCOMPARE(calls, 1);
}

QTEST_MAIN(TestStandardDecorators)
#include "test_standarddecorators.moc"
