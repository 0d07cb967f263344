#include "chart/glwidgetwithbackground.h"

#include <QPainter>

GLWidgetWithBackground::GLWidgetWithBackground(QWidget* parent)
    : QOpenGLWidget(parent), background(std::make_unique<QPixmap>(size()))
{
    setAutoFillBackground(true);
}

GLWidgetWithBackground::~GLWidgetWithBackground() = default;

void GLWidgetWithBackground::invalidateBackground()
{
    backgroundPass = true;
    update();
}

void GLWidgetWithBackground::rebuildBackground()
{
    background->fill(QColor(0, 0, 0, 0));
    if (background->isNull())
        return;
    QPainter painter(background.get());
    paintLayers(&painter);
}

void GLWidgetWithBackground::drawCachedBackground()
{
    if (background->size() != size() || backgroundPass) {
        background = std::make_unique<QPixmap>(size());
        backgroundPass = true;
        rebuildBackground();
        backgroundPass = false;
    }
    QPainter painter(paintTarget());
    painter.drawPixmap(0, 0, *background);
}
