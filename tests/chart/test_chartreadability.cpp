#include "chart/chartprotocol.h"
#include "chartdata/pairdatacontainer.h"
#include "chartdata/scalelabels.h"
#include "chart/scalesgridpainter.h"
#include "chartdata/textcontrast.h"
#include "chartdata/valuebox.h"
#include "chartfixtures.h"

#include <QToolTip>
#include <QtTest>

#include <memory>

namespace {
// Channels "Канал k (Ck)"; every fourth one has states, the others
// RATEs 0 to 2.
class ManyChannels : public ChannelLookup
{
public:
    QString channelName(const QString& code) const override { return "Канал " + code.mid(1); }
    int rateById(int) const override { return 0; }
    int rateByCode(const QString& code) const override { return number(code) % 3; }
    QString codeByTitle(const QString& title) const override
    {
        const int open = title.lastIndexOf('(');
        return open < 0 ? QString() : title.mid(open + 1, title.size() - open - 2);
    }
    bool hasRefs(const QString& code) const override { return number(code) % 4 == 3; }
    QString refText(const QString& code, int raw) const override
    {
        static const QStringList texts{"Выключено", "Включено", "Авария", "Ожидание"};
        return hasRefs(code) && raw >= 0 && raw < texts.size() ? texts[raw] : QString();
    }

private:
    static int number(const QString& code) { return code.mid(1).toInt(); }
};

// A chart of `count` channels over `days` days of one point a minute, ticks
// of one second, starting at 06:00.
struct Scene
{
    Scene(int count, int days, QSize size)
    {
        chart.setChannelLookup(&lookup);
        chart.resize(size);
        const int ticks = days * 86400;
        series.resize(count);
        for (int c = 0; c < count; ++c) {
            const QString code = QStringLiteral("C%1").arg(c);
            const bool state = lookup.hasRefs(code);
            // Ranges of every kind: small, negative, large, states.
            const double low = state ? 0 : QVector<double>{0, -0.3, -50, 0}[c % 4];
            const double high = state ? 3 : QVector<double>{100, 0.3, 1250.5, 1e6}[c % 4];
            for (int t = 0; t <= ticks; t += 60)
                series[c].emplace_back(t, state ? (t / 3600) % 4
                                                : low + (high - low) * ((t / 60) % 97) / 96.0);
            chart.addChannel(Channel(low, high, new ProtocolSeriesData(&series[c]),
                                     QStringLiteral("Канал %1 (%2)").arg(c).arg(code),
                                     QPen(QColor::fromHsv(c * 360 / 17, 255, c % 2 ? 120 : 255))));
        }
        chart.setTimeBase(QDateTime(QDate(2024, 5, 1), QTime(6, 0)), 1000);
        chart.setSize(double(ticks));
        chart.setPosition(0);
        chart.setLineValueX(ticks * 3 / 4);
    }
    ~Scene() { chart.clearChannels(); }

    ManyChannels lookup;
    std::vector<ChannelSeries> series;
    Recorded<ChartProtocol> chart;
};
} // namespace

class TestChartReadability : public QObject
{
    Q_OBJECT
private slots:
    void noTextOverlapsAnother_data();
    void noTextOverlapsAnother();
    void labelsRoundedToTheirStep();
    void valueBoxReadableInEveryColour();
    void leftOutScalesAreCountedAndNamed_data();
    void leftOutScalesAreCountedAndNamed();
    void largeValueBoxStartsCompact_data();
    void largeValueBoxStartsCompact();
    void leftOutScalesTextAgreesWithItsNumber();
};

void TestChartReadability::noTextOverlapsAnother_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("days");
    for (int channels : {1, 8, 16})
        for (QSize size : {QSize(1600, 900), QSize(800, 400), QSize(600, 150)})
            for (int days : {1, 2})
                QTest::addRow("%d channels, %dx%d, %d days", channels, size.width(), size.height(),
                              days)
                    << channels << size << days;
}

void TestChartReadability::noTextOverlapsAnother()
{
    QFETCH(int, channels);
    QFETCH(QSize, size);
    QFETCH(int, days);
    Scene scene(channels, days, size);
    const Recording r = scene.chart.record();
    QVERIFY(!r.texts.isEmpty());
    for (int i = 0; i < r.texts.size(); ++i)
        for (int j = i + 1; j < r.texts.size(); ++j)
            QVERIFY2(!r.texts[i].rect.intersects(r.texts[j].rect),
                     qPrintable(r.texts[i].text + " / " + r.texts[j].text));

    // The plot keeps 60 % of the width; the value box stays inside it.
    const double plotLeft = scene.chart.scalesWidth();
    QVERIFY(plotLeft <= 0.4 * size.width() || channels == 1);
    const QRectF plot(plotLeft, 0, size.width() - plotLeft, scene.chart.plotHeight());
    QStringList box;
    for (const Recording::Text& t : r.texts) {
        if (t.text.contains(" = ") || t.text == QStringLiteral("…")) {
            box.append(t.text);
            QVERIFY2(plot.contains(t.rect), qPrintable(t.text));
        }
    }
    // The channels in their order, then "…" for those that did not fit,
    // then the time; where there is room, every channel.
    QVERIFY2(!box.isEmpty() && box.takeLast().startsWith(QStringLiteral("Время = ")),
             qPrintable(box.join(" | ")));
    const bool cut = !box.isEmpty() && box.last() == QStringLiteral("…");
    if (cut)
        box.removeLast();
    // (A box over more than a third of the plot shows the codes only.)
    for (int c = 0; c < box.size(); ++c)
        QVERIFY2(box[c].startsWith(QStringLiteral("Канал %1 (C%1) = ").arg(c)) ||
                     box[c].startsWith(QStringLiteral("C%1 = ").arg(c)),
                 qPrintable(box[c]));
    QCOMPARE(box.size() < channels, cut);
    // (The time line carries the date and milliseconds, so 16 channels
    // need more than 800 pixels' width.)
    const bool compact = !box.isEmpty() && box.first().startsWith(QStringLiteral("C0 = "));
    if (size.height() >= 400 && (size.width() >= 1600 || channels <= 8) && !compact)
        QCOMPARE(box.size(), channels);

    // The day shows on the first time label and where it changes.
    const QRegularExpression dated("^\\d\\d\\.\\d\\d \\d\\d:\\d\\d(:\\d\\d)?$");
    QStringList dates;
    for (const QString& label : r.textsBelow(scene.chart.plotHeight()))
        if (dated.match(label).hasMatch())
            dates << label.left(5);
    QCOMPARE(dates.value(0), QStringLiteral("01.05"));
    if (days == 2)
        QVERIFY2(dates.contains("02.05"), qPrintable(dates.join(",")));
}

void TestChartReadability::labelsRoundedToTheirStep()
{
    QCOMPARE(chart::scaleLabel(0.300000007153, 0.15), QStringLiteral("0.3"));
    QCOMPARE(chart::scaleLabel(-0.299999992847, 0.15), QStringLiteral("-0.3"));
    QCOMPARE(chart::scaleLabel(0.15000000596, 0.15000000596), QStringLiteral("0.15"));
    QCOMPARE(chart::scaleLabel(-1e-9, 0.25), QStringLiteral("0"));
    QCOMPARE(chart::scaleLabel(1500.0000001, 500), QStringLiteral("1500"));
    QCOMPARE(chart::scaleLabel(2.5, 0.5), QStringLiteral("2.5"));
    QCOMPARE(chart::scaleLabel(1e20, 1e19), QStringLiteral("1E+20"));

    // A channel whose bounds came from single precision.
    Recorded<ChartProtocol> chart;
    Catalogue catalogue;
    chart.setChannelLookup(&catalogue);
    chart.resize(600, 400);
    chart.setTimeBase(QDateTime(QDate(2024, 5, 1), QTime(10, 0)), 100);
    chart.addChannel(Channel(double(-0.3f), double(0.3f), nullptr, "Ток (I1)", QPen(Qt::red)));
    // [-0.3, 0.3] in four steps of 0.2 from the noisy -0.3.
    QCOMPARE(chart.record().textsAt(7), (QStringList{"I1", "0.4", "0.2", "0", "-0.2", "-0.4"}));
}

void TestChartReadability::valueBoxReadableInEveryColour()
{
    // Every line stands out from the box, by its colour or its outline.
    for (const char* name : {"cyan", "magenta", "yellow", "gray", "darkCyan", "darkMagenta",
                             "olive", "darkGray", "black", "blue", "navy", "white", "red"}) {
        const QColor text(name);
        for (const QColor& box : {chart::kValueBoxTop, chart::kValueBoxBottom}) {
            // An outline must stand out from the box itself, or the line's
            // silhouette melts into it (dark cyan outlined in black did).
            const QColor outline = chart::outlineFor(text, box);
            const double contrast = outline.isValid() ? chart::contrastRatio(outline, box)
                                                      : chart::contrastRatio(text, box);
            QVERIFY2(contrast >= 4.5, name);
        }
    }
    // Greys on white either side of the readable contrast, worked out by hand:
    // #767676 gives 4.54, #777777 4.48, red 4.00; the order does not matter.
    const QColor white(Qt::white);
    for (const auto& [colour, ratio] : {std::pair<const char*, double>{"#767676", 4.5423},
                                        {"#777777", 4.4782},
                                        {"#ff0000", 3.9985}}) {
        QVERIFY2(qAbs(chart::contrastRatio(QColor(colour), white) - ratio) < 1e-3, colour);
        QVERIFY2(qAbs(chart::contrastRatio(white, QColor(colour)) - ratio) < 1e-3, colour);
    }
    QVERIFY(!chart::outlineFor(QColor("#767676"), white).isValid());
    QCOMPARE(chart::outlineFor(QColor("#777777"), white), QColor(Qt::black));

    // Too many lines for the plot's height: more columns, then an ellipsis.
    const QFont font;
    const QFontMetrics metrics(font);
    QVector<chart::ValueBoxLine> lines;
    for (int i = 0; i < 16; ++i)
        lines.append(
            {QString::number(i), QStringLiteral("Канал %1 (C%1) = 1.25").arg(i), Qt::cyan, {}});
    lines.append({QString(), QStringLiteral("Время = 06:00:00"), Qt::white, {}});
    const QRect plot(100, 0, 500, 6 * metrics.height());
    const chart::ValueBoxLayout layout = chart::layoutValueBox(lines, metrics, plot, 550);
    QVERIFY(plot.contains(layout.box));
    QVERIFY(layout.texts.size() < lines.size());
    QCOMPARE(layout.texts.last().text, QStringLiteral("Время = 06:00:00"));
    QCOMPARE(layout.texts[layout.texts.size() - 2].text, QStringLiteral("…"));
    // Left of the value line, since it is near the plot's right edge.
    QVERIFY(layout.box.right() < 550);
}

void TestChartReadability::largeValueBoxStartsCompact_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<QSize>("plot");
    QTest::addColumn<bool>("compactWhenLarge");
    QTest::addColumn<bool>("compact");
    QTest::addColumn<int>("timeLines");
    QTest::newRow("8 channels, a large plot") << 8 << QSize(1300, 700) << true << false << 1;
    QTest::newRow("64 channels") << 64 << QSize(1300, 700) << true << true << 1;
    QTest::newRow("64 channels, all asked for") << 64 << QSize(1300, 700) << false << false << 1;
    QTest::newRow("16 channels, a small plot") << 16 << QSize(600, 300) << true << true << 1;
    // A comparison's box ends with the time and the time of each protocol.
    QTest::newRow("8 curves, 3 protocols") << 8 << QSize(1300, 700) << true << false << 4;
    QTest::newRow("64 curves, 3 protocols") << 64 << QSize(1300, 700) << true << true << 4;
    QTest::newRow("16 curves, 3 protocols, a small plot")
        << 16 << QSize(600, 300) << true << true << 4;
}

void TestChartReadability::largeValueBoxStartsCompact()
{
    // A box that would cover more than a third of the plot shows the
    // channels' short lines, as many as a third holds, and the hint.
    QFETCH(int, channels);
    QFETCH(QSize, plot);
    QFETCH(bool, compactWhenLarge);
    QFETCH(bool, compact);
    QFETCH(int, timeLines);
    const QFontMetrics metrics{QFont()};
    QVector<chart::ValueBoxLine> lines;
    for (int i = 0; i < channels; ++i)
        lines.append({QString::number(i), QStringLiteral("Параметр номер %1 (P%1) = 1.25").arg(i),
                      Qt::cyan, QStringLiteral("P%1 = 1.25").arg(i)});
    QStringList times{QStringLiteral("Время = 06:00:00")};
    for (int i = 1; i < timeLines; ++i)
        times.append(QStringLiteral("[%1] 11.03.2024 08:12:30.250").arg(i));
    for (const QString& time : times)
        lines.append({QString(), time, Qt::white, {}});
    const QRect area(QPoint(100, 0), plot);
    const chart::ValueBoxLayout layout = chart::layoutValueBox(
        lines, metrics, area, 300, {compactWhenLarge, QStringLiteral("Hint"), timeLines});
    QVERIFY(area.contains(layout.box));
    QStringList texts;
    for (const chart::ValueBoxLayout::Text& text : layout.texts)
        texts.append(text.text);
    QCOMPARE(texts.mid(texts.size() - timeLines), times);
    QCOMPARE(texts.contains(QStringLiteral("Hint")), compact);
    QCOMPARE(texts.first(), compact ? QStringLiteral("P0 = 1.25") : lines.first().text);
    if (compact) {
        QVERIFY(double(layout.box.width()) * layout.box.height() <=
                plot.width() * plot.height() / 3.0);
        // The third is used: one line more would not have fitted.
        QVERIFY(texts.size() >= 5);
    } else if (compactWhenLarge) {
        QCOMPARE(texts.size(), channels + timeLines);
    }
}

void TestChartReadability::leftOutScalesAreCountedAndNamed_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("leftOut");
    QTest::newRow("one channel, narrow") << 1 << 300 << false;
    QTest::newRow("8 channels, wide") << 8 << 1600 << false;
    QTest::newRow("16 channels, 1000 wide") << 16 << 1000 << true;
    QTest::newRow("16 channels, narrow") << 16 << 600 << true;
}

void TestChartReadability::leftOutScalesAreCountedAndNamed()
{
    QFETCH(int, channels);
    QFETCH(int, width);
    QFETCH(bool, leftOut);
    Scene scene(channels, 1, QSize(width, 900));
    Recording r = scene.chart.record();
    // The codes over the columns name the channels that have one.
    QStringList captioned;
    QStringList missing;
    for (int c = 0; c < channels; ++c) {
        const bool has = r.find(QStringLiteral("C%1").arg(c));
        (has ? captioned : missing) << QStringLiteral("Канал %1 (C%1)").arg(c);
    }
    QCOMPARE(scene.chart.leftOutScales(), missing);
    QCOMPARE(!missing.isEmpty(), leftOut);
    QStringList markers;
    for (const Recording::Text& t : r.texts)
        if (t.text.startsWith('+'))
            markers << t.text;
    if (!leftOut) {
        QVERIFY(markers.isEmpty());
        QVERIFY(scene.chart.leftOutMarker().isNull());
        QVERIFY(scene.chart.leftOutScalesToolTip().isEmpty());
        return;
    }
    // One marker in the bottom band, left, where the columns stand.
    QCOMPARE(markers.size(), 1);
    QVERIFY2(markers[0].startsWith(QStringLiteral("+%1 шкал").arg(missing.size())),
             qPrintable(markers[0]));
    const Recording::Text* marker = r.find(markers[0]);
    QVERIFY(marker->position.y() > scene.chart.plotHeight());
    QVERIFY(marker->position.x() < scene.chart.scalesWidth());
    QVERIFY(scene.chart.leftOutMarker().contains(marker->rect.center().toPoint()));
    const QString tip = scene.chart.leftOutScalesToolTip();
    for (const QString& name : missing)
        QVERIFY2(tip.contains(name), qPrintable(name));
    QVERIFY(!tip.contains(captioned.last()));
    QVERIFY(tip.contains(QStringLiteral("«Шкала»")));

    // The tooltip over the marker, nothing beside it.
    scene.chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.chart));
    const QPoint over = scene.chart.leftOutMarker().center();
    QHelpEvent help(QEvent::ToolTip, over, scene.chart.mapToGlobal(over));
    QApplication::sendEvent(&scene.chart, &help);
    QTRY_COMPARE(QToolTip::text(), tip);
    const QPoint beside(width / 2, 10);
    QHelpEvent away(QEvent::ToolTip, beside, scene.chart.mapToGlobal(beside));
    QApplication::sendEvent(&scene.chart, &away);
    QTRY_VERIFY(!QToolTip::isVisible());

    // Scales switched off in the menu are not left out but hidden: with
    // the first ones off, every other channel gets its column.
    for (int c = 0; c < missing.size(); ++c)
        scene.chart.channelAt(c)->setShowScale(false);
    r = scene.chart.record();
    QVERIFY2(scene.chart.leftOutScales().isEmpty(),
             qPrintable(scene.chart.leftOutScales().join(',')));
    for (const Recording::Text& t : r.texts)
        QVERIFY2(!t.text.startsWith('+'), qPrintable(t.text));
}

void TestChartReadability::leftOutScalesTextAgreesWithItsNumber()
{
    const QFontMetrics metrics{QFont()};
    const auto text = [&](int n) {
        return chart::ScalesGridPainter::leftOutScalesText(n, metrics, 1000);
    };
    QCOMPARE(text(1), QStringLiteral("+1 шкала скрыта"));
    QCOMPARE(text(3), QStringLiteral("+3 шкалы скрыты"));
    QCOMPARE(text(5), QStringLiteral("+5 шкал скрыто"));
    QCOMPARE(text(11), QStringLiteral("+11 шкал скрыто"));
    QCOMPARE(text(12), QStringLiteral("+12 шкал скрыто"));
    QCOMPARE(text(21), QStringLiteral("+21 шкала скрыта"));
    QCOMPARE(text(104), QStringLiteral("+104 шкалы скрыты"));
    QCOMPARE(text(111), QStringLiteral("+111 шкал скрыто"));
    // Without room for the words, the number alone.
    const int room = metrics.horizontalAdvance(QStringLiteral("+7 шкал скрыто"));
    QCOMPARE(chart::ScalesGridPainter::leftOutScalesText(7, metrics, room),
             QStringLiteral("+7 шкал скрыто"));
    QCOMPARE(chart::ScalesGridPainter::leftOutScalesText(7, metrics, room - 1),
             QStringLiteral("+7"));
}

QTEST_MAIN(TestChartReadability)
#include "test_chartreadability.moc"
