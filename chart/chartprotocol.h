#pragma once

#include "chart/chart.h"
#include "chart/comparisonlayer.h"
#include "chart/eventbandpainter.h"

#include <QDateTime>
#include <QVector>

class ChannelLookup;

// The chart of loaded protocols: x in ticks of a common start, labelled
// with times of day; a value line with a box of every channel's value at
// it; bookmarks; zoom that keeps the value line in place; wheel scrolling.
class ChartProtocol : public Chart
{
    Q_OBJECT
public:
    explicit ChartProtocol(QWidget* parent = nullptr);

    void setTimeBase(const QDateTime& start, quint16 tickLength);
    QDateTime startDateTime() const { return start; }
    quint16 tickLength() const { return tickMs; }
    QDateTime endDateTime() const { return end; }
    void setEndDateTime(const QDateTime& dateTime) { end = dateTime; }
    // No time base, as before the first read.
    void clearTimeBase();

    // The tick of the value line; setting it emits nothing.
    qint64 lineValueX() const { return lineValue; }
    void setLineValueX(qint64 x);

    // The reference cursor, a second line that marks the other end of a
    // stretch of time: set from the context menu or with Shift+double click,
    // dragged like the value line. Setting it emits nothing.
    bool hasReference() const { return referenceSet; }
    qint64 referenceX() const { return reference; }
    void setReferenceX(qint64 x);
    void clearReference();
    static QColor referenceColor();

    // Bookmarked ticks, ascending and without duplicates; the current one
    // is -1 or one of them.
    const QVector<qint64>& bookmarks() const { return bookmarkList; }
    void setBookmarks(QVector<qint64> ticks);
    // Spans shaded under the cursor lines (the events).
    void setEventBands(QVector<EventBand> bands);
    qint64 currentBookmark() const { return current; }
    // Takes -1 or a bookmarked tick; anything else is refused.
    bool setCurrentBookmark(qint64 x);
    // Where "next" and "previous" go: the current bookmark's neighbour, or
    // without a current one (bookmarks just read with their protocol) the
    // first after and the last before the value line. -1: none.
    qint64 nextBookmarkTick() const;
    qint64 previousBookmarkTick() const;
    // Where "go to bookmark" goes: the current one, else the one nearest the
    // value line; -1 without bookmarks.
    qint64 targetBookmark() const;

    // The step between the time axis' marks at the last paint, in ticks
    // (an even share of the view before the first paint).
    double gridStep() const;

    // A chart of one channel among a stack whose time the common chart
    // shows: lower than 200 px, its value box shows the value alone.
    void setTimeShared(bool shared);

    // Width of the value columns left of the plot at the last paint.
    double scalesWidth() const;
    // Channel names whose scale is on but found no room at the last paint;
    // a marker in the bottom band counts them, and its tooltip says which
    // and how to show them.
    QStringList leftOutScales() const;
    QRect leftOutMarker() const;
    QString leftOutScalesToolTip() const;
    // The least scalesWidth(), to line several charts up.
    void setMinimumScaleWidth(double width);

    // Decimals of a channel's value in the value box and the filter: its
    // RATE (a computed channel's decimals), as the table shows it.
    int valueDecimals(const QString& title) const;
    static constexpr int kMaxValueDecimals = chart::kMaxBoxDecimals;
    // What the value box says for a channel without a value at the line.
    static QString noValueText();

    // Where codes and state texts come from; the process-wide catalogue
    // unless set. The lookup must outlive the chart.
    void setChannelLookup(const ChannelLookup* lookup);

    // Bookmark lines, the value line and the value box, drawn by the
    // channel layer inside the plot area.
    void paintValueCursor(QPainter* painter);

    // Non-empty: the chart shows a comparison. x is milliseconds since each
    // protocol's zero (the time base becomes 1 ms per tick), the time axis
    // is labelled relative ("+00:12:30", "-00:00:05"), the legend and the
    // value box go per protocol. Empty: back to the ordinary chart and its
    // time base.
    void setComparedProtocols(const QVector<ComparedProtocol>& protocols);
    const QVector<ComparedProtocol>& comparedProtocols() const { return comparison.protocols(); }
    bool isComparison() const { return comparison.isActive(); }
    // After the user's shift: the value box's absolute time of that
    // protocol follows.
    void setComparedZero(int protocol, qint64 zero);
    // The pen of protocol p's curves in the channel's colour, width 2:
    // solid, dashed, dotted, dash-dot for protocols 0..3, then lighter
    // shades of the colour with the same four styles for 4..7.
    static QPen comparedPen(const QColor& colour, int protocol);
    // The value box's lines as a comparison shows them at the value line.
    QVector<chart::ValueBoxLine> comparisonValueBoxLines() const;

signals:
    void bookmarkChanged(qint64 x);
    void lineValueXChanged(qint64 x);
    void zoomChanged(double);
    // The user placed, moved or removed the reference cursor.
    void referenceXChanged(qint64 x);
    void referenceCleared();
    // A bookmark was added or removed, or all of them were.
    void bookmarksEdited();
    // The list of bookmarks changed in any way, also by setBookmarks.
    void bookmarkListChanged();
    // showRange is about to leave this view (a box zoom, the whole span):
    // the view to come back to.
    void viewJumped(double zoom, double position);
    // The user asked to edit the note of the bookmark at x.
    void bookmarkNoteRequested(qint64 x);
    // Alt + left drag on a curve shifts its protocol: the protocol of the
    // curve nearest the press (by the pixel distance of its value at the
    // press x to the press y; only curves with protocol() >= 0) and the
    // milliseconds moved since the press (positive: the curves moved
    // right). Emitted on every move, then once on release. The chart moves
    // nothing itself: its owner moves the series' origin and repaints.
    void protocolShiftDragged(int protocol, qint64 deltaMs);
    void protocolShiftDropped(int protocol, qint64 deltaMs);

public slots:
    void setZoom(double factor);
    // Shows the ticks from `from` to `to` (either order) across the plot,
    // through setZoom and setPosition, so that linked charts follow.
    void showRange(double from, double to);
    // Puts the value line on x as the mouse does (with lineValueXChanged)
    // and scrolls it into view when it is outside.
    void placeLineValue(qint64 x);
    void setChartVisible(QString name, bool visible);
    void goToBookmark();
    void nextBookmark();
    void previousBookmark();
    void addBookmark(qint64 x);
    void deleteBookmark(qint64 x);
    void clearBookmark();
    // In a comparison a compared curve takes the colour in its protocol's pen.
    void setNamedChannelColor(const QString& name, const QColor& color) override;

protected:
    void installDecorators() override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // What a held mouse button does.
    enum class Drag { None, Line, Reference, Box, Pan, Shift };
    // The value line and the reference cursor can be grabbed this close.
    static constexpr double kGripPixels = 5;
    // A drag shorter than this is a click.
    static constexpr int kClickPixels = 4;
    // The wheel moves the view by this share of it per notch.
    static constexpr double kWheelShare = 0.012;
    // Below this height a chart that shares the time shows its value box
    // as one line, the value only.
    static constexpr int kCompactBoxHeight = 200;
    // The narrowest view a box zoom shows, as a share of the chart's size.
    static constexpr double kLeastZoom = 0.0101;

    bool xUnderMouse(const QPointF& position, qint64& x);
    bool tickUnderMouse(const QPointF& position, double& tick);
    double ticksPerPixel() const;
    // The line that a press at tick would grab.
    Drag lineNear(double tick) const;
    void moveLineTo(const QPointF& position);
    void moveReferenceTo(const QPointF& position);
    void endDrag();
    void showBox(int mouseX);
    void showContextMenu(QContextMenuEvent* event);
    // Starts an Alt drag of the compared curve nearest the press, if any.
    bool startShift(const QPointF& position);
    qint64 shiftDelta(const QPointF& position) const;
    // The bookmark drawn within a few pixels of x, else -1.
    qint64 bookmarkNear(qint64 x) const;
    void createReferenceActions();
    void paintValueBox(QPainter* painter, double lineX);
    QVector<chart::ValueBoxLine> ordinaryValueBoxLines() const;
    QString timeText() const;
    // A value as the box shows it: its state text, else the number.
    QString valueText(const QString& title, double value) const;

    qint64 lineValue = 0;
    qint64 reference = 0;
    bool referenceSet = false;
    Drag drag = Drag::None;
    bool dragStarted = false; // moved far enough not to be a click
    QPoint pressPoint;
    double pressPosition = 0;
    double pressTick = 0;
    bool pendingMenu = false; // a context menu held back by a right press
    QPoint pendingMenuPoint;
    bool swallowMenu = false;
    qint64 menuTick = 0; // tick under the context menu
    bool menuTickValid = false;
    QAction* actReferenceHere = nullptr;
    QAction* actReferenceClear = nullptr;
    QAction* actBookmarkNote = nullptr;
    EventBandPainter eventBands;
    // Checked: the value box names every channel, however much of the plot it covers.
    QAction* actFullValueBox = nullptr;
    static constexpr quint16 kDefaultTickMs = 100;
    quint16 tickMs = kDefaultTickMs;
    QDateTime start;
    QDateTime end;
    QVector<qint64> bookmarkList;
    qint64 current = -1;
    bool timeShared = false;
    const ChannelLookup* lookup;
    chart::ComparisonLayer comparison;
    // The time base to go back to when the comparison ends.
    QDateTime ordinaryStart;
    quint16 ordinaryTickMs = kDefaultTickMs;
    int shiftProtocol = -1;
};
