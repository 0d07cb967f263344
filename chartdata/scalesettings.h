#pragma once

#include <QPen>

// The chart's view over the x axis and its grid and scale layout.
struct ScaleSettings
{
    QPen scalePen{Qt::white}; // x labels
    int xMesh = 7;
    int yMesh = 7;
    int xSubMesh = 1;
    int ySubMesh = 1;
    double position = 0;       // x at the left edge of the plot
    double visibleSpan = 1000; // plot width in x units: size * zoom
    double visibleStart = 0;   // written by the scales layer on every paint
    double visibleEnd = 1000;  // written by the scales layer on every paint
    bool showGrid = true;
    bool showScale = true;
};
