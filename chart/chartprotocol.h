#pragma once

#include "chart/chart.h"

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

    // The tick of the value line; setting it emits nothing.
    int lineValueX() const { return lineValue; }
    void setLineValueX(int x);

    // The reference cursor, a second line that marks the other end of a
    // stretch of time: set from the context menu or with Shift+double click,
    // dragged like the value line. Setting it emits nothing.
    bool hasReference() const { return referenceSet; }
    int referenceX() const { return reference; }
    void setReferenceX(int x);
    void clearReference();
    static QColor referenceColor();

    // Bookmarked ticks, ascending and without duplicates; the current one
    // is -1 or one of them.
    const QVector<int>& bookmarks() const { return bookmarkList; }
    void setBookmarks(QVector<int> ticks);
    int currentBookmark() const { return current; }
    // Takes -1 or a bookmarked tick; anything else is refused.
    bool setCurrentBookmark(int x);

    // Width of the value columns left of the plot at the last paint.
    double scalesWidth() const;
    // The least scalesWidth(), to line several charts up.
    void setMinimumScaleWidth(double width);

    // Decimals of a channel's value in the value box and the filter: its
    // RATE, at least 2.
    int valueDecimals(const QString& title) const;
    static constexpr int kMaxValueDecimals = 9;

    // Where codes and state texts come from; the process-wide catalogue
    // unless set. The lookup must outlive the chart.
    void setChannelLookup(const ChannelLookup* lookup);

    // Bookmark lines, the value line and the value box, drawn by the
    // channel layer inside the plot area.
    void paintValueCursor(QPainter* painter);

signals:
    void bookmarkChanged(int x);
    void lineValueXChanged(int x);
    void zoomChanged(double);
    // The user placed, moved or removed the reference cursor.
    void referenceXChanged(int x);
    void referenceCleared();
    // A bookmark was added or removed, or all of them were.
    void bookmarksEdited();
    // The user asked to edit the note of the bookmark at x.
    void bookmarkNoteRequested(int x);

public slots:
    void setZoom(double factor);
    void setChartVisible(QString name, bool visible);
    void goToBookmark();
    void nextBookmark();
    void previousBookmark();
    void addBookmark(int x);
    void deleteBookmark(int x);
    void clearBookmark();

protected:
    void installDecorators() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool xUnderMouse(const QPointF& position, int& x);
    void moveLineTo(const QPointF& position);
    void moveReferenceTo(const QPointF& position);
    // The bookmark drawn within a few pixels of x, else -1.
    int bookmarkNear(int x) const;
    void createReferenceActions();
    void paintValueBox(QPainter* painter, double lineX);
    QString timeText() const;

    int lineValue = 0;
    bool dragging = false;
    int reference = 0;
    bool referenceSet = false;
    bool draggingReference = false;
    int menuTick = 0; // tick under the context menu
    bool menuTickValid = false;
    QAction* actReferenceHere = nullptr;
    QAction* actReferenceClear = nullptr;
    QAction* actBookmarkNote = nullptr;
    quint16 tickMs = 100;
    QDateTime start;
    QDateTime end;
    QVector<int> bookmarkList;
    int current = -1;
    const ChannelLookup* lookup;
};
