#pragma once

#include "chartdata/channel.h"
#include "chart/glwidgetwithbackground.h"
#include "chartdata/scalesettings.h"

#include <memory>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPolygonF>
#include <QRect>
#include <QTransform>
#include <QVector>

class QAction;
class QMenu;

namespace chart {
class ChartDecorator;
}

// A chart of several channels over one x axis. It holds the channels, the
// view window (position, size, zoom), the scale layout and the colours; a
// chain of decorators paints them.
class Chart : public GLWidgetWithBackground
{
    Q_OBJECT
    Q_PROPERTY(int channel READ channel WRITE setChannel)
    Q_PROPERTY(int position READ position WRITE setPosition)
    Q_PROPERTY(double size READ chartSize WRITE setSize)
    Q_PROPERTY(double zoom READ zoom WRITE setZoom)
    Q_PROPERTY(int xMesh READ xMesh WRITE setXMesh)
    Q_PROPERTY(int yMesh READ yMesh WRITE setYMesh)
    Q_PROPERTY(int xSubMesh READ xSubMesh WRITE setXSubMesh)
    Q_PROPERTY(int ySubMesh READ ySubMesh WRITE setYSubMesh)
    Q_PROPERTY(double channelMinimum READ channelMinimum WRITE setChannelMinimum)
    Q_PROPERTY(double channelMaximum READ channelMaximum WRITE setChannelMaximum)
    Q_PROPERTY(bool channelShowScale READ channelShowScale WRITE setChannelShowScale)
    Q_PROPERTY(bool channelVisible READ channelVisible WRITE setChannelVisible)
    Q_PROPERTY(QColor channelColor READ channelColor WRITE setChannelColor)
    Q_PROPERTY(QString channelName READ channelName WRITE setChannelName)
    Q_PROPERTY(bool showGrid READ showGrid WRITE setShowGrid)
    Q_PROPERTY(bool showScale READ showScale WRITE setShowScale)
    Q_PROPERTY(bool showLegend READ showLegend WRITE setShowLegend)
    Q_PROPERTY(bool antialiasing READ antialiasing WRITE setAntialiasing)
    Q_PROPERTY(QFont font READ font WRITE setFont)

public:
    explicit Chart(QWidget* parent = nullptr);
    ~Chart() override;
    Q_DISABLE_COPY_MOVE(Chart)

    void paintLayers(QPainter* painter) override;

    // Paints both layers of the chart (the cached background and the widget
    // pass) into an image of the widget's size, at full quality and without
    // an OpenGL context; for reports and for displays without OpenGL.
    QImage renderToImage();
    // Paints both layers, the widget's rectangle scaled onto `target`
    // (device coordinates of painter), with fonts and pens scaled alike. On
    // a vector device (PDF, SVG) lines and texts stay lines and texts.
    void paintOnto(QPainter* painter, const QRectF& target);
    // Widget coordinates to the device being painted: the identity but
    // while paintOnto runs. Layers that set a viewport map it through this.
    const QTransform& deviceMapping() const { return toDevice; }

    // Appends a copy; returns the new channel count.
    int addChannel(const Channel& channel);
    // Removes every channel; deletes the data objects (see Channel).
    void clearChannels();

    // getters:
    int channel() const { return currentChannel; }
    int position() const;
    double chartSize() const { return sizeValue; }
    double zoom() const { return zoomValue; }
    int xMesh() const { return settings.xMesh; }
    int yMesh() const { return settings.yMesh; }
    int xSubMesh() const { return settings.xSubMesh; }
    int ySubMesh() const { return settings.ySubMesh; }
    double channelMinimum() const;
    double channelMaximum() const;
    bool channelShowScale() const;
    bool channelVisible() const;
    QColor channelColor() const;
    QString channelName() const;
    bool showGrid() const { return settings.showGrid; }
    bool showScale() const { return settings.showScale; }
    bool showLegend() const { return legendShown; }
    bool antialiasing() const { return antialiased; }
    QColor topBackgroundColor() const { return topColor; }
    QColor bottomBackgroundColor() const { return bottomColor; }
    QColor gridColor() const { return gridLineColor; }
    bool isPaintOver() const { return paintOver; }

    // The channels in display order; channelAt is null for an index that
    // names no channel.
    const QVector<Channel>& channels() const { return channelList; }
    int channelCount() const { return channelList.size(); }
    Channel* channelAt(int index);
    const Channel* channelAt(int index) const;

    const ScaleSettings& scaleSettings() const { return settings; }
    // The widest visible span that zooming out may reach (never more than
    // kSpanLimit ticks); zooming back in is always allowed.
    double maximumSpan() const { return largestSpan; }
    void setMaximumSpan(double span);
    // Whether setZoom would take the factor.
    bool acceptsZoom(double factor) const;
    // Spans and positions stay well inside the tick range, so that integer
    // positions, page steps and steps from them never overflow.
    static constexpr double kSpanLimit = 1e9;
    // Positions are ticks of 64 bits: a protocol's 32-bit ticks plus its
    // start after the first. The bound keeps every position a whole number
    // in a double and its milliseconds (up to 65535 per tick) inside 64 bits.
    static constexpr double kPositionLimit = 1e13;
    // The x interval the plot shows, as the scales layer found it.
    void setVisibleRange(double start, double end);

    // Mouse data of the overlay.
    QPoint anchorPoint() const { return anchor; }
    QPoint mousePoint() const { return mouse; }
    const QPolygonF& values() const { return valuesAtMouse; }
    QRect plotRect() const { return plotArea; }

    chart::ChartDecorator* decorators() const { return chain.get(); }

    // The context menu as it is shown; the caller owns it.
    QMenu* createContextMenu();

signals:
    void sizeChanged(int);
    void sizeChanged(double);
    void positionChanged(int);
    void positionChanged(double);
    void curPosChanged(QPolygonF);
    void curRangeChanged(QPolygonF, QPolygonF);
    // The context menu showed (visible) or hid every channel of a name.
    void channelShownChanged(QString name, bool visible);

public slots:
    void setPosition(double value);
    void setPosition(int value);
    void setSize(double value);
    void setSize(int value);
    void setChannelMinimum(double value);
    void setChannelMaximum(double value);
    void setChannelColor(QColor color);
    // The pen colour of every channel of that name.
    virtual void setNamedChannelColor(const QString& name, const QColor& color);
    void setChannelName(QString name);
    void setChannel(int index);
    void setYMesh(int value);
    void setXMesh(int value);
    void setYSubMesh(int value);
    void setXSubMesh(int value);
    void setChannelShowScale(bool show);
    void setChannelVisible(bool visible);
    void setShowScale(bool show);
    void setShowGrid(bool show);
    void setShowLegend(bool show);
    void setAntialiasing(bool on);
    void setFont(const QFont& font);
    void setTopBackgroundColor(QColor c);
    void setBottomBackgroundColor(QColor c);
    void setGridColor(QColor c);
    // The colour of the x labels.
    void setScaleColor(const QColor& c);
    void setZoom(double factor);
    void setPaintOver();
    void contextMenuActionTriggered(QAction* a);

protected:
    virtual void installDecorators();
    // Installs a new chain; the old one is deleted as a whole.
    void setDecorators(std::unique_ptr<chart::ChartDecorator> head);
    // Asks the chain for the values under point (widget coordinates) into
    // values() and plotRect(); point comes back relative to the plot's left.
    void queryValues(QPoint& point);
    // A selection drawn by the overlay from anchor to mouse (widget
    // coordinates) while the mouse lies in the plot; cleared, nothing.
    void setSelection(const QPoint& anchorPoint, const QPoint& mousePoint);
    void clearSelection();

    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    Channel* current() { return channelAt(currentChannel); }
    const Channel* current() const { return channelAt(currentChannel); }
    void paintOverlay(QPainter* painter);
    // Edits the current channel, if there is one, and repaints the background.
    template <typename Edit> void editCurrent(const Edit& edit);
    void setMeshCount(int& count, int value, int least);
    // Whether a channel of the name has the flag; sets it on all of them.
    bool anyNamed(const QString& name, bool (Channel::*flag)() const) const;
    void setNamed(const QString& name, void (Channel::*set)(bool), bool value);

    ScaleSettings settings;
    std::unique_ptr<chart::ChartDecorator> chain;
    QVector<Channel> channelList;
    int currentChannel = 0;
    bool legendShown = true;
    bool antialiased = true;
    double zoomValue = 1.0;
    double sizeValue = 1000;
    double largestSpan = kSpanLimit;
    bool paintOver = false;
    QPoint anchor;
    QPoint mouse;
    QPolygonF valuesAtMouse;
    QPolygonF valuesAtAnchor;
    QRect plotArea;
    QColor topColor;
    QColor bottomColor;
    QColor gridLineColor;
    QTransform toDevice;
};
