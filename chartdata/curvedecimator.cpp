#include "chartdata/curvedecimator.h"

#include <algorithm>
#include <iterator>

namespace chart {

void CurveDecimator::begin(bool reduceColumns)
{
    reduce = reduceColumns;
    buffered = 0;
    carried = false;
    last = QPoint(-1, -1);
    first = true;
    kept = 0;
    runOpen = false;
    runCount = 0;
}

void CurveDecimator::finish()
{
    flushColumn();
    // A batch that only repeats the end of the one before draws nothing new.
    if (buffered > 1 || (buffered == 1 && !carried))
        sink.drawBatch(buffer, buffered);
    buffered = 0;
    carried = false;
}

void CurveDecimator::breakLine()
{
    if (first)
        return;
    finish();
    first = true;
}

void CurveDecimator::flushColumn()
{
    if (!runOpen)
        return;
    runOpen = false;
    // The run's points that decide its picture, by arrival, each once.
    struct Pick
    {
        int at;
        QPoint point;
    };
    const int lastAt = runCount - 1;
    const int lowAt = runLowAt == lastAt && runLowBefore > 0 ? runLowBefore : runLowAt;
    const int highAt = runHighAt == lastAt && runHighBefore > 0 ? runHighBefore : runHighAt;
    Pick picks[] = {{0, runFirst},
                    {1, runSecond},
                    {lowAt, runLow},
                    {highAt, runHigh},
                    {lastAt - 1, runPenultimate},
                    {lastAt, runLast}};
    std::sort(std::begin(picks), std::end(picks),
              [](const Pick& a, const Pick& b) { return a.at < b.at; });
    int previous = -1;
    for (const Pick& pick : picks) {
        if (pick.at <= previous || pick.at > lastAt)
            continue;
        previous = pick.at;
        bufferPoint(pick.point);
    }
}

void CurveDecimator::bufferPoint(QPoint p)
{
    buffer[buffered++] = p;
    carried = false;
    if (buffered == kBatchSize) {
        sink.drawBatch(buffer, buffered);
        buffer[0] = buffer[kBatchSize - 1];
        buffered = 1;
        carried = true;
    }
}

} // namespace chart
