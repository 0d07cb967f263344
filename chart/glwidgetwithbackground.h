#pragma once

#include <memory>

#include <QPixmap>
#include <QWidget>

class QPainter;

// A widget that keeps a cached picture of its content and rebuilds it only
// when asked to or when the widget size changed.
//
// It paints with the raster engine, not through an OpenGL context: with
// software OpenGL (virtual machines, remote desktops) every context compiled
// its own shaders and kept its own frame buffers, some 12 MB and a good part
// of a second per chart, and a window of many charts became slow to open.
// The decimated curves draw as fast in the raster engine, and the picture is
// the same, on the screen, in grab() and in reports alike.
class GLWidgetWithBackground : public QWidget
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

private:
    std::unique_ptr<QPixmap> background;
    bool backgroundPass = false;
};
