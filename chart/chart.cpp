#include "chart/chart.h"

#include "chartdata/channeldata.h"
#include "chart/channeldecorator.h"
#include "chart/legenddecorator.h"
#include "chart/scalesgriddecorator.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include <QAction>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSet>
#include <QtDebug>

namespace {
// Truncation towards zero that stays defined for any double.
int truncatedToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

// Reads "<letter> <index> <word>" as the menu's object names are built.
bool parseChannelAction(const QString& name, int& index, QString& word)
{
    int at = 1;
    const auto skipSpaces = [&] {
        while (at < name.size() && name.at(at).isSpace())
            ++at;
    };
    skipSpaces();
    const int numberStart = at;
    if (at < name.size() && (name.at(at) == '-' || name.at(at) == '+'))
        ++at;
    while (at < name.size() && name.at(at).isDigit())
        ++at;
    bool ok = false;
    index = name.mid(numberStart, at - numberStart).toInt(&ok);
    if (!ok)
        return false;
    skipSpaces();
    const int wordStart = at;
    while (at < name.size() && !name.at(at).isSpace())
        ++at;
    word = name.mid(wordStart, at - wordStart);
    return !word.isEmpty();
}
} // namespace

Chart::Chart(QWidget* parent) : GLWidgetWithBackground(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setWindowTitle(tr("Chart diagram"));
    installDecorators();
    topColor = QColor(0, 0, 150);
    bottomColor = QColor(Qt::black);
    gridLineColor = QColor(40, 40, 180);
}

Chart::~Chart()
{
    chain.reset();
}

void Chart::installDecorators()
{
    auto legend = std::make_unique<chart::Standard::LegendDecorator>();
    auto channels = std::make_unique<chart::Standard::ChannelDecorator>(std::move(legend));
    setDecorators(std::make_unique<chart::Standard::ScalesGridDecorator>(std::move(channels), 100));
}

void Chart::setDecorators(std::unique_ptr<chart::ChartDecorator> head)
{
    if (head.get() == chain.get()) {
        (void)head.release();
        return;
    }
    chain = std::move(head);
}

void Chart::paintLayers(QPainter* painter)
{
    if (chain)
        chain->paint(painter, this);
}

QImage Chart::renderToImage()
{
    QImage image(QWidget::size(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    const bool wasPaintOver = paintOver;
    const bool wasBackgroundPass = isBackgroundPass();
    paintOver = true;
    {
        QPainter painter(&image);
        setBackgroundPass(true);
        painter.save();
        paintLayers(&painter);
        painter.restore();
        setBackgroundPass(false);
        paintLayers(&painter);
    }
    setBackgroundPass(wasBackgroundPass);
    paintOver = wasPaintOver;
    return image;
}

void Chart::paintOnto(QPainter* painter, const QRectF& target)
{
    const QSize logical = QWidget::size();
    if (logical.isEmpty() || target.isEmpty())
        return;
    // Fonts in points would follow the target's resolution; in pixels they
    // follow the mapping like every other length.
    const QFont shown = QWidget::font();
    QFont mapped = shown;
    mapped.setPixelSize(qMax(1, QFontInfo(shown).pixelSize()));
    QWidget::setFont(mapped);
    const bool wasPaintOver = paintOver;
    const bool wasBackgroundPass = isBackgroundPass();
    const QRect device = target.toAlignedRect();
    toDevice = QTransform(double(device.width()) / logical.width(), 0, 0,
                          double(device.height()) / logical.height(), device.left(), device.top());
    paintOver = true;
    painter->save();
    painter->setViewport(device);
    painter->setWindow(QRect(QPoint(0, 0), logical));
    painter->setClipRect(QRect(QPoint(0, 0), logical));
    for (const bool background : {true, false}) {
        painter->save();
        setBackgroundPass(background);
        paintLayers(painter);
        painter->restore();
    }
    painter->restore();
    toDevice = QTransform();
    setBackgroundPass(wasBackgroundPass);
    paintOver = wasPaintOver;
    QWidget::setFont(shown);
}

void Chart::setScaleColor(const QColor& c)
{
    settings.scalePen.setColor(c);
    invalidateBackground();
}

void Chart::paintEvent(QPaintEvent*)
{
    drawCachedBackground();
    QPainter painter(this);
    if (chain)
        chain->paint(&painter, this);
    paintOver = true;
    paintOverlay(&painter);
}

void Chart::paintOverlay(QPainter* painter)
{
    if (!plotArea.contains(mouse))
        return;
    QPen pen(QColor(0, 150, 150, 255));
    painter->setPen(pen);
    if (anchor == mouse) {
        painter->drawLine(mouse.x(), plotArea.top(), mouse.x(), plotArea.bottom() + 1);
        painter->drawLine(plotArea.left(), mouse.y(), plotArea.right() + 1, mouse.y());
        return;
    }
    painter->setBrush(QBrush(QColor(0, 150, 150, 100), Qt::SolidPattern));
    pen.setWidthF(1.5);
    painter->setPen(pen);
    const QRect columns(QPoint(mouse.x(), plotArea.top()),
                        QPoint(anchor.x(), plotArea.bottom() + 1));
    const QRect rows(QPoint(plotArea.left(), mouse.y()), QPoint(plotArea.right() - 2, anchor.y()));
    const QRect selection = columns & rows;
    painter->drawRects(&selection, 1);
}

void Chart::queryValues(QPoint& point)
{
    valuesAtMouse.clear();
    if (chain)
        chain->valuesAt(point, valuesAtMouse, this, plotArea);
}

void Chart::setSelection(const QPoint& anchorPoint, const QPoint& mousePoint)
{
    anchor = anchorPoint;
    mouse = mousePoint;
    update();
}

void Chart::clearSelection()
{
    // No plot holds a point left of the widget.
    anchor = mouse = QPoint(-1, -1);
    update();
}

void Chart::mouseMoveEvent(QMouseEvent* event)
{
    if (!hasMouseTracking())
        return;
    plotArea = QRect(QPoint(0, 0), QPoint(width() - 1, height() - 1));
    mouse = QPoint(qRound(event->localPos().x()), qRound(event->localPos().y()));
    queryValues(mouse);
    mouse += plotArea.topLeft();
    if (!plotArea.contains(mouse))
        return;
    emit curPosChanged(valuesAtMouse);
    if (event->buttons() != Qt::NoButton) {
        emit curRangeChanged(valuesAtMouse, valuesAtAnchor);
    } else {
        anchor = mouse;
        valuesAtAnchor = valuesAtMouse;
    }
    update();
}

QMenu* Chart::createContextMenu()
{
    auto* menu = new QMenu(this);
    connect(menu, &QMenu::triggered, this, &Chart::contextMenuActionTriggered);
    QAction* channelEntry = menu->addAction(tr("Канал"));
    QAction* scaleEntry = menu->addAction(tr("Шкала"));
    auto* channelMenu = new QMenu(this);
    auto* scaleMenu = new QMenu(this);
    // The submenus go with the menu.
    connect(menu, &QObject::destroyed, channelMenu, &QObject::deleteLater);
    connect(menu, &QObject::destroyed, scaleMenu, &QObject::deleteLater);
    channelEntry->setMenu(channelMenu);
    scaleEntry->setMenu(scaleMenu);
    // One entry per channel name: the records of one channel read from
    // several files are shown and hidden together.
    QSet<QString> listed;
    for (int i = 0; i < channelList.size(); ++i) {
        const QString& name = channelList.at(i).name();
        if (listed.contains(name))
            continue;
        listed.insert(name);
        QAction* show = channelMenu->addAction(name);
        show->setCheckable(true);
        show->setChecked(anyNamed(name, &Channel::visible));
        show->setObjectName(QStringLiteral("c %1 show").arg(i));
        QAction* scale = scaleMenu->addAction(name);
        scale->setCheckable(true);
        scale->setChecked(anyNamed(name, &Channel::showScale));
        scale->setObjectName(QStringLiteral("c %1 scale").arg(i));
    }
    menu->addSeparator();
    QAction* grid = menu->addAction(tr("Сетка"));
    grid->setCheckable(true);
    grid->setChecked(showGrid());
    connect(grid, &QAction::toggled, this, &Chart::setShowGrid);
    QAction* legend = menu->addAction(tr("Легенда"));
    legend->setCheckable(true);
    legend->setChecked(showLegend());
    connect(legend, &QAction::toggled, this, &Chart::setShowLegend);
    QAction* smooth = menu->addAction(tr("Сглаживание"));
    smooth->setCheckable(true);
    smooth->setChecked(antialiasing());
    connect(smooth, &QAction::toggled, this, &Chart::setAntialiasing);
    menu->addActions(actions());
    return menu;
}

void Chart::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu(createContextMenu());
    menu->exec(event->globalPos());
}

void Chart::contextMenuActionTriggered(QAction* a)
{
    if (!a)
        return;
    const QString name = a->objectName();
    qDebug("Action triggered %s", name.toLocal8Bit().constData());
    if (name.isEmpty() || !name.startsWith(QLatin1Char('c')))
        return;
    int index = 0;
    QString word;
    if (parseChannelAction(name, index, word)) {
        if (const Channel* c = channelAt(index)) {
            const QString channelName = c->name();
            if (word == QLatin1String("show")) {
                const bool shown = !anyNamed(channelName, &Channel::visible);
                setNamed(channelName, &Channel::setVisible, shown);
                invalidateBackground();
                emit channelShownChanged(channelName, shown);
                return;
            }
            if (word == QLatin1String("scale"))
                setNamed(channelName, &Channel::setShowScale,
                         !anyNamed(channelName, &Channel::showScale));
        }
    }
    invalidateBackground();
}

bool Chart::anyNamed(const QString& name, bool (Channel::*flag)() const) const
{
    return std::any_of(channelList.cbegin(), channelList.cend(),
                       [&](const Channel& c) { return c.name() == name && (c.*flag)(); });
}

void Chart::setNamed(const QString& name, void (Channel::*set)(bool), bool value)
{
    for (Channel& c : channelList)
        if (c.name() == name)
            (c.*set)(value);
}

void Chart::setNamedChannelColor(const QString& name, const QColor& color)
{
    for (Channel& c : channelList) {
        if (c.name() != name)
            continue;
        QPen pen = c.pen();
        pen.setColor(color);
        c.setPen(pen);
    }
    invalidateBackground();
}

int Chart::addChannel(const Channel& channel)
{
    channelList.append(channel);
    invalidateBackground();
    return channelList.size();
}

void Chart::clearChannels()
{
    // Two records may share one data object; it is deleted once.
    std::set<chart::ChannelData*> deleted;
    while (!channelList.isEmpty()) {
        chart::ChannelData* data = channelList.last().data();
        if (data && deleted.insert(data).second)
            delete data;
        channelList.removeLast();
    }
}

Channel* Chart::channelAt(int index)
{
    return index >= 0 && index < channelList.size() ? &channelList[index] : nullptr;
}

const Channel* Chart::channelAt(int index) const
{
    return index >= 0 && index < channelList.size() ? &channelList.at(index) : nullptr;
}

void Chart::setVisibleRange(double start, double end)
{
    settings.visibleStart = start;
    settings.visibleEnd = end;
}

int Chart::position() const
{
    return truncatedToInt(settings.position);
}

double Chart::channelMinimum() const
{
    const Channel* c = current();
    return c ? c->minimum() : 0;
}

double Chart::channelMaximum() const
{
    const Channel* c = current();
    return c ? c->maximum() : 0;
}

bool Chart::channelShowScale() const
{
    const Channel* c = current();
    return c && c->showScale();
}

bool Chart::channelVisible() const
{
    const Channel* c = current();
    return c && c->visible();
}

QColor Chart::channelColor() const
{
    const Channel* c = current();
    return c ? c->pen().color() : QColor(255, 255, 255, 255);
}

QString Chart::channelName() const
{
    const Channel* c = current();
    return c ? c->name() : QString();
}

void Chart::setPosition(double value)
{
    // A position that is not a number would leave nothing to draw.
    if (!std::isfinite(value))
        return;
    value = qBound(-kPositionLimit, value, kPositionLimit);
    settings.position = value;
    update();
    emit positionChanged(value);
    emit positionChanged(truncatedToInt(value));
}

void Chart::setPosition(int value)
{
    setPosition(static_cast<double>(value));
}

void Chart::setSize(double value)
{
    if (value > 0.00001 && std::isfinite(value)) {
        sizeValue = value;
        settings.visibleSpan = value * zoomValue;
        update();
    }
    emit sizeChanged(value);
    emit sizeChanged(truncatedToInt(value));
}

void Chart::setSize(int value)
{
    setSize(static_cast<double>(value));
}

void Chart::setMaximumSpan(double span)
{
    if (span > 0)
        largestSpan = qMin(span, kSpanLimit);
}

bool Chart::acceptsZoom(double factor) const
{
    // Only a positive span can be drawn, so negative factors are refused too.
    if (!(factor > 0.01) || !std::isfinite(factor))
        return false;
    return factor <= zoomValue || factor * sizeValue <= largestSpan;
}

void Chart::setZoom(double factor)
{
    if (!acceptsZoom(factor))
        return;
    zoomValue = factor;
    settings.visibleSpan = factor * sizeValue;
    update();
}

template <typename Edit> void Chart::editCurrent(const Edit& edit)
{
    if (Channel* c = current()) {
        edit(*c);
        invalidateBackground();
    }
}

void Chart::setChannelMinimum(double value)
{
    editCurrent([value](Channel& c) { c.setMinimum(value); });
}

void Chart::setChannelMaximum(double value)
{
    editCurrent([value](Channel& c) { c.setMaximum(value); });
}

void Chart::setChannelColor(QColor color)
{
    editCurrent([color](Channel& c) {
        QPen pen = c.pen();
        pen.setColor(color);
        c.setPen(pen);
    });
}

void Chart::setChannelName(QString name)
{
    if (Channel* c = current()) {
        c->setName(name);
        update();
    }
}

void Chart::setChannel(int index)
{
    currentChannel = index;
    if (index >= channelList.size()) {
        channelList.append(Channel());
        invalidateBackground();
    }
}

void Chart::setMeshCount(int& count, int value, int least)
{
    if (value >= least) {
        count = value;
        invalidateBackground();
    }
}

void Chart::setYMesh(int value)
{
    setMeshCount(settings.yMesh, value, 1);
}

void Chart::setXMesh(int value)
{
    setMeshCount(settings.xMesh, value, 1);
}

void Chart::setYSubMesh(int value)
{
    setMeshCount(settings.ySubMesh, value, 0);
}

void Chart::setXSubMesh(int value)
{
    setMeshCount(settings.xSubMesh, value, 0);
}

void Chart::setChannelShowScale(bool show)
{
    editCurrent([show](Channel& c) { c.setShowScale(show); });
}

void Chart::setChannelVisible(bool visible)
{
    editCurrent([visible](Channel& c) { c.setVisible(visible); });
}

void Chart::setShowScale(bool show)
{
    settings.showScale = show;
    invalidateBackground();
}

void Chart::setShowGrid(bool show)
{
    settings.showGrid = show;
    invalidateBackground();
}

void Chart::setShowLegend(bool show)
{
    legendShown = show;
    invalidateBackground();
}

void Chart::setAntialiasing(bool on)
{
    antialiased = on;
    invalidateBackground();
}

void Chart::setFont(const QFont& font)
{
    QWidget::setFont(font);
    invalidateBackground();
}

void Chart::setTopBackgroundColor(QColor c)
{
    topColor = c;
    invalidateBackground();
}

void Chart::setBottomBackgroundColor(QColor c)
{
    bottomColor = c;
    invalidateBackground();
}

void Chart::setGridColor(QColor c)
{
    gridLineColor = c;
    invalidateBackground();
}

void Chart::setPaintOver()
{
    paintOver = true;
    update();
}
