#include "chart/chartprotocol.h"

#include "chart/channelprotocoldecorator.h"
#include "chart/pairdatacontainer.h"
#include "chart/scalesgridprotocoldecorator.h"
#include "chart/valuebox.h"
#include "protocol/channellookup.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace {
using chart::Standard::ScalesGridProtocolDecorator;

ScalesGridProtocolDecorator* scalesOf(const Chart* chart)
{
    return dynamic_cast<ScalesGridProtocolDecorator*>(chart->decorators());
}

// The tick under a mouse position, when it is a whole number of ticks.
bool toTick(double value, int& tick)
{
    if (!(std::fabs(value) < 2147483647.0))
        return false;
    tick = static_cast<int>(value);
    return true;
}
} // namespace

ChartProtocol::ChartProtocol(QWidget* parent)
    : Chart(parent), start(QDateTime::currentDateTime()), end(start),
      lookup(&ChannelLookup::streamLoger())
{
    setYMesh(4);
    installDecorators();
    createReferenceActions();
    lineValue = static_cast<int>(chartSize() * 0.5);
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

void ChartProtocol::setLineValueX(int x)
{
    lineValue = x;
    update();
}

void ChartProtocol::setBookmarks(QVector<int> ticks)
{
    std::sort(ticks.begin(), ticks.end());
    ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
    bookmarkList = ticks;
    if (!bookmarkList.contains(current))
        current = -1;
    update();
}

bool ChartProtocol::setCurrentBookmark(int x)
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

void ChartProtocol::setReferenceX(int x)
{
    reference = x;
    referenceSet = true;
    update();
}

void ChartProtocol::clearReference()
{
    referenceSet = false;
    draggingReference = false;
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
        const int x = menuTickValid ? bookmarkNear(menuTick) : -1;
        if (x >= 0 || current >= 0)
            emit bookmarkNoteRequested(x >= 0 ? x : current);
    });
    addActions({actReferenceHere, actReferenceClear, actBookmarkNote});
}

int ChartProtocol::bookmarkNear(int x) const
{
    const ScaleSettings& s = scaleSettings();
    const double span = s.visibleEnd - s.visibleStart;
    const double ticksPerPixel = span > 0 && width() > 0 ? span / width() : 1;
    int nearest = -1;
    for (const int b : bookmarkList) {
        const double distance = std::fabs(double(b) - x) / ticksPerPixel;
        if (distance <= 6 && (nearest < 0 || std::abs(b - x) < std::abs(nearest - x)))
            nearest = b;
    }
    return nearest;
}

void ChartProtocol::contextMenuEvent(QContextMenuEvent* event)
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

void ChartProtocol::goToBookmark()
{
    if (current < 0)
        return;
    lineValue = current;
    emit lineValueXChanged(lineValue);
    setPosition(lineValue - scaleSettings().visibleSpan * 0.5);
}

void ChartProtocol::nextBookmark()
{
    const int i = bookmarkList.indexOf(current);
    if (i + 1 < bookmarkList.size()) {
        current = bookmarkList.at(i + 1);
        emit bookmarkChanged(current);
    }
    goToBookmark();
}

void ChartProtocol::previousBookmark()
{
    const int i = bookmarkList.indexOf(current);
    if (i - 1 >= 0) {
        current = bookmarkList.at(i - 1);
        emit bookmarkChanged(current);
    }
    goToBookmark();
}

void ChartProtocol::addBookmark(int x)
{
    const bool added = !bookmarkList.contains(x);
    if (added) {
        bookmarkList.append(x);
        std::sort(bookmarkList.begin(), bookmarkList.end());
    }
    current = x;
    emit bookmarkChanged(x);
    if (added)
        emit bookmarksEdited();
    goToBookmark();
}

void ChartProtocol::deleteBookmark(int x)
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
    }
    update();
}

void ChartProtocol::clearBookmark()
{
    bookmarkList.clear();
    current = -1;
    emit bookmarkChanged(-1);
    emit bookmarksEdited();
}

bool ChartProtocol::xUnderMouse(const QPointF& position, int& x)
{
    QPoint point(qRound(position.x()), qRound(position.y()));
    queryValues(point);
    if (values().isEmpty())
        return false;
    return toTick(values().first().x(), x);
}

void ChartProtocol::moveLineTo(const QPointF& position)
{
    int x = 0;
    if (xUnderMouse(position, x)) {
        lineValue = x;
        emit lineValueXChanged(x);
    }
    update();
}

void ChartProtocol::moveReferenceTo(const QPointF& position)
{
    int x = 0;
    if (xUnderMouse(position, x)) {
        setReferenceX(x);
        emit referenceXChanged(x);
    }
    update();
}

void ChartProtocol::mousePressEvent(QMouseEvent* event)
{
    Chart::mousePressEvent(event);
    // Every press starts afresh: a release that went elsewhere (to a context
    // menu, another window) must not leave a drag behind.
    dragging = false;
    draggingReference = false;
    if (event->button() != Qt::LeftButton)
        return;
    int x = 0;
    if (!xUnderMouse(event->localPos(), x))
        return;
    // The value line keeps its grip where both lines are close.
    if (std::abs(static_cast<qint64>(x) - lineValue) <= 4)
        dragging = true;
    else if (referenceSet && std::abs(static_cast<qint64>(x) - reference) <= 4)
        draggingReference = true;
}

void ChartProtocol::mouseMoveEvent(QMouseEvent* event)
{
    Chart::mouseMoveEvent(event);
    if (dragging)
        moveLineTo(event->localPos());
    else if (draggingReference)
        moveReferenceTo(event->localPos());
}

void ChartProtocol::mouseReleaseEvent(QMouseEvent* event)
{
    Chart::mouseReleaseEvent(event);
    if (draggingReference) {
        moveReferenceTo(event->localPos());
        draggingReference = false;
    }
    if (!dragging)
        return;
    moveLineTo(event->localPos());
    dragging = false;
}

void ChartProtocol::mouseDoubleClickEvent(QMouseEvent* event)
{
    Chart::mouseDoubleClickEvent(event);
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
    } else {
        setPosition(static_cast<double>(position()) + delta / 10);
    }
    // The chart used the wheel; it is not for the widgets around it.
    event->accept();
}

QString ChartProtocol::timeText() const
{
    const qint64 ms = static_cast<qint64>(tickMs) * lineValue;
    return tr("Время = %1").arg(start.addMSecs(ms).toString(QStringLiteral("HH:mm:ss")));
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

    painter->save();
    painter->setPen(QPen(Qt::white, 2));
    for (int b : bookmarkList)
        lineAt(pixel(b));
    if (referenceSet) {
        painter->setPen(QPen(referenceColor(), 2, Qt::DashLine));
        lineAt(pixel(reference));
    }
    painter->setPen(QPen(Qt::red, 2));
    const double linePixel = pixel(lineValue);
    lineAt(linePixel);
    if (showLegend())
        paintValueBox(painter, qBound(-1e9, linePixel, 1e9));
    painter->restore();
}

int ChartProtocol::valueDecimals(const QString& title) const
{
    const QString code = lookup->codeByTitle(title);
    const int rate = code.isEmpty() ? 0 : lookup->rateByCode(code);
    return qBound(2, rate, kMaxValueDecimals);
}

void ChartProtocol::paintValueBox(QPainter* painter, double lineX)
{
    // The first non-zero value among the channels of each name.
    QMap<QString, double> valueByName;
    for (const Channel& channel : channels()) {
        if (!channel.visible() || !channel.showInLegend())
            continue;
        auto* data = dynamic_cast<chart::ProtocolChannelData*>(channel.data());
        const double y = data ? data->valueAt(lineValue).y() : 0;
        double& value = valueByName[channel.name()];
        // NaN: a computed channel without a result here.
        if (value == 0 || std::isnan(value))
            value = y;
    }

    QVector<chart::ValueBoxLine> lines;
    for (const Channel& channel : channels()) {
        if (!channel.visible() || !channel.showInLegend() ||
            std::any_of(lines.cbegin(), lines.cend(),
                        [&](const chart::ValueBoxLine& l) { return l.name == channel.name(); }))
            continue;
        const double value = valueByName.value(channel.name());
        int raw = 0;
        const QString refs = std::isnan(value) ? QStringLiteral("—")
                             : toTick(value, raw)
                                 ? lookup->refText(lookup->codeByTitle(channel.name()), raw)
                                 : QString();
        const QString number =
            refs.isEmpty() ? QString::number(value, 'f', valueDecimals(channel.name())) : refs;
        lines.append({channel.name(), QStringLiteral("%1 = %2").arg(channel.name(), number),
                      channel.pen().color()});
    }
    lines.append({QString(), timeText(), QColor(Qt::white)});

    // The box is laid out in device pixels, so its text keeps its shape
    // however the plot is scaled.
    const QRect plot = deviceMapping().inverted().mapRect(painter->viewport());
    const double scale = plot.width() / static_cast<double>(qMax(1, painter->window().width()));
    painter->setWindow(plot);
    painter->setFont(font());
    const int lineAt = plot.left() + static_cast<int>(qBound(-1e9, lineX * scale, 1e9));
    chart::paintValueBox(painter, chart::layoutValueBox(lines, QFontMetrics(font()), plot, lineAt));
}
