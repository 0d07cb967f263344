#include "chart/glwidgetwithbackground.h"

#include <QPainter>

GLWidgetWithBackground::GLWidgetWithBackground(QWidget* parent)
    : QWidget(parent), background(std::make_unique<QPixmap>())
{
    // The picture gets its size at the first paint; a widget that is never
    // shown (a chart on a tab never opened) keeps no pixels.
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
    // On a scaled screen the picture has the screen's pixels, so that the
    // layers drawn into it are as sharp as those drawn on the widget.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (background->size() != pixels || backgroundPass) {
        if (background->size() != pixels) {
            background = std::make_unique<QPixmap>(pixels);
            background->setDevicePixelRatio(ratio);
        }
        backgroundPass = true;
        rebuildBackground();
        backgroundPass = false;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, *background);
}
