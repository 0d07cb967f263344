#include "chart/chart.h"
#include "chartdata/pairdatacontainer.h"
#include "chartfixtures.h"

#include <QMouseEvent>
#include <QScreen>
#include <QtTest>

namespace {
int countColour(const QImage& image, const std::function<bool(QColor)>& match)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += match(QColor(image.pixel(x, y)));
    return count;
}

int countRow(const QImage& image, int y, const std::function<bool(QColor)>& match)
{
    int count = 0;
    for (int x = 0; x < image.width(); ++x)
        count += match(QColor(image.pixel(x, y)));
    return count;
}

// The most matching pixels in one of the columns around x, above the
// bottom scale.
int columnCount(const QImage& image, int x, const std::function<bool(QColor)>& match)
{
    int best = 0;
    for (int dx = -2; dx <= 2; ++dx) {
        int count = 0;
        for (int y = 0; y < 400; ++y)
            count += match(QColor(image.pixel(x + dx, y)));
        best = qMax(best, count);
    }
    return best;
}

bool isYellow(QColor c)
{
    return c.red() > 180 && c.green() > 180 && c.blue() < 80;
}

// Colours of two pictures of the same chart agree where nothing but the
// gradient is (the corners of the plot are free of labels and curves).
const QPoint kBackgroundPoints[] = {QPoint(300, 3), QPoint(600, 200), QPoint(630, 5)};

bool close(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) < 8 && qAbs(a.green() - b.green()) < 8 &&
           qAbs(a.blue() - b.blue()) < 8;
}

bool sameBackground(const QImage& a, const QImage& b)
{
    for (const QPoint at : kBackgroundPoints)
        if (!close(a.pixel(at), b.pixel(at)))
            return false;
    return true;
}

void compareBackground(const QImage& a, const QImage& b)
{
    for (const QPoint at : kBackgroundPoints)
        QVERIFY2(close(a.pixel(at), b.pixel(at)),
                 qPrintable(QColor(a.pixel(at)).name() + " vs " + QColor(b.pixel(at)).name()));
}
} // namespace

class TestChartDisplay : public QObject
{
    Q_OBJECT
private slots:
    void grabShowsWhatTheScreenShows();
    void topLevelChartGrabs();

private:
    ChannelSeries ramp = seriesOf(1001, [](int i) { return i / 10.0; });
};

void TestChartDisplay::grabShowsWhatTheScreenShows()
{
    ProtocolSeriesData data(&ramp);
    // Charts live inside windows; so does this one.
    QWidget window;
    window.resize(640, 480);
    Chart& chart = *new Chart(&window);
    chart.resize(640, 480);
    chart.addChannel(Channel(0, 100, &data, "ramp", QPen(Qt::yellow, 2)));
    chart.setMouseTracking(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY_WITH_TIMEOUT(chart.isPaintOver(), 30000);
    QMouseEvent move(QEvent::MouseMove, QPointF(321, 250), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&chart, &move);
    const QImage grabbed = chart.grab().toImage();
    QCOMPARE(grabbed.size(), QSize(640, 480));
    // The top background along most of the top row (the time grid's lines
    // move with the clock and may cross any given column).
    const auto topBlue = [](QColor c) { return c.blue() > 120 && c.red() < 20; };
    QVERIFY(countRow(grabbed, 3, topBlue) > grabbed.width() / 2);
    QVERIFY(countColour(grabbed, isYellow) > 300);
    // The overlay follows the mouse.
    const auto cyan = [](QColor c) {
        return c.red() < 30 && c.green() > 120 && c.blue() > 120 && qAbs(c.green() - c.blue()) < 30;
    };
    QVERIFY(columnCount(grabbed, 321, cyan) > 300);

    const QImage rendered = chart.renderToImage();
    compareBackground(grabbed, rendered);
    QVERIFY(countColour(rendered, isYellow) > 300);

    // What the X server shows.
    // The frame reaches the X server after the paint returns; on a busy
    // machine the first grabs may still show an empty or half-drawn window.
    QImage screen;
    QTRY_VERIFY_WITH_TIMEOUT(
        (screen = chart.screen()->grabWindow(chart.winId()).toImage(),
         countColour(screen, isYellow) > 300 && sameBackground(grabbed, screen)),
        30000);
    QCOMPARE(screen.size(), QSize(640, 480));
    compareBackground(grabbed, screen);
}

void TestChartDisplay::topLevelChartGrabs()
{
    Chart chart;
    chart.resize(640, 480);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QTRY_VERIFY_WITH_TIMEOUT(chart.isPaintOver(), 30000);
    chart.setTopBackgroundColor(Qt::red);
    // Most of the top row, not one pixel: the time grid's lines move with the
    // clock and may cross any given column.
    const QImage image = chart.grab().toImage();
    const auto red = [](QColor c) { return c.red() > 240 && c.blue() < 10; };
    QVERIFY(countRow(image, 3, red) > image.width() / 2);
}

QTEST_MAIN(TestChartDisplay)
#include "test_chartdisplay.moc"
