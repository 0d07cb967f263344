#include "chart/scalealigner.h"

#include "chart/chartprotocol.h"

#include <QEvent>
#include <QTimer>

ScaleAligner::ScaleAligner(QObject* parent) : QObject(parent) {}

void ScaleAligner::addChart(ChartProtocol* chart)
{
    charts.append(chart);
    if (common > 0)
        chart->setMinimumScaleWidth(common);
    chart->installEventFilter(this);
}

void ScaleAligner::clear()
{
    for (const QPointer<ChartProtocol>& chart : qAsConst(charts))
        if (chart)
            chart->removeEventFilter(this);
    charts.clear();
    common = 0;
}

void ScaleAligner::align()
{
    double widest = common;
    for (const QPointer<ChartProtocol>& chart : qAsConst(charts))
        if (chart)
            widest = qMax(widest, chart->scalesWidth());
    if (widest <= common)
        return;
    common = widest;
    for (const QPointer<ChartProtocol>& chart : qAsConst(charts))
        if (chart)
            chart->setMinimumScaleWidth(common);
}

bool ScaleAligner::eventFilter(QObject* watched, QEvent* event)
{
    // The width is read after the paint, once for all charts painted in
    // the same pass.
    if (event->type() == QEvent::Paint && !scheduled) {
        scheduled = true;
        QTimer::singleShot(0, this, [this] {
            scheduled = false;
            align();
        });
    }
    return QObject::eventFilter(watched, event);
}
