#include "chart/chartpicture.h"
#include "chart/chartprotocol.h"
#include "chartdata/pairdatacontainer.h"
#include "chartfixtures.h"
#include "compare/relativetime.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QString kCurrent = QStringLiteral("Ток (I1)");
const QString kState = QStringLiteral("Режим (ST)");

qint64 zeroAt(int day, int hour)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, 0)).toMSecsSinceEpoch();
}

// Three compared runs of a current and a state, x in ms since each zero:
// run 1 from 0 to 10 s, run 2 from -5 s on, run 3 only from 5 s on; and
// the difference of runs 2 and 1.
struct Comparison
{
    Comparison()
    {
        chart.setChannelLookup(&catalogue);
        chart.resize(900, 500);
        chart.setComparedProtocols({{"11.03.2024 08:00", zeroAt(11, 8)},
                                    {"12.03.2024 09:00", zeroAt(12, 9)},
                                    {"13.03.2024 10:00", zeroAt(13, 10)}});
        add(kCurrent, 0, current[0], Qt::red, 500);
        add(kCurrent, 1, current[1], Qt::red, 500);
        add(kCurrent, 2, current[2], Qt::red, 500);
        add(kState, 0, state[0], Qt::green, 3);
        add(kState, 1, state[1], Qt::green, 3);
        Channel difference(-5, 5, new ProtocolSeriesData(&diff), kCurrent + " [2\u22121]",
                           QPen(Qt::yellow));
        chart.addChannel(difference);
        chart.setSize(20000);
        chart.setPosition(-5000.0);
    }
    ~Comparison() { chart.clearChannels(); }
    void add(const QString& name, int protocol, const ChannelSeries& series, Qt::GlobalColor c,
             double maximum)
    {
        Channel channel(0, maximum, new ProtocolSeriesData(&series), name,
                        ChartProtocol::comparedPen(c, protocol));
        channel.setProtocol(protocol);
        chart.addChannel(channel);
    }
    ChannelSeries current[3] = {{{0, 230.5}, {10000, 230.5}},
                                {{-5000, 229.8}, {10000, 229.8}},
                                {{5000, 231.0}, {10000, 232.0}}};
    ChannelSeries state[2] = {{{0, 1}, {10000, 1}}, {{-5000, 3}, {10000, 3}}};
    ChannelSeries diff{{0, -2.0}, {10000, -2.0}};
    Catalogue catalogue;
    Recorded<ChartProtocol> chart;
};

QStringList textsOf(const QVector<chart::ValueBoxLine>& lines)
{
    QStringList texts;
    for (const chart::ValueBoxLine& line : lines)
        texts << line.text;
    return texts;
}

void altMouse(ChartProtocol& chart, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, Qt::LeftButton, buttons, Qt::AltModifier);
    QApplication::sendEvent(&chart, &event);
}
} // namespace

class TestComparisonChart : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void comparedPens_data();
    void comparedPens();
    void valueBoxPerCurve_data();
    void valueBoxPerCurve();
    void valueBoxTimesFollowTheZeros();
    void axisLegendAndBackToOrdinary();
    void colourByNameKeepsTheProtocolsPens();
    void altDragShiftsTheNearestProtocol_data();
    void altDragShiftsTheNearestProtocol();
    void pictureCarriesTheComparison();
    void longCurvesShowTheirPattern_data();
    void longCurvesShowTheirPattern();
};

void TestComparisonChart::initTestCase()
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
}

void TestComparisonChart::comparedPens_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("style");
    QTest::addColumn<QColor>("colour");
    const QColor blue(0, 0, 200);
    const QColor light(127, 127, 227);
    QTest::newRow("1: solid") << 0 << int(Qt::SolidLine) << blue;
    QTest::newRow("2: dashed") << 1 << int(Qt::DashLine) << blue;
    QTest::newRow("3: dotted") << 2 << int(Qt::DotLine) << blue;
    QTest::newRow("4: dash-dot") << 3 << int(Qt::DashDotLine) << blue;
    QTest::newRow("5: lighter solid") << 4 << int(Qt::SolidLine) << light;
    QTest::newRow("8: lighter dash-dot") << 7 << int(Qt::DashDotLine) << light;
    QTest::newRow("9: round again") << 8 << int(Qt::SolidLine) << blue;
    QTest::newRow("no protocol") << -1 << int(Qt::SolidLine) << blue;
}

void TestComparisonChart::comparedPens()
{
    QFETCH(int, protocol);
    QFETCH(int, style);
    QFETCH(QColor, colour);
    const QPen pen = ChartProtocol::comparedPen(QColor(0, 0, 200), protocol);
    QCOMPARE(int(pen.style()), style);
    QCOMPARE(pen.color(), colour);
    QCOMPARE(pen.widthF(), 2.0);
    // Square caps would fill the gaps of a dotted line.
    QCOMPARE(pen.capStyle(), style == Qt::SolidLine ? Qt::SquareCap : Qt::FlatCap);
}

void TestComparisonChart::valueBoxPerCurve_data()
{
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QStringList>("channelLines");
    QTest::newRow("runs 1 and 2, 3 not yet")
        << qint64(2000)
        << QStringList{"Ток (I1) [1] = 230.5",      "Ток (I1) [2] = 229.8 (Δ \u22120.7)",
                       "Ток (I1) [3] = нет данных", "Режим (ST) [1] = Работа",
                       "Режим (ST) [2] = Авария",   "Ток (I1) [2\u22121] = -2"};
    QTest::newRow("all three, above and below run 1")
        << qint64(7500)
        << QStringList{"Ток (I1) [1] = 230.5",        "Ток (I1) [2] = 229.8 (Δ \u22120.7)",
                       "Ток (I1) [3] = 231.5 (Δ +1)", "Режим (ST) [1] = Работа",
                       "Режим (ST) [2] = Авария",     "Ток (I1) [2\u22121] = -2"};
    QTest::newRow("before run 1: nothing to tell against")
        << qint64(-1000)
        << QStringList{"Ток (I1) [1] = нет данных", "Ток (I1) [2] = 229.8",
                       "Ток (I1) [3] = нет данных", "Режим (ST) [1] = нет данных",
                       "Режим (ST) [2] = Авария",   "Ток (I1) [2\u22121] = нет данных"};
}

void TestComparisonChart::valueBoxPerCurve()
{
    QFETCH(qint64, line);
    QFETCH(QStringList, channelLines);
    Comparison c;
    c.chart.setLineValueX(line);
    const QVector<chart::ValueBoxLine> lines = c.chart.comparisonValueBoxLines();
    QCOMPARE(textsOf(lines).mid(0, channelLines.size()).join("|"), channelLines.join("|"));
    // Each in its curve's pen colour, compact with the code.
    QCOMPARE(lines.at(1).colour, QColor(Qt::red));
    QCOMPARE(lines.at(1).compact, QStringLiteral("I1[2] = 229.8"));
    QCOMPARE(lines.at(5).colour, QColor(Qt::yellow));

    // A hidden curve has no line, and a run without protocol 1's curve
    // shown still tells the others apart by number, without differences.
    c.chart.channelAt(0)->setVisible(false);
    const QStringList hidden = textsOf(c.chart.comparisonValueBoxLines());
    QVERIFY(!hidden.contains(channelLines.at(0)));
    QVERIFY(hidden.contains(QStringLiteral("Ток (I1) [2] = 229.8")));
}

void TestComparisonChart::valueBoxTimesFollowTheZeros()
{
    Comparison c;
    c.chart.setLineValueX(12 * 60000 + 30250);
    c.chart.setPosition(12 * 60000 + 20000.0);
    QStringList times = textsOf(c.chart.comparisonValueBoxLines()).mid(6);
    QCOMPARE(times, (QStringList{"Время = +00:12:30.250", "[1] 11.03.2024 08:12:30.250",
                                 "[2] 12.03.2024 09:12:30.250", "[3] 13.03.2024 10:12:30.250"}));
    // A protocol shifted by the user: its own time moves, the relative one stays.
    c.chart.setComparedZero(1, zeroAt(12, 9) - 1500);
    c.chart.setComparedZero(7, 0); // no such protocol: nothing changes
    times = textsOf(c.chart.comparisonValueBoxLines()).mid(6);
    QCOMPARE(times.at(0), QStringLiteral("Время = +00:12:30.250"));
    QCOMPARE(times.at(2), QStringLiteral("[2] 12.03.2024 09:12:28.750"));
    QCOMPARE(times.size(), 4);
    // An hour after 01:30 on the night the clocks go forward is 03:30.
    c.chart.setComparedZero(2, QDateTime(QDate(2024, 3, 31), QTime(1, 30)).toMSecsSinceEpoch());
    c.chart.setLineValueX(3600000);
    times = textsOf(c.chart.comparisonValueBoxLines()).mid(6);
    QCOMPARE(times.at(0), QStringLiteral("Время = +01:00:00.000"));
    QCOMPARE(times.at(3), QStringLiteral("[3] 31.03.2024 03:30:00.000"));
    c.chart.setComparedZero(2, zeroAt(13, 10));
    c.chart.setLineValueX(12 * 60000 + 30250);

    // The painted box shows them all, the times last.
    const Recording r = c.chart.record();
    QVERIFY(r.find(QStringLiteral("Ток (I1) [2] = нет данных")));
    const Recording::Text* time = r.find(QStringLiteral("Время = +00:12:30.250"));
    const Recording::Text* third = r.find(QStringLiteral("[3] 13.03.2024 10:12:30.250"));
    QVERIFY(time && third);
    QVERIFY(third->position.y() > time->position.y());
}

void TestComparisonChart::axisLegendAndBackToOrdinary()
{
    Comparison c;
    QCOMPARE(c.chart.tickLength(), quint16(1));
    Recording r = c.chart.record();
    const QStringList bottom = r.textsBelow(c.chart.plotHeight());
    // Whole steps from the zero, signed, without a date.
    QVERIFY2(bottom.contains(QStringLiteral("+00:00:00")), qPrintable(bottom.join(' ')));
    QVERIFY2(bottom.contains(QStringLiteral("+00:00:10")), qPrintable(bottom.join(' ')));
    QVERIFY2(bottom.first().startsWith('-'), qPrintable(bottom.join(' ')));
    for (const QString& label : bottom) {
        qint64 ms = 0;
        QVERIFY2(parseRelativeTime(label, ms) && ms % 1000 == 0, qPrintable(label));
    }
    // One legend entry per curve, named by run; the difference by its name.
    for (const QString& entry :
         {QStringLiteral("Ток (I1) · 11.03.2024 08:00"),
          QStringLiteral("Ток (I1) · 13.03.2024 10:00"),
          QStringLiteral("Режим (ST) · 12.03.2024 09:00"), QStringLiteral("Ток (I1) [2\u22121]")})
        QVERIFY2(r.find(entry), qPrintable(entry));

    // Without protocols: the ordinary chart, with the time base it had.
    const QDateTime start(QDate(2024, 5, 1), QTime(10, 0));
    Recorded<ChartProtocol> plain;
    plain.resize(900, 500);
    plain.setTimeBase(start, 100);
    plain.setEndDateTime(start);
    plain.setComparedProtocols({{"a", 0}});
    plain.setComparedProtocols({});
    QVERIFY(!plain.isComparison());
    QCOMPARE(plain.startDateTime(), start);
    QCOMPARE(plain.tickLength(), quint16(100));
    r = plain.record();
    const QStringList clock = r.textsBelow(plain.plotHeight());
    QVERIFY2(clock.size() > 1 && clock.at(1).startsWith(QStringLiteral("10:0")),
             qPrintable(clock.join(' ')));
    QVERIFY(r.find(QStringLiteral("Время = 10:00:50.000")));
}

void TestComparisonChart::colourByNameKeepsTheProtocolsPens()
{
    Recorded<ChartProtocol> chart;
    ChannelSeries none;
    for (const int protocol : {1, 5, -1}) {
        Channel channel(0, 1, new ProtocolSeriesData(&none), "U1",
                        ChartProtocol::comparedPen(Qt::red, protocol));
        channel.setProtocol(protocol);
        chart.addChannel(channel);
    }
    chart.setComparedProtocols({{"a", 0}, {"b", 0}});
    chart.setNamedChannelColor("U1", QColor(0, 0, 200));
    QCOMPARE(chart.channelAt(0)->pen(), ChartProtocol::comparedPen(QColor(0, 0, 200), 1));
    QCOMPARE(chart.channelAt(1)->pen(), ChartProtocol::comparedPen(QColor(0, 0, 200), 5));
    // A curve of no protocol takes the colour alone.
    QCOMPARE(chart.channelAt(2)->pen().color(), QColor(0, 0, 200));
    chart.clearChannels();
}

void TestComparisonChart::altDragShiftsTheNearestProtocol_data()
{
    QTest::addColumn<bool>("nearTheTop");
    QTest::addColumn<int>("protocol");
    QTest::newRow("upper curve") << true << 1;
    QTest::newRow("lower curve") << false << 0;
}

void TestComparisonChart::altDragShiftsTheNearestProtocol()
{
    QFETCH(bool, nearTheTop);
    QFETCH(int, protocol);
    // Run 1 low, run 2 high; the upper curve is also drawn first, so the
    // pick goes by distance, not by order.
    ChannelSeries low{{0, 1.0}, {100000, 1.0}};
    ChannelSeries high{{0, 9.0}, {100000, 9.0}};
    ChartProtocol chart;
    chart.resize(700, 300);
    chart.setComparedProtocols({{"a", 0}, {"b", 0}});
    for (const auto& [series, p] : {std::make_pair(&high, 1), std::make_pair(&low, 0)}) {
        Channel channel(0, 10, new ProtocolSeriesData(series), "U1",
                        ChartProtocol::comparedPen(Qt::red, p));
        channel.setProtocol(p);
        chart.addChannel(channel);
    }
    chart.setSize(10000);
    chart.renderToImage();
    const ScaleSettings& s = chart.scaleSettings();
    const double msPerPixel = (s.visibleEnd - s.visibleStart) / (700 - chart.scalesWidth());
    const int plotHeight = 300 - 2 * QFontMetrics(chart.font()).height();
    const QPoint press(400, nearTheTop ? plotHeight / 10 + 8 : plotHeight * 9 / 10 - 8);

    QSignalSpy dragged(&chart, &ChartProtocol::protocolShiftDragged);
    QSignalSpy dropped(&chart, &ChartProtocol::protocolShiftDropped);
    QSignalSpy line(&chart, &ChartProtocol::lineValueXChanged);
    altMouse(chart, QEvent::MouseButtonPress, press, Qt::LeftButton);
    altMouse(chart, QEvent::MouseMove, press + QPoint(70, 30), Qt::LeftButton);
    altMouse(chart, QEvent::MouseMove, press + QPoint(-20, 0), Qt::LeftButton);
    altMouse(chart, QEvent::MouseButtonRelease, press + QPoint(100, 0), Qt::NoButton);
    QCOMPARE(dragged.count(), 2);
    QCOMPARE(dragged.at(0).at(0).toInt(), protocol);
    QCOMPARE(dragged.at(0).at(1).toLongLong(), qRound64(70 * msPerPixel));
    QCOMPARE(dragged.at(1).at(1).toLongLong(), qRound64(-20 * msPerPixel));
    QCOMPARE(dropped.count(), 1);
    QCOMPARE(dropped.at(0).at(0).toInt(), protocol);
    QCOMPARE(dropped.at(0).at(1).toLongLong(), qRound64(100 * msPerPixel));
    QCOMPARE(line.count(), 0);
    QCOMPARE(chart.zoom(), 1.0);

    // Where no compared curve has a value, or outside a comparison, Alt
    // drags nothing.
    const QPoint outside(chart.scalesWidth() + 10, press.y());
    chart.setPosition(-50000.0);
    altMouse(chart, QEvent::MouseButtonPress, outside, Qt::LeftButton);
    altMouse(chart, QEvent::MouseButtonRelease, outside + QPoint(30, 0), Qt::NoButton);
    chart.setPosition(0.0);
    chart.setComparedProtocols({});
    altMouse(chart, QEvent::MouseButtonPress, press, Qt::LeftButton);
    altMouse(chart, QEvent::MouseMove, press + QPoint(30, 0), Qt::LeftButton);
    altMouse(chart, QEvent::MouseButtonRelease, press + QPoint(30, 0), Qt::NoButton);
    QCOMPARE(dragged.count(), 2);
    QCOMPARE(dropped.count(), 1);
    chart.clearChannels();
}

void TestComparisonChart::pictureCarriesTheComparison()
{
    Comparison c;
    ChartPictureOptions options;
    options.size = QSize(1200, 700);
    ChartPicture picture(c.chart, options, -5000, 15000, QStringLiteral("Сравнение"));
    QCOMPARE(picture.charts().first()->comparedProtocols().size(), 3);
    // A legend entry per curve: five compared ones and the difference.
    QCOMPARE(picture.geometry().legend.size(), 6);
    QImage image = picture.toImage();
    QVERIFY(!isBlankImage(image));
    const auto* chart = picture.charts().first();
    QCOMPARE(chart->tickLength(), quint16(1));
    QCOMPARE(chart->channels().at(1).protocol(), 1);
    QCOMPARE(chart->channels().at(1).pen().style(), Qt::DashLine);
}

void TestComparisonChart::longCurvesShowTheirPattern_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<bool>("noisy");
    QTest::addColumn<bool>("gaps");
    QTest::newRow("solid line") << 0 << false << false;
    QTest::newRow("dashed line") << 1 << false << true;
    QTest::newRow("dotted line") << 2 << false << true;
    // A noisy curve stays a band, which hides nothing under its line.
    QTest::newRow("noisy dashed band") << 1 << true << false;
}

void TestComparisonChart::longCurvesShowTheirPattern()
{
    QFETCH(int, protocol);
    QFETCH(bool, noisy);
    QFETCH(bool, gaps);
    // Far more points than pixel columns: drawn from the min/max pyramid
    // where the pattern would be lost.
    constexpr int kPoints = 40000;
    const ChannelSeries series = seriesOf(kPoints, [&](int i) {
        return 5 + (noisy ? ((i * 7919) % 200 - 100) / 50.0 : std::sin(i * 1e-4));
    });
    ChartProtocol chart;
    chart.resize(600, 300);
    chart.setShowLegend(false);
    chart.setShowGrid(false);
    chart.setComparedProtocols({{"a", 0}, {"b", 0}, {"c", 0}});
    Channel channel(0, 10, new ProtocolSeriesData(&series), "U1",
                    ChartProtocol::comparedPen(Qt::red, protocol));
    channel.setProtocol(protocol);
    chart.addChannel(channel);
    chart.setSize(kPoints);
    chart.setLineValueX(-1000000);
    const QImage image = chart.renderToImage();
    chart.clearChannels();

    const int left = int(chart.scalesWidth()) + 5;
    int bare = 0;
    for (int x = left; x < 590; ++x) {
        bool red = false;
        for (int y = 0; y < 250 && !red; ++y) {
            const QColor pixel = image.pixelColor(x, y);
            red =
                pixel.red() > 80 && pixel.red() > pixel.green() + 40 && pixel.red() > pixel.blue();
        }
        bare += red ? 0 : 1;
    }
    const double share = double(bare) / (590 - left);
    QVERIFY2(gaps ? share > 0.2 : share < 0.02, qPrintable(QString::number(share)));
}

QTEST_MAIN(TestComparisonChart)
#include "test_comparisonchart.moc"
