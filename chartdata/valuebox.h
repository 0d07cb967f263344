#pragma once

#include <QColor>
#include <QFontMetrics>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QVector>

class QPainter;

namespace chart {

// One line of the value box: a channel's value (name set) or the time.
struct ValueBoxLine
{
    QString name;
    QString text;
    QColor colour;
    // The line in a compact box (the code and the value); empty: the text.
    QString compact;
};

// A box that would cover more than a third of the plot starts compact:
// channel lines in their compact form, as many as fit into that third, and
// the hint that says how to show them all.
struct ValueBoxOptions
{
    bool compactWhenLarge = false;
    QString hint;
    // How many lines at the end are the time and what goes with it (a
    // comparison's time of each protocol): always shown, never compacted.
    int trailing = 1;
};

// Where the box and each of its texts go, in device pixels.
struct ValueBoxLayout
{
    struct Text
    {
        QString text;
        QColor colour;
        QPoint baseline;
    };
    QRect box; // null when the box does not fit the plot at all
    QVector<Text> texts;
};

// The box colours: dark, so that light channel colours read on them; the
// darker channel colours get an outline (see paintValueBox).
extern const QColor kValueBoxTop;
extern const QColor kValueBoxBottom;

// Lays the lines out in a box beside the value line at lineX, inside plot:
// right of the line where it fits, else left of it, else against the
// plot's edge. Lines that the plot is too low for go into further columns;
// channel lines that fit nowhere give way to one "…" line. The last lines
// (the time, options.trailing of them) are always shown.
ValueBoxLayout layoutValueBox(const QVector<ValueBoxLine>& lines, const QFontMetrics& metrics,
                              const QRect& plot, int lineX, const ValueBoxOptions& options = {});

// Paints a laid-out box with the painter's font; a text whose colour does
// not stand out from the box is outlined in white or black.
void paintValueBox(QPainter* painter, const ValueBoxLayout& layout);

// The box's dark gradient and white frame, as the value box and the
// comparison's legend draw them.
void paintBoxFrame(QPainter* painter, const QRectF& box);
// A text on the box in its colour, outlined in white or black where the
// colour does not stand out from the box.
void paintBoxText(QPainter* painter, const QPoint& baseline, const QString& text,
                  const QColor& colour);

} // namespace chart
