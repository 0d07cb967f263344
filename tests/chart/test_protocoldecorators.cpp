#include "chart/chartprotocol.h"
#include "chartdata/pairdatacontainer.h"
#include "chart/scalesgridprotocoldecorator.h"
#include "chartfixtures.h"

#include <QtTest>

namespace {
class TestedChart : public Recorded<ChartProtocol>
{
public:
    TestedChart()
    {
        setChannelLookup(&catalogue);
        resize(800, 500);
        // Time labels stand on the clock's divisions: a fixed start keeps
        // them where they are, whatever the time now.
        setTimeBase(QDateTime(QDate(2024, 5, 1), QTime(10, 0)), 100);
    }
    Catalogue catalogue;
};

Channel stateChannel(double minimum, double maximum, chart::ChannelData* data = nullptr)
{
    return Channel(minimum, maximum, data, QStringLiteral("Режим (ST)"), QPen(Qt::green));
}
} // namespace

class TestProtocolDecorators : public QObject
{
    Q_OBJECT
private slots:
    void stateLabelsOnePerValue();
    void flatStateRangeIsKept();
    void codeCaptionOverEveryColumn();
    void minimumScaleWidthLinesChartsUp();
    void timeLabelsFromTheTimeBase();
    void timeLabelsOnReadableSteps_data();
    void timeLabelsOnReadableSteps();
    void valueBoxShowsValuesAndTime();
    void withoutLegendOnlyTheLines();
    void lowChartOfOneChannelShowsItsValueAlone_data();
    void lowChartOfOneChannelShowsItsValueAlone();
    void withoutTheBottomScaleNoTimeLabels();
    void valueBoxGoesWithItsLine_data();
    void valueBoxGoesWithItsLine();
};

void TestProtocolDecorators::stateLabelsOnePerValue()
{
    TestedChart chart;
    chart.addChannel(stateChannel(0, 3));
    const Recording r = chart.record();
    // Four values, 0 at the bottom; the range is not widened to whole steps.
    QCOMPARE(chart.channels().at(0).scaleRange(), std::make_pair(0.0, 3.75));
    const double unit = chart.plotHeight() / 3.75;
    const QStringList expected{"Ост", "Раб", "2", "Ава"};
    for (int i = 0; i < 4; ++i) {
        const Recording::Text* label = r.find(expected[i]);
        QVERIFY2(label, qPrintable(expected[i]));
        QCOMPARE(label->position.x(), 7.0);
        QCOMPARE(label->position.y(), chart.plotHeight() - i * unit - 2.5);
    }
    QCOMPARE(r.textsAt(7).size(), 5); // the four labels and the code

    // Where the curve draws each state: the same heights.
    QVector<QPointF> values;
    QRect plot;
    for (int i = 0; i < 4; ++i) {
        QPoint point(int(chart.scalesWidth()) + 10, int(chart.plotHeight() - i * unit));
        values.clear();
        chart.decorators()->valuesAt(point, values, &chart, plot);
        QVERIFY(qAbs(values.first().y() - i) < 0.05);
    }
}

void TestProtocolDecorators::flatStateRangeIsKept()
{
    TestedChart chart;
    chart.addChannel(stateChannel(-0.5, 1.0));
    const Recording r = chart.record();
    QCOMPARE(chart.channels().at(0).scaleMinimum(), -0.5);
    QCOMPARE(chart.channels().at(0).scaleMaximum(), 1.0 + 1.5 / 4);
    const double unit = chart.plotHeight() / 1.875;
    const Recording::Text* zero = r.find("Ост");
    QVERIFY(zero);
    QCOMPARE(zero->position.y(), chart.plotHeight() - 0.5 * unit - 2.5);
    QVERIFY(r.find("Раб"));
    QVERIFY(!r.find("-0"));

    // A numeric channel of the same bounds gets whole steps.
    TestedChart numeric;
    numeric.addChannel(Channel(-0.5, 1.0, nullptr, QStringLiteral("Ток (I1)"), QPen(Qt::red)));
    numeric.record();
    QCOMPARE(numeric.channels().at(0).scaleMinimum(), -0.5);
    QCOMPARE(numeric.channels().at(0).scaleMaximum(), 1.5 + 0.5);
}

void TestProtocolDecorators::codeCaptionOverEveryColumn()
{
    TestedChart chart;
    chart.addChannel(Channel(0, 100, nullptr, QStringLiteral("Ток (I1)"), QPen(Qt::red)));
    chart.addChannel(stateChannel(0, 3));
    chart.addChannel(Channel(0, 100, nullptr, QStringLiteral("Без кода"), QPen(Qt::red)));
    const Recording r = chart.record();
    const QFontMetrics metrics(chart.font());
    const Recording::Text* i1 = r.find("I1");
    QVERIFY(i1);
    QCOMPARE(i1->position, QPointF(7, metrics.size(Qt::TextSingleLine, "I1").height()));
    // Numeric labels stand in the same column, below the code.
    QCOMPARE(r.textsAt(7), (QStringList{"I1", "100", "75", "50", "25", "0"}));
    const Recording::Text* st = r.find("ST");
    QVERIFY(st);
    QVERIFY(st->position.x() > 7);
    QCOMPARE(r.find("Ост")->position.x(), st->position.x());
}

void TestProtocolDecorators::minimumScaleWidthLinesChartsUp()
{
    TestedChart wide;
    wide.addChannel(Channel(0, 1e9, nullptr, QStringLiteral("Ток (I1)"), QPen(Qt::red)));
    wide.addChannel(stateChannel(0, 3));
    wide.record();
    TestedChart narrow;
    narrow.addChannel(stateChannel(0, 3));
    narrow.addChannel(stateChannel(0, 3)); // same name: one column
    narrow.record();
    QVERIFY(narrow.scalesWidth() < wide.scalesWidth());

    // The widest of all, for every chart; a wider chart keeps its own.
    narrow.setMinimumScaleWidth(wide.scalesWidth());
    narrow.record();
    QCOMPARE(narrow.scalesWidth(), wide.scalesWidth());
    const double own = wide.scalesWidth();
    wide.setMinimumScaleWidth(own / 2);
    wide.record();
    QCOMPARE(wide.scalesWidth(), own);
}

void TestProtocolDecorators::timeLabelsFromTheTimeBase()
{
    TestedChart chart;
    chart.setTimeBase(QDateTime(QDate(2024, 5, 1), QTime(23, 59, 58)), 1000);
    chart.setSize(7.0); // one label per tick
    const Recording r = chart.record();
    // The label at the plot's left edge would stick out of the widget; the
    // first whole one carries the date, as does the first one of the new
    // day (00:00:00 would touch the dated label before it).
    QCOMPARE(r.textsBelow(chart.plotHeight()).mid(0, 4),
             (QStringList{"01.05 23:59:59", "02.05 00:00:01", "00:00:02", "00:00:03"}));
}

void TestProtocolDecorators::timeLabelsOnReadableSteps_data()
{
    // 10 ms ticks from 06:00:00 on a chart 1600 pixels wide.
    QTest::addColumn<double>("span");
    QTest::addColumn<double>("position");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("10 s: whole seconds")
        << 1000.0 << 0.0
        << QStringList{"07.12 06:00:01", "06:00:02", "06:00:03", "06:00:04", "06:00:05",
                       "06:00:06",       "06:00:07", "06:00:08", "06:00:09"};
    QTest::newRow("1.5 s: fifths of a second")
        << 150.0 << 300.0
        << QStringList{"07.12 06:00:03.2", "06:00:03.4", "06:00:03.6", "06:00:03.8",
                       "06:00:04.0",       "06:00:04.2", "06:00:04.4"};
    QTest::newRow("50 ms: one label per tick")
        << 5.0 << 300.0
        << QStringList{"07.12 06:00:03.01", "06:00:03.02", "06:00:03.03", "06:00:03.04"};
    QTest::newRow("5 h: half hours")
        << 1800000.0 << 0.0 << QStringList{"07.12 06:30", "07:00", "07:30", "08:00", "08:30",
                                           "09:00",       "09:30", "10:00", "10:30"};
}

void TestProtocolDecorators::timeLabelsOnReadableSteps()
{
    QFETCH(double, span);
    QFETCH(double, position);
    QFETCH(QStringList, labels);
    TestedChart chart;
    chart.resize(1600, 500);
    chart.setTimeBase(QDateTime(QDate(2026, 12, 7), QTime(6, 0)), 10);
    chart.setSize(span);
    chart.setPosition(position);
    const Recording r = chart.record();
    QCOMPARE(r.textsBelow(chart.plotHeight()), labels);
}

void TestProtocolDecorators::valueBoxShowsValuesAndTime()
{
    ChannelSeries state{{0, 1.0}, {2000, 3.0}, {4000, 3.0}};
    ChannelSeries current{{0, 1.0}, {4000, 3.0}};
    ChannelSeries empty;
    TestedChart chart;
    chart.addChannel(stateChannel(0, 3, new ProtocolSeriesData(&state)));
    chart.addChannel(
        Channel(0, 5, new ProtocolSeriesData(&current), QStringLiteral("Ток (I1)"), QPen(Qt::red)));
    // A second record of the same name without data there: the value of
    // the first non-zero one counts.
    chart.addChannel(
        Channel(0, 5, new ProtocolSeriesData(&empty), QStringLiteral("Ток (I1)"), QPen(Qt::blue)));
    chart.setTimeBase(QDateTime(QDate(2024, 5, 1), QTime(10, 0)), 100);
    chart.setEndDateTime(QDateTime(QDate(2024, 5, 3), QTime(9, 0)));
    chart.setLineValueX(1000); // state 2 (no text), current 1.5
    Recording r = chart.record();
    // The channel's decimals, as the table writes them: none for RATE 0,
    // up to three for I1.
    QVERIFY(r.find("Режим (ST) = 2"));
    QVERIFY(r.find("Ток (I1) = 1.5"));
    // A load over several days: the date, and milliseconds always.
    QVERIFY(r.find("Время = 01.05.2024 10:01:40.000"));
    // Names in text order inside the box, one line each.
    int lines = 0;
    for (const auto& t : r.texts)
        lines += t.text.contains(" = ");
    QCOMPARE(lines, 3);

    chart.setLineValueX(3002);
    chart.setPosition(3002 - 500); // the box shows with its line in view
    r = chart.record();
    QVERIFY(r.find("Режим (ST) = Авария"));
    QVERIFY(r.find("Ток (I1) = 2.501"));
    QVERIFY(r.find("Время = 01.05.2024 10:05:00.200"));

    // Outside the data there is no value: neither 0 nor the state text of 0.
    chart.setLineValueX(36000);
    chart.setPosition(36000 - 500); // the box shows with its line in view
    chart.setEndDateTime(QDateTime(QDate(2024, 5, 1), QTime(23, 0)));
    r = chart.record();
    QVERIFY(r.find("Режим (ST) = нет данных"));
    QVERIFY(r.find("Ток (I1) = нет данных"));
    // A load within one day leaves the date out.
    QVERIFY(r.find("Время = 11:00:00.000"));

    // A measured zero is shown as such.
    ChannelSeries zero{{0, 0.0}, {100, 0.0}};
    Catalogue catalogue;
    Recorded<ChartProtocol> plain;
    plain.resize(800, 500);
    plain.setChannelLookup(&catalogue);
    plain.addChannel(
        Channel(-1, 1, new ProtocolSeriesData(&zero), QStringLiteral("Ток (I1)"), QPen(Qt::red)));
    plain.setLineValueX(50);
    QVERIFY(plain.record().find("Ток (I1) = 0"));
    // A RATE 3 value keeps its third decimal, however small.
    ChannelSeries small{{0, 0.004}, {100, 0.004}};
    plain.clearChannels();
    plain.addChannel(
        Channel(-1, 1, new ProtocolSeriesData(&small), QStringLiteral("Ток (I1)"), QPen(Qt::red)));
    QVERIFY(plain.record().find("Ток (I1) = 0.004"));
    plain.clearChannels();

    chart.setTimeBase(QDateTime(QDate(2024, 5, 1), QTime(10, 0)), 1000);
    chart.setLineValueX(3000000);     // 3e9 ms: 34 days, 17 h 20 min
    chart.setPosition(3000000 - 500); // the box shows with its line in view
    QVERIFY(chart.record().find("Время = 05.06.2024 03:20:00.000"));
    chart.clearChannels();
}

void TestProtocolDecorators::withoutLegendOnlyTheLines()
{
    TestedChart chart;
    chart.setShowScale(false);
    chart.setBookmarks({250, 750});
    chart.setLineValueX(500);
    chart.setShowLegend(false);
    const Recording r = chart.record();
    QVERIFY(r.texts.isEmpty());
    const QVector<QPolygon> white = r.curves(Qt::white);
    const QVector<QPolygon> red = r.curves(Qt::red);
    QCOMPARE(white.size(), 2);
    QCOMPARE(red.size(), 1);
    QCOMPARE(white[0].first().x(), 200);
    QCOMPARE(white[1].first().x(), 600);
    QCOMPARE(red[0], QPolygon(QVector<QPoint>{QPoint(400, 0), QPoint(400, 500)}));
}

void TestProtocolDecorators::lowChartOfOneChannelShowsItsValueAlone_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("twoNames");
    QTest::addColumn<bool>("shared");
    QTest::addColumn<bool>("compact");
    QTest::newRow("120 px, one channel") << 120 << false << true << true;
    QTest::newRow("199 px, one channel") << 199 << false << true << true;
    QTest::newRow("200 px, one channel") << 200 << false << true << false;
    QTest::newRow("400 px, one channel") << 400 << false << true << false;
    QTest::newRow("150 px, two channels") << 150 << true << true << false;
    // The common chart keeps its time whatever its height.
    QTest::newRow("120 px, time not shared") << 120 << false << false << false;
}

void TestProtocolDecorators::lowChartOfOneChannelShowsItsValueAlone()
{
    QFETCH(int, height);
    QFETCH(bool, twoNames);
    QFETCH(bool, shared);
    QFETCH(bool, compact);
    ChannelSeries current{{0, 1.0}, {4000, 3.0}};
    ChannelSeries empty;
    ChannelSeries state{{0, 3.0}, {4000, 3.0}};
    TestedChart chart;
    chart.resize(800, height);
    chart.setTimeShared(shared);
    chart.setEndDateTime(QDateTime(QDate(2024, 5, 1), QTime(11, 0)));
    // The channel's records from two files, as on its own chart.
    chart.addChannel(
        Channel(0, 5, new ProtocolSeriesData(&empty), QStringLiteral("Ток (I1)"), QPen(Qt::blue)));
    chart.addChannel(
        Channel(0, 5, new ProtocolSeriesData(&current), QStringLiteral("Ток (I1)"), QPen(Qt::red)));
    if (twoNames)
        chart.addChannel(stateChannel(0, 3, new ProtocolSeriesData(&state)));
    chart.setLineValueX(1000);
    QStringList box;
    for (const Recording::Text& t : chart.record().texts)
        if (t.position.x() > chart.scalesWidth() && t.position.y() < chart.plotHeight())
            box << t.text;
    if (compact)
        QCOMPARE(box, QStringList{"1.5"});
    else if (twoNames)
        QCOMPARE(box,
                 (QStringList{"Ток (I1) = 1.5", "Режим (ST) = Авария", "Время = 10:01:40.000"}));
    else
        QCOMPARE(box, (QStringList{"Ток (I1) = 1.5", "Время = 10:01:40.000"}));

    // No value at the line reads as such in the short box too.
    chart.setLineValueX(9000);
    chart.setPosition(9000 - 500); // the box shows with its line in view
    const Recording r = chart.record();
    QCOMPARE(bool(r.find("нет данных")), compact);
    chart.clearChannels();
}

void TestProtocolDecorators::withoutTheBottomScaleNoTimeLabels()
{
    // The charts above the lowest share its time labels and draw none.
    TestedChart chart;
    chart.resize(800, 150);
    chart.addChannel(Channel(0, 5, nullptr, QStringLiteral("Ток (I1)"), QPen(Qt::red)));
    const QRegularExpression time("\\d\\d:\\d\\d");
    const auto timeLabels = [&] {
        int count = 0;
        for (const Recording::Text& t : chart.record().texts)
            count += time.match(t.text).hasMatch() && !t.text.startsWith(QStringLiteral("Время"));
        return count;
    };
    QVERIFY(timeLabels() >= 3);
    const double step = chart.gridStep();
    chart.setShowScale(false);
    QCOMPARE(timeLabels(), 0);
    // The grid keeps the time's marks, so that it lines up with the lowest.
    QCOMPARE(chart.gridStep(), step);
}

void TestProtocolDecorators::valueBoxGoesWithItsLine_data()
{
    // The view shows ticks 1000 to 2000.
    QTest::addColumn<int>("line");
    QTest::addColumn<bool>("shown");
    QTest::newRow("left of the view") << 990 << false;
    QTest::newRow("at its left edge") << 1000 << true;
    QTest::newRow("inside") << 1500 << true;
    QTest::newRow("at its right edge") << 2000 << true;
    QTest::newRow("right of the view") << 2010 << false;
    QTest::newRow("far away") << 2000000000 << false;
}

void TestProtocolDecorators::valueBoxGoesWithItsLine()
{
    QFETCH(int, line);
    QFETCH(bool, shown);
    TestedChart chart;
    chart.addChannel(Channel(0, 5, nullptr, QStringLiteral("Ток (I1)"), QPen(Qt::red)));
    chart.setPosition(1000);
    chart.record(); // the view as the scales layer lays it out
    chart.setLineValueX(line);
    const Recording r = chart.record();
    bool box = false;
    for (const Recording::Text& t : r.texts)
        box |= t.text.startsWith(QStringLiteral("Время = "));
    QCOMPARE(box, shown);
}

QTEST_MAIN(TestProtocolDecorators)
#include "test_protocoldecorators.moc"
