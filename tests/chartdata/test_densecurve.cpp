#include "chartdata/curvedecimator.h"
#include "chartdata/densecurve.h"
#include "chartdata/minmaxpyramid.h"
#include "chartdata/pairdatacontainer.h"
#include "chartdata/painterbatchsink.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>

namespace {
struct View
{
    bool squeezed;
    double penWidth;
};

QImage blank()
{
    QImage image(800, 500, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

// The painter as the channel layer gets it: clipped to the plot, the whole
// widget mapped onto it.
void setUp(QPainter& painter, const View& view)
{
    if (view.squeezed) {
        painter.setClipRect(QRect(40, 0, 740, 470));
        painter.setViewport(40, 0, 740, 470);
    }
    painter.setWindow(0, 0, 800, 500);
    painter.setPen(QPen(Qt::white, view.penWidth));
}

// Every point, as the chart drew before dense curves had spans.
QImage drawExact(ChannelSeries& series, const chart::CurveMapping& m, const View& view)
{
    QImage image = blank();
    QPainter painter(&image);
    setUp(painter, view);
    chart::PainterBatchSink sink(&painter, chart::PainterBatchSink::Polyline);
    chart::CurveDecimator decimator(sink);
    decimator.begin(false);
    for (const auto& p : series) {
        if (std::isnan(p.second))
            decimator.breakLine();
        else
            decimator.add(m.xFactor * p.first + m.xOffset, m.yFactor * p.second + m.yOffset);
    }
    decimator.finish();
    return image;
}

QImage drawDense(ChannelSeries& series, const chart::CurveMapping& m, const View& view)
{
    QImage image = blank();
    QPainter painter(&image);
    setUp(painter, view);
    ProtocolSeriesData data(&series);
    chart::paintDenseCurve(&painter, data, 0, data.size(), m);
    return image;
}
} // namespace

class TestDenseCurve : public QObject
{
    Q_OBJECT
private slots:
    void pyramidExtremesMatchAPlainScan_data();
    void pyramidExtremesMatchAPlainScan();
    void searchFromAnIndexFindsWhatABinarySearchFinds();
    void spansDrawWhatEveryPointDraws_data();
    void spansDrawWhatEveryPointDraws();
};

void TestDenseCurve::pyramidExtremesMatchAPlainScan_data()
{
    QTest::addColumn<int>("count");
    for (int count : {0, 1, 15, 16, 17, 255, 256, 257, 5000, 70000, 70007})
        QTest::addRow("%d points", count) << count;
}

void TestDenseCurve::pyramidExtremesMatchAPlainScan()
{
    QFETCH(int, count);
    QRandomGenerator random(quint32(3 + count));
    std::vector<double> values(count);
    for (double& v : values)
        v = random.bounded(2000) - 1000.0;
    if (count > 40)
        values[count / 3] = std::nan(""); // no value, not an extreme
    const auto yAt = [&](int i) { return values[i]; };
    chart::MinMaxPyramid pyramid;
    pyramid.build(count, yAt);

    for (int n = 0; n < 300; ++n) {
        int first = count ? int(random.bounded(count + 1)) : 0;
        int last = count ? int(random.bounded(count + 1)) : 0;
        if (first > last)
            std::swap(first, last);
        double low = 0;
        double high = 0;
        const bool found = pyramid.extremes(first, last, yAt, low, high);
        double expectedLow = 1e300;
        double expectedHigh = -1e300;
        for (int i = first; i < last; ++i) {
            if (std::isnan(values[i]))
                continue;
            expectedLow = std::min(expectedLow, values[i]);
            expectedHigh = std::max(expectedHigh, values[i]);
        }
        QCOMPARE(found, expectedLow <= expectedHigh);
        if (found) {
            QCOMPARE(low, expectedLow);
            QCOMPARE(high, expectedHigh);
        }
    }

    // Every range ending in the last 512 points, where the last block of
    // each level is partial, over a rising series: a block reaching past
    // the range's end shows as a higher maximum.
    const auto rising = [](int i) { return double(i); };
    pyramid.build(count, rising);
    for (int last = std::max(1, count - 512); last <= count; ++last) {
        for (const int first : {0, std::max(0, last - 1 - int(random.bounded(1024)))}) {
            double low = 0;
            double high = 0;
            QVERIFY(pyramid.extremes(first, last, rising, low, high));
            QCOMPARE(low, double(first));
            QCOMPARE(high, double(last - 1));
        }
    }
}

void TestDenseCurve::searchFromAnIndexFindsWhatABinarySearchFinds()
{
    QRandomGenerator random(5);
    ChannelSeries series;
    for (int x = 0; series.size() < 5000; x += int(random.bounded(4))) // repeats and gaps
        series.emplace_back(x, 0);
    ProtocolSeriesData data(&series);
    for (int n = 0; n < 2000; ++n) {
        const double x = random.bounded(int(series.back().first + 10)) - 5 + 0.5 * random.bounded(2);
        const auto at = std::lower_bound(series.begin(), series.end(), x,
                                         [](const auto& p, double v) { return p.first < v; });
        const int expected = int(at - series.begin());
        const int from = int(random.bounded(expected + 1));
        QCOMPARE(data.firstAtOrAfter(x, from), expected);
    }
}

void TestDenseCurve::spansDrawWhatEveryPointDraws_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("squeezed");
    QTest::addColumn<double>("penWidth");
    // 250 points per pixel column; thin curves also at 50, where their
    // columns are drawn from every point.
    const QVector<QPair<const char*, int>> shapes{
        {"noise", 200000}, {"gap", 200000},        {"no value", 200000}, {"steps", 200000},
        {"ramp", 40000},   {"small noise", 40000}, {"ramp", 200000},     {"small noise", 200000}};
    for (const auto& shape : shapes) {
        for (bool squeezed : {false, true}) {
            for (double pen : {1.0, 2.0})
                QTest::addRow("%s x %d, %s, pen %g", shape.first, shape.second,
                              squeezed ? "plot" : "widget", pen)
                    << QString(shape.first) << shape.second << squeezed << pen;
        }
    }
}

void TestDenseCurve::spansDrawWhatEveryPointDraws()
{
    QFETCH(QString, shape);
    QFETCH(int, count);
    QFETCH(bool, squeezed);
    QFETCH(double, penWidth);
    QRandomGenerator random(7);
    ChannelSeries series;
    series.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (shape == "gap" && i > count / 3 && i < count / 2)
            continue;
        double y = 0;
        if (shape == "noise" || shape == "gap")
            y = random.generateDouble() * 100;
        else if (shape == "no value") // a computed channel without results
            y = i > count / 3 && i < count / 2 ? std::nan("") : 50 + random.generateDouble() * 2;
        else if (shape == "small noise")
            y = 50 + random.generateDouble() * 2;
        else if (shape == "ramp")
            y = 100.0 * i / count;
        else
            y = 20.0 * ((i / (count / 20)) % 5);
        series.emplace_back(i, y);
    }
    // The whole series over 800 px, values 0 .. 100 over 480 px.
    const chart::CurveMapping m{800.0 / count, 0, -4.8, 490};
    const View view{squeezed, penWidth};
    const QImage exact = drawExact(series, m, view);
    const QImage dense = drawDense(series, m, view);

    const auto painted = [](const QImage& image, int x, int y) {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height() &&
               qGray(image.pixel(x, y)) != 0;
    };
    // Thin curves at many points per column are drawn from their columns'
    // extremes and may shift by a pixel or two; thin curves at fewer points
    // as the decimator thins them, within 2 % of the pixels; noise within 1 %.
    const bool thin = shape == "ramp" || shape == "small noise" || shape == "no value";
    const bool thinAndDense = count / 800 > 64 && thin;
    const int reach = thinAndDense ? 2 : 1;
    int paintedCount = 0;
    int differing = 0;
    for (int y = 0; y < exact.height(); ++y) {
        for (int x = 0; x < exact.width(); ++x) {
            paintedCount += painted(exact, x, y);
            if (exact.pixel(x, y) == dense.pixel(x, y))
                continue;
            ++differing;
            bool besideCommon = false;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx)
                    besideCommon |=
                        painted(exact, x + dx, y + dy) && painted(dense, x + dx, y + dy);
            QVERIFY2(besideCommon, qPrintable(QStringLiteral("pixel %1, %2").arg(x).arg(y)));
        }
    }
    QVERIFY(paintedCount > 0);
    if (!thinAndDense && !(thin && penWidth > 1))
        QVERIFY2(
            differing * 100 <= paintedCount * (thin ? 2 : 1),
            qPrintable(QStringLiteral("%1 of %2 pixels differ").arg(differing).arg(paintedCount)));
}

QTEST_GUILESS_MAIN(TestDenseCurve)
#include "test_densecurve.moc"
