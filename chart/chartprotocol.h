#pragma once

#include "chart/chart.h"

class ChartProtocol : public Chart
{
    Q_OBJECT
public:
    explicit ChartProtocol(QWidget* parent = nullptr) : Chart(parent) {}

signals:
    void bookmarkChanged(int x);
    void lineValueXChanged(int x);
    void zoomChanged(double);

public slots:
    void goToBookmark() {}
    void nextBookmark() {}
    void previousBookmark() {}
};
