#pragma once

#include <QImage>

#include <functional>

class QWidget;

// Draws a chart into an image without the screen.
using ChartRenderer = std::function<QImage()>;

// The chart as the screen shows it. Where grabbing yields nothing or a picture
// of one colour (an OpenGL chart without a context, for one), the renderer
// draws it instead; its picture is taken when it is not null.
QImage chartPicture(QWidget& chart, const ChartRenderer& render);

// True for a null image and for one whose pixels all have the same colour.
bool isBlankImage(const QImage& image);
