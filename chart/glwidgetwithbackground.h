#pragma once

#include <memory>

#include <QOpenGLWidget>
#include <QPixmap>

class QPainter;

// An OpenGL widget that keeps a cached picture of its content and rebuilds
// it only when asked to or when the widget size changed.
class GLWidgetWithBackground : public QOpenGLWidget
{
    Q_OBJECT
public:
    explicit GLWidgetWithBackground(QWidget* parent = nullptr);
    ~GLWidgetWithBackground() override;
    Q_DISABLE_COPY_MOVE(GLWidgetWithBackground)

    // Paints the widget's content with the given painter.
    virtual void paintLayers(QPainter* painter) = 0;

    // Rebuilds the cached picture when it is stale, then draws it on the widget.
    void drawCachedBackground();
    // Paints the content into the cached picture.
    void rebuildBackground();
    // Marks the cached picture stale and schedules a repaint.
    void invalidateBackground();
    // True while the cached picture is being (or must be) rebuilt.
    bool isBackgroundPass() const { return backgroundPass; }

protected:
    void setBackgroundPass(bool on) { backgroundPass = on; }
    // The device a frame is painted on; the widget itself unless a frame
    // has set another one.
    QPaintDevice* paintTarget() { return frameDevice ? frameDevice : this; }
    void setPaintTarget(QPaintDevice* device) { frameDevice = device; }

private:
    QPaintDevice* frameDevice = nullptr;
    std::unique_ptr<QPixmap> background;
    bool backgroundPass = false;
};
