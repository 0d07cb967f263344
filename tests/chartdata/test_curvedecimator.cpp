#include "chartdata/curvedecimator.h"
#include "chartdata/painterbatchsink.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

namespace {
class BatchRecorder : public chart::CurveBatchSink
{
public:
    void drawBatch(const QPoint* points, int count) override
    {
        batches.append(QVector<QPoint>(points, points + count));
    }
    QVector<QVector<QPoint>> batches;
};

// Draws the curve the way the channel layer does.
QImage drawCurve(const QVector<QPointF>& curve, bool reduce, bool squeezed)
{
    QImage image(800, 500, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    if (squeezed)
        painter.setViewport(40, 0, 740, 470);
    painter.setWindow(0, 0, 800, 500);
    painter.setPen(Qt::white);
    {
        chart::PainterBatchSink sink(&painter, chart::PainterBatchSink::Polyline);
        chart::CurveDecimator decimator(sink);
        decimator.begin(reduce);
        for (const QPointF& p : curve)
            decimator.add(p.x(), p.y());
        decimator.finish();
    }
    return image;
}
} // namespace

class TestCurveDecimator : public QObject
{
    Q_OBJECT
private slots:
    void keepsPointsMoreThanOneUnitAwayAndSkipsNaN();
    void batchesOf51ShareTheirEnds();
    void columnRunsKeepFirstExtremesLastInOrder();
    void reducedNoiseDrawsTheSamePixels_data();
    void reducedNoiseDrawsTheSamePixels();
};

void TestCurveDecimator::keepsPointsMoreThanOneUnitAwayAndSkipsNaN()
{
    BatchRecorder recorder;
    chart::CurveDecimator decimator(recorder);
    decimator.begin(false);
    decimator.add(10.7, 20.2); // always kept, truncated
    decimator.add(11.0, 20.9); // within one unit of (10, 20)
    decimator.add(10.5, 21.0);
    decimator.add(12.0, 20.0);      // 2 units to the right
    decimator.add(12.5, 17.5);      // 3 units down
    decimator.add(std::nan(""), 5); // skipped
    decimator.add(5, std::nan(""));
    decimator.add(1e300, -1e300); // far away, clamped
    decimator.finish();
    QCOMPARE(recorder.batches.size(), 1);
    QCOMPARE(recorder.batches[0],
             (QVector<QPoint>{{10, 20}, {12, 20}, {12, 17}, {1 << 30, -(1 << 30)}}));
    QCOMPARE(decimator.keptCount(), 4);
}

void TestCurveDecimator::batchesOf51ShareTheirEnds()
{
    BatchRecorder recorder;
    chart::CurveDecimator decimator(recorder);
    decimator.begin(false);
    for (int i = 0; i < 120; ++i)
        decimator.add(i * 2.0, (i % 2) * 5.0);
    decimator.finish();
    QCOMPARE(recorder.batches.size(), 3);
    QCOMPARE(recorder.batches[0].size(), 51);
    QCOMPARE(recorder.batches[1].size(), 51);
    QCOMPARE(recorder.batches[2].size(), 20);
    QCOMPARE(recorder.batches[1].first(), recorder.batches[0].last());
    QCOMPARE(recorder.batches[2].first(), recorder.batches[1].last());
    QCOMPARE(recorder.batches[2].last(), QPoint(238, 5));

    // A batch that would only repeat the last end is not drawn.
    recorder.batches.clear();
    decimator.begin(false);
    for (int i = 0; i < 51; ++i)
        decimator.add(i * 2.0, 0);
    decimator.finish();
    QCOMPARE(recorder.batches.size(), 1);
    // A single point is.
    decimator.begin(false);
    decimator.add(3, 3);
    decimator.finish();
    QCOMPARE(recorder.batches.last(), QVector<QPoint>{QPoint(3, 3)});
}

void TestCurveDecimator::columnRunsKeepFirstExtremesLastInOrder()
{
    BatchRecorder recorder;
    chart::CurveDecimator decimator(recorder);
    decimator.begin(true);
    // One column: the first two, the lowest and the last two remain; the
    // highest is the second point already.
    for (double y : {50.0, 80.0, 60.0, 70.0, 10.0, 40.0, 30.0, 45.0})
        decimator.add(5.2, y);
    // Next column: its lowest comes last and once before, where it turns.
    for (double y : {20.0, 30.0, 5.0, 40.0, 25.0, 35.0, 5.0})
        decimator.add(9, y);
    decimator.finish();
    QCOMPARE(recorder.batches.size(), 1);
    QCOMPARE(recorder.batches[0], (QVector<QPoint>{{5, 50},
                                                   {5, 80},
                                                   {5, 10},
                                                   {5, 30},
                                                   {5, 45},
                                                   {9, 20},
                                                   {9, 30},
                                                   {9, 5},
                                                   {9, 40},
                                                   {9, 35},
                                                   {9, 5}}));
    QCOMPARE(decimator.keptCount(), 15);
}

void TestCurveDecimator::reducedNoiseDrawsTheSamePixels_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<bool>("squeezed");
    for (bool squeezed : {false, true}) {
        const char* view = squeezed ? "plot viewport" : "whole widget";
        QTest::addRow("white noise, %s", view) << 200000 << 480.0 << squeezed;
        QTest::addRow("small noise, %s", view) << 200000 << 6.0 << squeezed;
        QTest::addRow("steps, %s", view) << 50000 << -1.0 << squeezed;
    }
}

void TestCurveDecimator::reducedNoiseDrawsTheSamePixels()
{
    QFETCH(int, count);
    QFETCH(double, amplitude);
    QFETCH(bool, squeezed);
    QRandomGenerator random(7);
    QVector<QPointF> curve;
    curve.reserve(count);
    for (int i = 0; i < count; ++i) {
        const double x = i * 800.0 / count;
        const double y = amplitude > 0 ? 250 + (random.generateDouble() - 0.5) * amplitude
                                       : 100.0 + 50 * ((i / 997) % 5);
        curve.append(QPointF(x, y));
    }
    const QImage exact = drawCurve(curve, false, squeezed);
    const QImage reduced = drawCurve(curve, true, squeezed);
    const auto painted = [](const QImage& image, int x, int y) {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height() &&
               qGray(image.pixel(x, y)) != 0;
    };
    int paintedCount = 0;
    int differing = 0;
    for (int y = 0; y < exact.height(); ++y) {
        for (int x = 0; x < exact.width(); ++x) {
            paintedCount += painted(exact, x, y);
            if (exact.pixel(x, y) == reduced.pixel(x, y))
                continue;
            ++differing;
            // The two curves' batches end at different points, and Qt caps
            // each end one pixel further; anything else is a fault.
            bool besideCommon = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    besideCommon |=
                        painted(exact, x + dx, y + dy) && painted(reduced, x + dx, y + dy);
            QVERIFY2(besideCommon, qPrintable(QStringLiteral("pixel %1, %2").arg(x).arg(y)));
        }
    }
    QVERIFY(differing * 100 < paintedCount);
}

QTEST_GUILESS_MAIN(TestCurveDecimator)
#include "test_curvedecimator.moc"
