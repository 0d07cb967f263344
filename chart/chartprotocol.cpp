#include "chart/chartprotocol.h"

#include "chart/channelprotocoldecorator.h"
#include "chartdata/pairdatacontainer.h"
#include "chart/scalesgridprotocoldecorator.h"
#include "chartdata/valuebox.h"
#include "compare/relativetime.h"
#include "protocol/channellookup.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

namespace {
using chart::Standard::ScalesGridProtocolDecorator;

ScalesGridProtocolDecorator* scalesOf(const Chart* chart)
{
    return dynamic_cast<ScalesGridProtocolDecorator*>(chart->decorators());
}

// The tick under a mouse position, when it is a whole number of ticks.
bool toTick(double value, qint64& tick)
{
    if (!(std::fabs(value) < Chart::kPositionLimit))
        return false;
    tick = static_cast<qint64>(value);
    return true;
}
} // namespace

ChartProtocol::ChartProtocol(QWidget* parent)
    : Chart(parent), start(QDateTime::currentDateTime()), end(start),
      lookup(&ChannelLookup::streamLoger())
{
    // For the cursor's shape over the value line.
    setMouseTracking(true);
    setYMesh(4);
    installDecorators();
    createReferenceActions();
    lineValue = static_cast<qint64>(chartSize() * 0.5);
    emit lineValueXChanged(lineValue);
}

void ChartProtocol::installDecorators()
{
    auto channels = std::make_unique<ChannelProtocolDecorator>();
    auto scales = std::make_unique<ScalesGridProtocolDecorator>(std::move(channels), 100);
    scales->setChannelLookup(lookup);
    setDecorators(std::move(scales));
}

void ChartProtocol::setTimeBase(const QDateTime& startDateTime, quint16 tickLength)
{
    start = startDateTime;
    tickMs = tickLength;
    if (auto* scales = scalesOf(this))
        scales->setTimeBase(startDateTime, tickLength);
    invalidateBackground();
}

void ChartProtocol::setComparedProtocols(const QVector<ComparedProtocol>& protocols)
{
    const bool was = comparison.isActive();
    comparison.setProtocols(protocols);
    auto* scales = scalesOf(this);
    if (comparison.isActive() && !was) {
        ordinaryStart = start;
        ordinaryTickMs = tickMs;
        // x is milliseconds since each protocol's zero; the origin in UTC
        // puts the marks on whole steps from 0 whatever the time zone.
        setTimeBase(QDateTime::fromMSecsSinceEpoch(0, Qt::UTC), 1);
    } else if (!comparison.isActive() && was) {
        setTimeBase(ordinaryStart, ordinaryTickMs);
    }
    if (scales)
        scales->setRelativeTime(comparison.isActive());
    invalidateBackground();
}

void ChartProtocol::setComparedZero(int protocol, qint64 zero)
{
    if (comparison.setZero(protocol, zero))
        update();
}

QPen ChartProtocol::comparedPen(const QColor& colour, int protocol)
{
    return chart::ComparisonLayer::pen(colour, protocol);
}

void ChartProtocol::setNamedChannelColor(const QString& name, const QColor& color)
{
    Chart::setNamedChannelColor(name, color);
    if (!comparison.isActive())
        return;
    // The lighter shade of protocols past the fourth follows the colour.
    for (int i = 0; i < channelCount(); ++i) {
        Channel* channel = channelAt(i);
        if (channel->name() == name && channel->protocol() >= 0)
            channel->setPen(comparedPen(color, channel->protocol()));
    }
}

void ChartProtocol::clearTimeBase()
{
    setTimeBase(QDateTime(), kDefaultTickMs);
    end = QDateTime();
    lineValue = static_cast<qint64>(chartSize() * 0.5);
}

void ChartProtocol::setLineValueX(qint64 x)
{
    lineValue = x;
    update();
}

void ChartProtocol::setBookmarks(QVector<qint64> ticks)
{
    std::sort(ticks.begin(), ticks.end());
    ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
    bookmarkList = ticks;
    if (!bookmarkList.contains(current))
        current = -1;
    emit bookmarkListChanged();
    update();
}

bool ChartProtocol::setCurrentBookmark(qint64 x)
{
    if (x != -1 && !bookmarkList.contains(x))
        return false;
    current = x;
    return true;
}

double ChartProtocol::scalesWidth() const
{
    const auto* scales = scalesOf(this);
    return scales ? scales->scalesWidth() : 0;
}

double ChartProtocol::gridStep() const
{
    const auto* scales = scalesOf(this);
    const double step = scales ? scales->timeStepTicks() : 0;
    return step > 0 ? step : scaleSettings().visibleSpan / xMesh();
}

void ChartProtocol::placeLineValue(qint64 x)
{
    lineValue = x;
    emit lineValueXChanged(x);
    const ScaleSettings& s = scaleSettings();
    const double span = s.visibleSpan;
    if (x < s.position || x > s.position + span)
        setPosition(x - span / 2);
    update();
}

QStringList ChartProtocol::leftOutScales() const
{
    const auto* scales = scalesOf(this);
    return scales ? scales->leftOutScales() : QStringList();
}

QRect ChartProtocol::leftOutMarker() const
{
    const auto* scales = scalesOf(this);
    return scales ? scales->leftOutMarker() : QRect();
}

QString ChartProtocol::leftOutScalesToolTip() const
{
    const QStringList names = leftOutScales();
    return names.isEmpty() ? QString() : chart::ScalesGridPainter::leftOutScalesToolTip(names);
}

bool ChartProtocol::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return Chart::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QRect marker = leftOutMarker();
    if (!marker.isNull() && marker.contains(help->pos()))
        QToolTip::showText(help->globalPos(), leftOutScalesToolTip(), this, marker);
    else
        QToolTip::hideText();
    return true;
}

void ChartProtocol::setTimeShared(bool shared)
{
    timeShared = shared;
    update();
}

void ChartProtocol::setMinimumScaleWidth(double width)
{
    if (auto* scales = scalesOf(this)) {
        scales->setMinimumScaleWidth(width);
        invalidateBackground();
    }
}

QColor ChartProtocol::referenceColor()
{
    return QColor(255, 159, 26);
}

void ChartProtocol::setReferenceX(qint64 x)
{
    reference = x;
    referenceSet = true;
    update();
}

void ChartProtocol::clearReference()
{
    referenceSet = false;
    if (drag == Drag::Reference)
        drag = Drag::None;
    update();
}

void ChartProtocol::createReferenceActions()
{
    // The chart's own actions close its context menu.
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
    actReferenceHere = new QAction(tr("Опорный курсор сюда"), this);
    actReferenceHere->setObjectName(QStringLiteral("actReferenceHere"));
    actReferenceHere->setToolTip(tr("Поставить опорный курсор (Shift+двойной щелчок)"));
    connect(actReferenceHere, &QAction::triggered, this, [this] {
        if (!menuTickValid)
            return;
        setReferenceX(menuTick);
        emit referenceXChanged(reference);
    });
    actReferenceClear = new QAction(tr("Убрать опорный курсор"), this);
    actReferenceClear->setObjectName(QStringLiteral("actReferenceClear"));
    connect(actReferenceClear, &QAction::triggered, this, [this] {
        clearReference();
        emit referenceCleared();
    });
    actBookmarkNote = new QAction(tr("Заметка к закладке…"), this);
    actBookmarkNote->setObjectName(QStringLiteral("actBookmarkNote"));
    connect(actBookmarkNote, &QAction::triggered, this, [this] {
        const qint64 x = menuTickValid ? bookmarkNear(menuTick) : -1;
        if (x >= 0 || current >= 0)
            emit bookmarkNoteRequested(x >= 0 ? x : current);
    });
    actFullValueBox = new QAction(tr("Все значения"), this);
    actFullValueBox->setObjectName(QStringLiteral("actFullValueBox"));
    actFullValueBox->setCheckable(true);
    actFullValueBox->setToolTip(
        tr("Окно значений со всеми каналами и их именами, даже если оно закрывает график"));
    connect(actFullValueBox, &QAction::toggled, this, [this] { update(); });
    addActions({actReferenceHere, actReferenceClear, actBookmarkNote, actFullValueBox});
}

qint64 ChartProtocol::bookmarkNear(qint64 x) const
{
    const ScaleSettings& s = scaleSettings();
    const double span = s.visibleEnd - s.visibleStart;
    const double ticksPerPixel = span > 0 && width() > 0 ? span / width() : 1;
    qint64 nearest = -1;
    for (const qint64 b : bookmarkList) {
        const double distance = std::fabs(double(b) - x) / ticksPerPixel;
        if (distance <= 6 && (nearest < 0 || std::abs(b - x) < std::abs(nearest - x)))
            nearest = b;
    }
    return nearest;
}

void ChartProtocol::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() == QContextMenuEvent::Mouse) {
        // Where the menu comes with the press, the right button may still
        // drag the view: the menu waits for a release that did not pan.
        if (drag == Drag::Pan && !dragStarted) {
            pendingMenu = true;
            pendingMenuPoint = event->pos();
            return;
        }
        if (swallowMenu) {
            swallowMenu = false;
            return;
        }
    }
    showContextMenu(event);
}

void ChartProtocol::showContextMenu(QContextMenuEvent* event)
{
    menuTickValid = xUnderMouse(event->pos(), menuTick);
    actReferenceHere->setEnabled(menuTickValid);
    actReferenceClear->setEnabled(referenceSet);
    actBookmarkNote->setEnabled((menuTickValid && bookmarkNear(menuTick) >= 0) || current >= 0);
    Chart::contextMenuEvent(event);
}

void ChartProtocol::setChannelLookup(const ChannelLookup* channelLookup)
{
    lookup = channelLookup ? channelLookup : &ChannelLookup::streamLoger();
    if (auto* scales = scalesOf(this))
        scales->setChannelLookup(lookup);
    invalidateBackground();
}

void ChartProtocol::setZoom(double factor)
{
    // A refused factor leaves the view where it is and tells nobody.
    if (!acceptsZoom(factor))
        return;
    const double oldPosition = scaleSettings().position;
    const double r = factor / zoom();
    Chart::setZoom(factor);
    emit zoomChanged(factor);
    // The tick at the value line keeps its place on the screen.
    setPosition(lineValue - (lineValue - oldPosition) * r);
}

void ChartProtocol::setChartVisible(QString name, bool visible)
{
    for (int i = 0; i < channelCount(); ++i) {
        Channel* channel = channelAt(i);
        if (channel->name() == name) {
            channel->setVisible(visible);
            channel->setShowScale(visible);
        }
    }
    invalidateBackground();
}

void ChartProtocol::setEventBands(QVector<EventBand> bands)
{
    eventBands.setBands(std::move(bands));
    update();
}

qint64 ChartProtocol::nextBookmarkTick() const
{
    const qint64 from = current >= 0 ? current : lineValue;
    const auto it = std::upper_bound(bookmarkList.cbegin(), bookmarkList.cend(), from);
    return it == bookmarkList.cend() ? -1 : *it;
}

qint64 ChartProtocol::previousBookmarkTick() const
{
    const qint64 from = current >= 0 ? current : lineValue;
    const auto it = std::lower_bound(bookmarkList.cbegin(), bookmarkList.cend(), from);
    return it == bookmarkList.cbegin() ? -1 : *(it - 1);
}

qint64 ChartProtocol::targetBookmark() const
{
    if (current >= 0 || bookmarkList.isEmpty())
        return bookmarkList.isEmpty() ? -1 : current;
    const qint64 after = nextBookmarkTick();
    const auto at = std::lower_bound(bookmarkList.cbegin(), bookmarkList.cend(), lineValue);
    if (at != bookmarkList.cend() && *at == lineValue)
        return lineValue;
    const qint64 before = previousBookmarkTick();
    if (before < 0)
        return after;
    if (after < 0)
        return before;
    return lineValue - before <= after - lineValue ? before : after;
}

void ChartProtocol::goToBookmark()
{
    const qint64 target = targetBookmark();
    if (target < 0)
        return;
    if (target != current) {
        current = target;
        emit bookmarkChanged(current);
    }
    lineValue = current;
    emit lineValueXChanged(lineValue);
    setPosition(lineValue - scaleSettings().visibleSpan * 0.5);
}

void ChartProtocol::nextBookmark()
{
    const qint64 next = nextBookmarkTick();
    if (next < 0 && current < 0)
        return;
    if (next >= 0) {
        current = next;
        emit bookmarkChanged(current);
    }
    goToBookmark();
}

void ChartProtocol::previousBookmark()
{
    const qint64 previous = previousBookmarkTick();
    if (previous < 0 && current < 0)
        return;
    if (previous >= 0) {
        current = previous;
        emit bookmarkChanged(current);
    }
    goToBookmark();
}

void ChartProtocol::addBookmark(qint64 x)
{
    const bool added = !bookmarkList.contains(x);
    if (added) {
        bookmarkList.append(x);
        std::sort(bookmarkList.begin(), bookmarkList.end());
    }
    current = x;
    emit bookmarkChanged(x);
    if (added) {
        emit bookmarksEdited();
        emit bookmarkListChanged();
    }
    goToBookmark();
}

void ChartProtocol::deleteBookmark(qint64 x)
{
    const int i = bookmarkList.indexOf(x);
    if (i >= 0) {
        bookmarkList.remove(i);
        if (x == current) {
            if (i < bookmarkList.size())
                current = bookmarkList.at(i);
            else if (!bookmarkList.isEmpty())
                current = bookmarkList.at(i - 1);
            else
                current = -1;
            emit bookmarkChanged(current);
        }
        emit bookmarksEdited();
        emit bookmarkListChanged();
    }
    update();
}

void ChartProtocol::clearBookmark()
{
    bookmarkList.clear();
    current = -1;
    emit bookmarkChanged(-1);
    emit bookmarksEdited();
    emit bookmarkListChanged();
}

bool ChartProtocol::xUnderMouse(const QPointF& position, qint64& x)
{
    QPoint point(qRound(position.x()), qRound(position.y()));
    queryValues(point);
    if (values().isEmpty())
        return false;
    return toTick(values().first().x(), x);
}

void ChartProtocol::moveLineTo(const QPointF& position)
{
    qint64 x = 0;
    if (xUnderMouse(position, x)) {
        lineValue = x;
        emit lineValueXChanged(x);
    }
    update();
}

void ChartProtocol::moveReferenceTo(const QPointF& position)
{
    qint64 x = 0;
    if (xUnderMouse(position, x)) {
        setReferenceX(x);
        emit referenceXChanged(x);
    }
    update();
}

double ChartProtocol::ticksPerPixel() const
{
    const ScaleSettings& s = scaleSettings();
    const double plotWidth = width() - scalesWidth();
    return plotWidth > 0 ? (s.visibleEnd - s.visibleStart) / plotWidth : 0;
}

bool ChartProtocol::tickUnderMouse(const QPointF& position, double& tick)
{
    QPoint point(qRound(position.x()), qRound(position.y()));
    queryValues(point);
    if (values().isEmpty() || !std::isfinite(values().first().x()))
        return false;
    tick = values().first().x();
    return true;
}

ChartProtocol::Drag ChartProtocol::lineNear(double tick) const
{
    const double perPixel = ticksPerPixel();
    if (!(perPixel > 0))
        return Drag::None;
    const auto near = [&](double line) { return std::fabs(tick - line) / perPixel <= kGripPixels; };
    // The value line keeps its grip where both lines are close.
    if (near(lineValue))
        return Drag::Line;
    if (referenceSet && near(reference))
        return Drag::Reference;
    return Drag::None;
}

void ChartProtocol::mousePressEvent(QMouseEvent* event)
{
    Chart::mousePressEvent(event);
    // Every press starts afresh: a release that went elsewhere (to a context
    // menu, another window) must not leave a drag behind.
    endDrag();
    pressPoint = event->pos();
    pressPosition = scaleSettings().position;
    const bool left = event->button() == Qt::LeftButton;
    if (left && (event->modifiers() & Qt::AltModifier) && startShift(event->localPos()))
        return;
    if (event->button() == Qt::RightButton || (left && (event->modifiers() & Qt::ShiftModifier))) {
        drag = Drag::Pan;
        return;
    }
    double tick = 0;
    if (!left || !tickUnderMouse(event->localPos(), tick))
        return;
    drag = lineNear(tick);
    if (drag == Drag::None) {
        drag = Drag::Box;
        pressTick = tick;
    }
}

void ChartProtocol::mouseMoveEvent(QMouseEvent* event)
{
    // Not the base's crosshair: the charts follow the mouse only for the
    // cursor's shape while no button is held.
    QWidget::mouseMoveEvent(event);
    const int moved = std::abs(event->pos().x() - pressPoint.x());
    switch (drag) {
    case Drag::None: {
        double tick = 0;
        const bool grip = tickUnderMouse(event->localPos(), tick) && lineNear(tick) != Drag::None;
        if (grip)
            setCursor(Qt::SizeHorCursor);
        else
            unsetCursor();
        break;
    }
    case Drag::Line:
        moveLineTo(event->localPos());
        break;
    case Drag::Reference:
        moveReferenceTo(event->localPos());
        break;
    case Drag::Box:
        if (dragStarted || moved >= kClickPixels) {
            dragStarted = true;
            showBox(event->pos().x());
        }
        break;
    case Drag::Pan:
        if (dragStarted || moved >= kClickPixels) {
            dragStarted = true;
            setCursor(Qt::ClosedHandCursor);
            setPosition(pressPosition - (event->pos().x() - pressPoint.x()) * ticksPerPixel());
        }
        break;
    case Drag::Shift:
        emit protocolShiftDragged(shiftProtocol, shiftDelta(event->localPos()));
        break;
    }
}

bool ChartProtocol::startShift(const QPointF& position)
{
    double tick = 0;
    if (!comparison.isActive() || !tickUnderMouse(position, tick))
        return false;
    const QRect plot = plotRect();
    const int protocol = chart::ComparisonLayer::protocolNearest(
        channels(), tick, position.y() - plot.top(), double(plot.bottom() - plot.top()));
    if (protocol < 0)
        return false;
    drag = Drag::Shift;
    shiftProtocol = protocol;
    setCursor(Qt::ClosedHandCursor);
    return true;
}

qint64 ChartProtocol::shiftDelta(const QPointF& position) const
{
    const double ms = (position.x() - pressPoint.x()) * ticksPerPixel() * tickMs;
    return std::isfinite(ms) ? std::llround(qBound(-1e15, ms, 1e15)) : 0;
}

void ChartProtocol::mouseReleaseEvent(QMouseEvent* event)
{
    Chart::mouseReleaseEvent(event);
    const Drag ended = drag;
    const bool started = dragStarted;
    const int shifted = shiftProtocol;
    endDrag();
    switch (ended) {
    case Drag::Shift:
        emit protocolShiftDropped(shifted, shiftDelta(event->localPos()));
        break;
    case Drag::Line:
        moveLineTo(event->localPos());
        break;
    case Drag::Reference:
        moveReferenceTo(event->localPos());
        break;
    case Drag::Box: {
        double tick = 0;
        if (started && tickUnderMouse(event->localPos(), tick))
            showRange(pressTick, tick);
        break;
    }
    case Drag::Pan:
        // A right click that did not pan opens the menu it held back.
        if (!started && pendingMenu) {
            QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, pendingMenuPoint,
                                        mapToGlobal(pendingMenuPoint));
            pendingMenu = false;
            showContextMenu(&menuEvent);
        } else if (started && !pendingMenu && event->button() == Qt::RightButton) {
            // Where the menu comes after the release, it is not wanted now.
            swallowMenu = true;
        }
        break;
    case Drag::None:
        break;
    }
    pendingMenu = false;
}

void ChartProtocol::endDrag()
{
    if (drag == Drag::Box && dragStarted)
        clearSelection();
    if ((drag == Drag::Pan && dragStarted) || drag == Drag::Shift)
        unsetCursor();
    shiftProtocol = -1;
    drag = Drag::None;
    dragStarted = false;
}

void ChartProtocol::showBox(int mouseX)
{
    // A band over the plot's height between the press and the mouse.
    const QRect plot = plotRect();
    const int x = qBound(plot.left(), mouseX, plot.right());
    const int from = qBound(plot.left(), pressPoint.x(), plot.right());
    setSelection(QPoint(from, plot.top()), QPoint(x, plot.bottom()));
}

void ChartProtocol::showRange(double from, double to)
{
    emit viewJumped(zoom(), scaleSettings().position);
    if (from > to)
        std::swap(from, to);
    // Not narrower than the narrowest view the zoom allows.
    const double least = chartSize() * kLeastZoom;
    if (to - from < least) {
        const double middle = (from + to) / 2;
        from = middle - least / 2;
        to = middle + least / 2;
    }
    setZoom((to - from) / chartSize());
    setPosition(from);
}

void ChartProtocol::mouseDoubleClickEvent(QMouseEvent* event)
{
    Chart::mouseDoubleClickEvent(event);
    // The second press of a double click starts no drag.
    endDrag();
    if (event->modifiers() & Qt::ShiftModifier)
        moveReferenceTo(event->localPos());
    else
        moveLineTo(event->localPos());
}

void ChartProtocol::wheelEvent(QWheelEvent* event)
{
    Chart::wheelEvent(event);
    const QPoint angle = event->angleDelta();
    const int delta = std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y();
    if (QGuiApplication::keyboardModifiers() == Qt::ControlModifier) {
        if (delta <= 0)
            setZoom(zoom() / 1.1);
        else
            setZoom(zoom() * 1.1);
    } else if (delta != 0) {
        // A share of the view per notch, so that the wheel moves the view
        // alike at every zoom; at least a tick, so that it always moves.
        double ticks = std::trunc(delta * kWheelShare / 120.0 * scaleSettings().visibleSpan);
        if (ticks == 0)
            ticks = delta > 0 ? 1 : -1;
        setPosition(std::trunc(scaleSettings().position) + ticks);
    }
    // The chart used the wheel; it is not for the widgets around it.
    event->accept();
}

QString ChartProtocol::noValueText()
{
    return tr("нет данных");
}

QString ChartProtocol::timeText() const
{
    if (comparison.isActive())
        return tr("Время = %1").arg(relativeTimeText(lineValue));
    // Ticks are milliseconds apart, and a load may span several days: the
    // time of day alone would be ambiguous.
    const QDateTime at = start.addMSecs(static_cast<qint64>(tickMs) * lineValue);
    const bool oneDay = start.date() == end.date() && at.date() == start.date();
    const QString format =
        oneDay ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("dd.MM.yyyy HH:mm:ss.zzz");
    return tr("Время = %1").arg(at.toString(format));
}

void ChartProtocol::paintValueCursor(QPainter* painter)
{
    const ScaleSettings& s = scaleSettings();
    const double k = painter->window().width() / (s.visibleEnd - s.visibleStart);
    const auto pixel = [&](double tick) { return k * tick - k * s.position; };
    const auto lineAt = [&](double px) {
        const int x = static_cast<int>(qBound(-1e9, px, 1e9));
        painter->drawLine(x, 0, x, height());
    };

    eventBands.paint(painter, k, s.position);
    painter->save();
    painter->setPen(QPen(Qt::white, 2));
    for (const qint64 b : bookmarkList)
        lineAt(pixel(double(b)));
    if (referenceSet) {
        painter->setPen(QPen(referenceColor(), 2, Qt::DashLine));
        lineAt(pixel(double(reference)));
    }
    painter->setPen(QPen(Qt::red, 2));
    const double linePixel = pixel(double(lineValue));
    lineAt(linePixel);
    if (showLegend() && comparison.isActive()) {
        // Under the value box, in device pixels as the box is.
        painter->save();
        const QRect plot = deviceMapping().inverted().mapRect(painter->viewport());
        painter->setWindow(plot);
        comparison.paintLegend(painter, plot, font(), channels());
        painter->restore();
    }
    // The box belongs to the line: scrolled out of view, the line takes its
    // values with it.
    if (showLegend() && linePixel >= 0 && linePixel <= painter->window().width())
        paintValueBox(painter, linePixel);
    painter->restore();
}

int ChartProtocol::valueDecimals(const QString& title) const
{
    return chart::boxValueDecimals(*lookup, title);
}

QString ChartProtocol::valueText(const QString& title, double value) const
{
    return chart::boxValueText(*lookup, title, value);
}

QVector<chart::ValueBoxLine> ChartProtocol::comparisonValueBoxLines() const
{
    return comparison.valueBoxLines(channels(), lineValue, *lookup, noValueText());
}

QVector<chart::ValueBoxLine> ChartProtocol::ordinaryValueBoxLines() const
{
    // Per name, the value of the first of its channels (one per protocol
    // file) that has one at the line; a name none of them covers has no
    // value, which is not the same as a value of 0.
    QMap<QString, double> valueByName;
    QVector<chart::ValueBoxLine> lines;
    QStringList values;
    for (const Channel& channel : channels()) {
        const auto known = valueByName.constFind(channel.name());
        if (!channel.visible() || !channel.showInLegend() ||
            (known != valueByName.cend() && !std::isnan(*known)))
            continue;
        auto* data = dynamic_cast<chart::ProtocolChannelData*>(channel.data());
        double value = 0;
        if (!data || !data->valueAt(lineValue, value))
            continue;
        // NaN: a computed channel without a result here; another record of
        // the name may have one.
        if (known == valueByName.cend() || !std::isnan(value))
            valueByName.insert(channel.name(), value);
    }
    for (const Channel& channel : channels()) {
        if (!channel.visible() || !channel.showInLegend() ||
            std::any_of(lines.cbegin(), lines.cend(),
                        [&](const chart::ValueBoxLine& l) { return l.name == channel.name(); }))
            continue;
        const auto found = valueByName.constFind(channel.name());
        const QString text = found == valueByName.cend() ? noValueText()
                             : std::isnan(*found)        ? QStringLiteral("—")
                                                         : valueText(channel.name(), *found);
        const QString code = lookup->codeByTitle(channel.name());
        lines.append({channel.name(), QStringLiteral("%1 = %2").arg(channel.name(), text),
                      channel.pen().color(),
                      QStringLiteral("%1 = %2").arg(code.isEmpty() ? channel.name() : code, text)});
        values.append(text);
    }
    if (timeShared && height() < kCompactBoxHeight && lines.size() == 1) {
        // A low chart of one channel among others: its value alone, the
        // time stands on the common chart and on the shared axis.
        lines.first().text = values.first();
    } else {
        lines.append({QString(), timeText(), QColor(Qt::white), QString()});
    }
    return lines;
}

void ChartProtocol::paintValueBox(QPainter* painter, double lineX)
{
    chart::ValueBoxOptions options;
    QVector<chart::ValueBoxLine> lines;
    if (comparison.isActive()) {
        lines = comparisonValueBoxLines();
        options.trailing = comparison.timeLines();
        // A low chart among others: its curves' values only, the times
        // stand on the common chart.
        if (timeShared && height() < kCompactBoxHeight) {
            lines.resize(lines.size() - options.trailing);
            options.trailing = 0;
        }
    } else {
        lines = ordinaryValueBoxLines();
    }
    if (lines.isEmpty())
        return;
    // The box is laid out in device pixels, so its text keeps its shape
    // however the plot is scaled.
    const QRect plot = deviceMapping().inverted().mapRect(painter->viewport());
    const double scale = plot.width() / static_cast<double>(qMax(1, painter->window().width()));
    painter->setWindow(plot);
    painter->setFont(font());
    const int lineAt = plot.left() + static_cast<int>(qBound(-1e9, lineX * scale, 1e9));
    // A box over most of the plot starts compact and says how to show it all.
    options.compactWhenLarge = !actFullValueBox->isChecked();
    options.hint = tr("Имена: меню графика › %1").arg(actFullValueBox->text());
    chart::paintValueBox(painter,
                         chart::layoutValueBox(lines, QFontMetrics(font()), plot, lineAt, options));
}
