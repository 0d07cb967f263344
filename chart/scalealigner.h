#pragma once

#include <QObject>
#include <QPointer>
#include <QVector>

class ChartProtocol;

// Lines up the plots of protocol charts stacked one above the other: the
// value columns of every chart take the width of the widest. A chart knows
// its width only once it has painted, and a chart further down may be wider
// than all painted so far, so the charts are measured after every paint and
// a wider one widens the others. The common width only grows.
class ScaleAligner : public QObject
{
    Q_OBJECT
public:
    explicit ScaleAligner(QObject* parent = nullptr);

    // The chart gets the common width now and is measured after its paints.
    void addChart(ChartProtocol* chart);
    // Forgets the charts; the next ones start from no common width.
    void clear();
    double width() const { return common; }
    // Measures the charts and widens all to the widest.
    void align();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QVector<QPointer<ChartProtocol>> charts;
    double common = 0;
    bool scheduled = false;
};
