#include "chart/chartprotocol.h"
#include "chartdata/pairdatacontainer.h"
// The fixtures use the chart's types.
#include "../chart/chartfixtures.h"
#include "readback.h"

#include "chartdata/textcontrast.h"
#include "reports/chartdrawing.h"
#include "chart/chartpicture.h"
#include "reports/clippingpaintdevice.h"
#include "reports/pdfreport.h"
#include "reports/reporttable.h"

#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

Q_DECLARE_METATYPE(ChartPictureOptions::Layout)
Q_DECLARE_METATYPE(ChartPictureOptions)
Q_DECLARE_METATYPE(QVector<QPolygonF>)

namespace {
using Layout = ChartPictureOptions::Layout;
using Theme = ChartPictureOptions::Theme;

// A protocol chart of `count` channels over ticks 0 … 999, with ranges of
// very different label widths, in the screen's light colours; the values
// reach `overshoot` times the range, with a point every `every` ticks.
class Source
{
public:
    explicit Source(int count, double overshoot = 1.0, int every = 1)
    {
        static const QList<QColor> colours{Qt::yellow,          Qt::white, Qt::cyan,
                                           QColor(255, 200, 0), Qt::green, Qt::magenta};
        for (int c = 0; c < count; ++c) {
            const double amplitude = std::pow(10.0, c % 6);
            auto points = std::make_unique<ChannelSeries>();
            for (int t = 0; t < 1000; t += every)
                points->emplace_back(t, overshoot * amplitude * std::sin(t * 0.01 * (c + 1)));
            series.push_back(std::move(points));
            QPen pen(colours[c % colours.size()]);
            pen.setWidthF(2.0);
            chart.addChannel(
                Channel(-amplitude, amplitude,
                        new ProtocolPairDataContainer<ChannelSeries>(series.back().get()),
                        QStringLiteral("Канал %1 (K%1)").arg(c + 1), pen));
        }
        chart.resize(900, 400);
        chart.setTimeBase(QDateTime(QDate(2024, 3, 5), QTime(10, 0)), 100);
        chart.setEndDateTime(QDateTime(QDate(2024, 3, 5), QTime(10, 1, 40)));
    }
    ~Source() { chart.clearChannels(); }

    ChartProtocol chart;
    std::vector<std::unique_ptr<ChannelSeries>> series;
};

ChartPictureOptions options(const QSize& size, Layout layout, Theme theme = Theme::Screen)
{
    ChartPictureOptions o;
    o.size = size;
    o.layout = layout;
    o.theme = theme;
    return o;
}

const QString kTitle = QStringLiteral("Пуск стенда · 05.03.2024 10:00:00 – 10:01:39");

Recording record(ChartPicture& picture, const QSize& size)
{
    RecordingDevice device(size.width(), size.height());
    QPainter painter(&device);
    picture.paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return device.engine.recorded;
}

// An SVG file drawn by the toolkit's renderer over a transparent image.
QImage renderedSvg(const QString& path, const QSize& size)
{
    QSvgRenderer renderer(path);
    QImage drawn(size, QImage::Format_ARGB32);
    drawn.fill(Qt::transparent);
    if (!renderer.isValid())
        return QImage();
    QPainter painter(&drawn);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return drawn;
}

// Overlap of more than a rounding pixel.
bool overlap(const QRectF& a, const QRectF& b)
{
    const QRectF common = a.adjusted(0.5, 0.5, -0.5, -0.5) & b.adjusted(0.5, 0.5, -0.5, -0.5);
    return !common.isEmpty();
}

class NoRows : public ReportTable
{
public:
    int columnCount() const override { return 2; }
    int rowCount() const override { return 0; }
    bool hasHeader(int) const override { return false; }
    QString headerText(int) const override { return QString(); }
    bool hasItem(int, int) const override { return false; }
    QString text(int, int) const override { return QString(); }
};
} // namespace

class TestChartPicture : public QObject
{
    Q_OBJECT

private slots:
    void titleLegendAndLabelsNeverOverlap_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("channels");
        QTest::addColumn<Layout>("layout");
        for (const QSize& size : {QSize(600, 300), QSize(1600, 900), QSize(3840, 2160)}) {
            for (const int channels : {1, 8, 16}) {
                for (const Layout layout : {Layout::Common, Layout::Channels}) {
                    QTest::addRow("%dx%d, %d, %s", size.width(), size.height(), channels,
                                  layout == Layout::Common ? "common" : "channels")
                        << size << channels << layout;
                }
            }
        }
    }

    void titleLegendAndLabelsNeverOverlap()
    {
        QFETCH(QSize, size);
        QFETCH(int, channels);
        QFETCH(Layout, layout);
        Source source(channels);
        ChartPicture picture(source.chart, options(size, layout), 0, 999, kTitle);
        const Recording drawn = record(picture, size);
        const double scale = options(size, layout).scale();

        QStringList bandTexts{kTitle};
        for (int c = 1; c <= channels; ++c)
            bandTexts.append(QStringLiteral("Канал %1 (K%1)").arg(c));
        QVector<QRectF> bands;
        QVector<QRectF> labels;
        for (const Recording::Text& text : drawn.texts) {
            QVERIFY2(QRectF(QPointF(-1, -1), QSizeF(size) + QSizeF(2, 2)).contains(text.rect),
                     qPrintable(text.text));
            if (bandTexts.contains(text.text))
                bands.append(text.rect);
            else // digits do not reach below the baseline
                labels.append(text.rect.adjusted(0, 0, 0, text.position.y() - text.rect.bottom()));
        }
        // A picture this small may leave the legend out, but never the title.
        QVERIFY(!bands.isEmpty());
        QVERIFY(!labels.isEmpty());
        QVector<QRectF> charts;
        for (const QRectF& chart : picture.geometry().charts)
            charts.append(QRectF(chart.topLeft() * scale, chart.size() * scale));
        for (int i = 0; i < bands.size(); ++i) {
            for (int j = i + 1; j < bands.size(); ++j)
                QVERIFY(!overlap(bands[i], bands[j]));
            for (const QRectF& chart : charts)
                QVERIFY(!overlap(bands[i], chart));
        }
        // Every label lies in one chart: none reaches into its neighbour.
        for (const QRectF& label : labels) {
            int holding = 0;
            for (const QRectF& chart : charts)
                holding += chart.adjusted(-1, -1, 1, 1).contains(label) ? 1 : 0;
            QCOMPARE(holding, 1);
        }
    }

    void legendGivesWayToStackedCharts_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("channels");
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<bool>("legend");
        QTest::newRow("eight stacked, small") << QSize(600, 300) << 8 << Layout::Channels << false;
        QTest::newRow("eight in one, small") << QSize(600, 300) << 8 << Layout::Common << true;
        QTest::newRow("sixteen stacked") << QSize(1600, 900) << 16 << Layout::Channels << true;
        QTest::newRow("none stacked") << QSize(600, 300) << 0 << Layout::Channels << false;
    }

    void legendGivesWayToStackedCharts()
    {
        QFETCH(QSize, size);
        QFETCH(int, channels);
        QFETCH(Layout, layout);
        Source source(channels);
        ChartPicture picture(source.chart, options(size, layout), 0, 999, kTitle);
        QTEST(!picture.geometry().legend.isEmpty(), "legend");
        QVERIFY(!picture.geometry().title.isEmpty());
        QCOMPARE(picture.toImage().size(), size);
    }

    void printThemeDarkensLightColoursToReadableOnes_data()
    {
        QTest::addColumn<QColor>("screen");
        QTest::addColumn<bool>("kept");
        QTest::newRow("yellow") << QColor(Qt::yellow) << false;
        QTest::newRow("white") << QColor(Qt::white) << false;
        QTest::newRow("cyan") << QColor(Qt::cyan) << false;
        QTest::newRow("grey, just short") << QColor(0x78, 0x78, 0x78) << false; // 4.42:1
        QTest::newRow("grey, just enough") << QColor(0x76, 0x76, 0x76) << true; // 4.54:1
        QTest::newRow("dark blue") << QColor(0, 0, 150) << true;
        QTest::newRow("black") << QColor(Qt::black) << true;
    }

    void printThemeDarkensLightColoursToReadableOnes()
    {
        QFETCH(QColor, screen);
        QFETCH(bool, kept);
        const QColor print = printtheme::channelColor(screen);
        const double contrast = chart::contrastRatio(print, Qt::white);
        QVERIFY2(contrast >= 4.5, qPrintable(QString::number(contrast)));
        if (kept) {
            QCOMPARE(print, screen);
            return;
        }
        // No darker than it must be, and the same hue.
        QVERIFY2(contrast < 4.7, qPrintable(QString::number(contrast)));
        if (screen.hsvHue() >= 0)
            QVERIFY(qAbs(print.hsvHue() - screen.hsvHue()) <= 2);
        QVERIFY(qAbs(print.hsvSaturation() - screen.hsvSaturation()) <= 3);
    }

    void printPictureIsWhiteWithReadableCurves()
    {
        Source source(3); // yellow, white and cyan on screen
        const QSize size(800, 500);
        ChartPicture picture(source.chart, options(size, Layout::Common, Theme::Print), 0, 999,
                             kTitle);
        const QImage image = picture.toImage();
        QCOMPARE(image.size(), size);
        QCOMPARE(image.pixelColor(1, 1), QColor(Qt::white));
        QCOMPARE(image.pixelColor(size.width() - 2, 1), QColor(Qt::white));
        int white = 0;
        // Every colourful pixel (curves, swatches, labels) reads on white:
        // antialiased edges blend towards it, so their cores are counted.
        int readable = 0;
        int faint = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                white += pixel == Qt::white ? 1 : 0;
                if (pixel.hsvSaturation() < 200)
                    continue;
                (chart::contrastRatio(pixel, Qt::white) >= 4.0 ? readable : faint) += 1;
            }
        }
        // The plot is paper too, not only the bands.
        QVERIFY2(white > image.width() * image.height() * 3 / 4,
                 qPrintable(QString::number(white)));
        QVERIFY2(readable > 1000, qPrintable(QString::number(readable)));
        QVERIFY2(faint < readable / 5,
                 qPrintable(QStringLiteral("%1 of %2").arg(faint).arg(readable)));
    }

    void channelChartsShareTheTimeAxis()
    {
        Source source(6); // labels from "1" to "100000" wide
        ChartPicture picture(source.chart, options(QSize(1200, 900), Layout::Channels), 100, 899,
                             kTitle);
        picture.toImage();
        const QVector<const ChartProtocol*> charts = picture.charts();
        QCOMPARE(charts.size(), 6);
        for (const ChartProtocol* chart : charts) {
            QCOMPARE(chart->channelCount(), 1);
            QCOMPARE(chart->scalesWidth(), charts.first()->scalesWidth());
            QCOMPARE(chart->scaleSettings().visibleStart,
                     charts.first()->scaleSettings().visibleStart);
            QCOMPARE(chart->scaleSettings().visibleEnd, charts.first()->scaleSettings().visibleEnd);
            QCOMPARE(chart->width(), 1200);
            // Only the bottom chart carries the time labels.
            QCOMPARE(chart->showScale(), chart == charts.last());
        }
        QCOMPARE(charts.first()->scaleSettings().position, 100.0);
        // Stacked without gaps down to the bottom.
        const QVector<QRectF>& rects = picture.geometry().charts;
        for (int i = 1; i < rects.size(); ++i)
            QCOMPARE(rects[i].top(), rects[i - 1].bottom());
        QCOMPARE(rects.last().bottom(), 900.0);
    }

    void largerPictureIsTheSameDrawingScaled_data()
    {
        QTest::addColumn<ChartPictureOptions>("large");
        QTest::addColumn<double>("factor");
        QTest::newRow("3840x2160") << options(QSize(3840, 2160), Layout::Common) << 2.0;
        ChartPictureOptions print = options(QSize(3125, 1758), Layout::Common);
        print.dpi = 300; // 1000 x 562.5 at the screen's 96 dpi
        QTest::newRow("300 dpi") << print << 3.125;
    }

    void largerPictureIsTheSameDrawingScaled()
    {
        QFETCH(ChartPictureOptions, large);
        QFETCH(double, factor);
        Source source(2);
        const ChartPictureOptions small = options(large.layoutSize(), Layout::Common);
        ChartPicture smallPicture(source.chart, small, 0, 999, kTitle);
        ChartPicture largePicture(source.chart, large, 0, 999, kTitle);
        const Recording a = record(smallPicture, small.size);
        const Recording b = record(largePicture, large.size);
        QCOMPARE(b.texts.size(), a.texts.size());
        for (int i = 0; i < a.texts.size(); ++i) {
            QCOMPARE(b.texts[i].text, a.texts[i].text);
            const QPointF expected = a.texts[i].position * factor;
            QVERIFY2((b.texts[i].position - expected).manhattanLength() <= 2 * factor,
                     qPrintable(a.texts[i].text));
            QVERIFY2(qAbs(b.texts[i].rect.height() - a.texts[i].rect.height() * factor) <= factor,
                     qPrintable(a.texts[i].text));
        }
    }

    void pdfChartPageHoldsLinesAndTextsNotAnImage()
    {
        Source source(2);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("chart.pdf"));
        ChartProtocol& chart = source.chart;
        chart.setZoom(1.0);
        chart.setSize(1000.0);
        chart.setPosition(0.0);
        const ChartDrawing drawing{chart.size(), [&chart](QPainter& painter, const QRectF& target) {
                                       chart.paintOnto(&painter, target);
                                   }};
        QVERIFY(savePdfReport(NoRows(), QDateTime(QDate(2024, 3, 5), QTime(10, 0)), drawing, path));
        // No raster image anywhere: poppler lists only its header lines.
        const QStringList images =
            QString::fromUtf8(runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path}))
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(images.size(), 2);
        // The chart's texts are texts: the time labels can be read back.
        const QString text = QString::fromUtf8(
            runTool(QStringLiteral("pdftotext"),
                    {QStringLiteral("-f"), QStringLiteral("2"), QStringLiteral("-l"),
                     QStringLiteral("2"), path, QStringLiteral("-")}));
        QVERIFY2(text.contains(QStringLiteral("10:00:")), qPrintable(text));
        // The page is the chart's size, a millimetre per pixel: 900 x 400 mm.
        const QString info = QString::fromUtf8(
            runTool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("2"),
                                                QStringLiteral("-l"), QStringLiteral("2"), path}));
        QVERIFY2(info.contains(QStringLiteral("size:  2551 x 1134 pts")), qPrintable(info));
    }

    void backgroundReachesEveryEdgeWhenScaled()
    {
        // A chart painted ten times enlarged (a PDF page) shows its gradient
        // up to its edges: no black band of an outline along them.
        Source source(1);
        source.chart.setTopBackgroundColor(QColor(0, 0, 150));
        source.chart.setBottomBackgroundColor(QColor(0, 0, 150));
        QImage image(9000, 4000, QImage::Format_RGB32);
        image.fill(Qt::red);
        {
            QPainter painter(&image);
            source.chart.paintOnto(&painter, QRectF(0, 0, 9000, 4000));
        }
        // Beside the grid's own edge lines, where an outline would lie.
        for (const QPoint& at : {QPoint(3, 40), QPoint(4500, 3990), QPoint(3, 3990)})
            QCOMPARE(image.pixelColor(at), QColor(0, 0, 150));
    }

    void svgHoldsLinesAndTexts()
    {
        Source source(2);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("chart.SVG"));
        const ChartPictureOptions o = options(QSize(800, 400), Layout::Channels, Theme::Print);
        ChartPicture picture(source.chart, o, 0, 999, kTitle);
        QVERIFY(saveChartPicture(picture, o, path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString svg = QString::fromUtf8(file.readAll());
        QVERIFY(svg.startsWith(QStringLiteral("<?xml")));
        QVERIFY(svg.contains(QStringLiteral("width=\"211.667mm\"")) ||
                svg.contains(QStringLiteral("viewBox=\"0 0 800 400\"")));
        QVERIFY(svg.contains(QStringLiteral("<polyline")) || svg.contains(QStringLiteral("<path")));
        // A text of two scripts is one element, placed once: renderers with
        // other font metrics cannot run its parts into each other.
        QVERIFY(svg.contains(QStringLiteral(">Канал 2 (K2)<")));
        QVERIFY(!svg.contains(QStringLiteral(">K2)<")));
        QVERIFY(!svg.contains(QStringLiteral("VoltrekText")));
        QVERIFY(!svg.contains(QStringLiteral("<image")));
        // The paper and the legend's swatches are filled as in the picture.
        const QImage drawn = renderedSvg(path, o.size);
        const QImage image = picture.toImage();
        QCOMPARE(drawn.pixelColor(1, 1), QColor(Qt::white));
        QVERIFY(!picture.geometry().legend.isEmpty());
        for (const QRectF& entry : picture.geometry().legend) {
            const QPoint swatch(int(entry.left() + 4), int(entry.center().y()));
            QCOMPARE(drawn.pixelColor(swatch), image.pixelColor(swatch));
            QVERIFY(image.pixelColor(swatch) != QColor(Qt::white));
        }
    }

    void blankImageIsOneOfOneColour_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<bool>("blank");
        QImage plain(40, 30, QImage::Format_RGB32);
        plain.fill(Qt::black);
        QImage marked = plain;
        marked.setPixelColor(39, 29, Qt::white); // the last pixel read
        QTest::newRow("null") << QImage() << true;
        QTest::newRow("one colour") << plain << true;
        QTest::newRow("one pixel apart") << marked << false;
    }

    void blankImageIsOneOfOneColour()
    {
        QFETCH(QImage, image);
        QTEST(isBlankImage(image), "blank");
    }

    void polylineIsCutAtTheClip_data()
    {
        using Points = QVector<QPointF>;
        const auto pieces = [](const QVector<Points>& lines) {
            QVector<QPolygonF> polygons;
            for (const Points& line : lines)
                polygons.append(QPolygonF(line));
            return polygons;
        };
        QTest::addColumn<QPolygonF>("line");
        QTest::addColumn<QVector<QPolygonF>>("pieces");
        const Points inside{{1, 1}, {5, 5}, {9, 2}};
        QTest::newRow("inside") << QPolygonF(inside) << pieces({inside});
        QTest::newRow("outside") << QPolygonF(Points{{-5, -5}, {-1, 20}, {20, 20}}) << pieces({});
        QTest::newRow("out and back in")
            << QPolygonF(Points{{2, 5}, {20, 5}, {20, 8}, {8, 8}, {5, 8}})
            << pieces({{{2, 5}, {10, 5}}, {{10, 8}, {8, 8}, {5, 8}}});
        QTest::newRow("across") << QPolygonF(Points{{-10, 0}, {20, 15}})
                                << pieces({{{0, 5}, {10, 10}}});
        QTest::newRow("a dot") << QPolygonF(Points{{3, 3}, {3, 3}}) << pieces({{{3, 3}, {3, 3}}});
        QTest::newRow("along an edge")
            << QPolygonF(Points{{-5, 0}, {15, 0}}) << pieces({{{0, 0}, {10, 0}}});
    }

    void polylineIsCutAtTheClip()
    {
        QFETCH(QPolygonF, line);
        QTEST(clipping::clipPolyline(line, QRectF(0, 0, 10, 10)), "pieces");
    }

    void svgCurvesStayInTheirPlots()
    {
        // Values three times the channels' ranges, and a point every 50
        // ticks around a span that starts and ends between points: the
        // curves leave their plots on every side.
        Source source(3, 3.0, 50);
        const ChartPictureOptions o = options(QSize(900, 600), Layout::Channels, Theme::Print);
        ChartPicture picture(source.chart, o, 125, 875, kTitle);
        const QImage clipped = picture.toImage();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("chart.svg"));
        QVERIFY(saveChartPicture(picture, o, path));
        const QImage drawn = renderedSvg(path, o.size);
        QVERIFY(!drawn.isNull());

        // Each pixel of a channel's colour in the drawing has one close by
        // in the picture painted with the plots' clip.
        const auto near = [](const QColor& a, const QColor& b) {
            return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) +
                       qAbs(a.blue() - b.blue()) <
                   60;
        };
        int matched = 0;
        int stray = 0;
        for (const Channel& channel : source.chart.channels()) {
            const QColor colour = printtheme::channelColor(channel.pen().color());
            if (colour.hsvSaturation() < 100)
                continue; // grey matches the edges of black text
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < drawn.width(); ++x) {
                    if (!near(drawn.pixelColor(x, y), colour))
                        continue;
                    bool found = false;
                    for (int dy = -2; dy <= 2 && !found; ++dy)
                        for (int dx = -2; dx <= 2 && !found; ++dx)
                            found = clipped.valid(x + dx, y + dy) &&
                                    near(clipped.pixelColor(x + dx, y + dy), colour);
                    (found ? matched : stray) += 1;
                }
            }
        }
        QVERIFY2(matched > 1000, qPrintable(QString::number(matched)));
        QVERIFY2(stray < 20, qPrintable(QStringLiteral("%1 of %2").arg(stray).arg(matched)));
    }
};

QTEST_MAIN(TestChartPicture)
#include "test_chartpicture.moc"
