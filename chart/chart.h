#pragma once

#include <QColor>
#include <QOpenGLWidget>

// Placeholder until the chart widget lands; keeps the names the window uses.
class Chart : public QOpenGLWidget
{
    Q_OBJECT
public:
    explicit Chart(QWidget* parent = nullptr) : QOpenGLWidget(parent) {}

    QColor topBackgroundColor() const { return m_top; }
    QColor bottomBackgroundColor() const { return m_bottom; }
    QColor gridColor() const { return m_grid; }

signals:
    void positionChanged(int);

public slots:
    void setTopBackgroundColor(QColor c) { m_top = c; }
    void setBottomBackgroundColor(QColor c) { m_bottom = c; }
    void setGridColor(QColor c) { m_grid = c; }

private:
    QColor m_top{0, 0, 150};
    QColor m_bottom{Qt::black};
    QColor m_grid{40, 40, 180};
};
