#include "chartdata/valuebox.h"

#include "chartdata/textcontrast.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace chart {

const QColor kValueBoxTop(0, 70, 70);
const QColor kValueBoxBottom(25, 70, 45);

namespace {
constexpr int kPadX = 10;
constexpr int kPadY = 5;
constexpr int kColumnGap = 20;
constexpr int kFromLine = 15;
constexpr int kTop = 15;
// Keeps the frame's pen inside the plot.
constexpr int kEdge = 2;

struct Columns
{
    QVector<QVector<int>> lines; // indices into the shown lines, per column
    QVector<int> widths;
    int width = 0;
    int height = 0;
};

Columns arrange(const QVector<ValueBoxLine>& shown, const QFontMetrics& metrics, int rows)
{
    Columns c;
    for (int i = 0; i < shown.size(); ++i) {
        if (i % rows == 0) {
            c.lines.append(QVector<int>());
            c.widths.append(0);
        }
        c.lines.last().append(i);
        c.widths.last() =
            qMax(c.widths.last(), metrics.size(Qt::TextSingleLine, shown[i].text).width());
    }
    for (int w : qAsConst(c.widths))
        c.width += w;
    c.width += kColumnGap * (c.widths.size() - 1) + 2 * kPadX;
    c.height = qMin(rows, static_cast<int>(shown.size())) * metrics.height() + 2 * kPadY;
    return c;
}
} // namespace

ValueBoxLayout layoutValueBox(const QVector<ValueBoxLine>& lines, const QFontMetrics& metrics,
                              const QRect& plot, int lineX)
{
    ValueBoxLayout layout;
    if (lines.isEmpty())
        return layout;
    const int availableWidth = plot.width() - 2 * kEdge;
    const int availableHeight = plot.height() - 2 * kEdge;
    const int rows = qMax(1, (availableHeight - 2 * kPadY) / qMax(1, metrics.height()));
    const int channelLines = lines.size() - 1;

    QVector<ValueBoxLine> shown;
    Columns columns;
    for (int kept = channelLines; kept >= 0; --kept) {
        shown = lines.mid(0, kept);
        if (kept < channelLines)
            shown.append({QString(), QStringLiteral("…"), QColor(Qt::white)});
        shown.append(lines.last());
        columns = arrange(shown, metrics, rows);
        if (columns.width <= availableWidth)
            break;
    }
    if (columns.width > availableWidth || columns.height > availableHeight)
        return layout;

    const int minLeft = plot.left() + kEdge;
    const int maxLeft = plot.left() + plot.width() - kEdge - columns.width;
    int left = lineX + kFromLine;
    if (left > maxLeft)
        left = lineX - kFromLine - columns.width;
    left = qBound(minLeft, left, maxLeft);
    const int maxTop = plot.top() + plot.height() - kEdge - columns.height;
    const int top = qBound(plot.top() + kEdge, plot.top() + kTop, maxTop);
    layout.box = QRect(left, top, columns.width, columns.height);

    int x = left + kPadX;
    for (int c = 0; c < columns.lines.size(); ++c) {
        int y = top + kPadY + metrics.ascent();
        for (int i : qAsConst(columns.lines[c])) {
            layout.texts.append({shown[i].text, shown[i].colour, QPoint(x, y)});
            y += metrics.height();
        }
        x += columns.widths[c] + kColumnGap;
    }
    return layout;
}

void paintValueBox(QPainter* painter, const ValueBoxLayout& layout)
{
    if (layout.box.isNull())
        return;
    painter->save();
    QLinearGradient gradient(0, layout.box.top(), 0, layout.box.bottom());
    gradient.setColorAt(0, kValueBoxTop);
    gradient.setColorAt(1, kValueBoxBottom);
    painter->setBrush(gradient);
    QPen frame(Qt::white);
    frame.setWidthF(1.5);
    painter->setPen(frame);
    painter->drawRoundedRect(layout.box, 9, 18, Qt::RelativeSize);

    painter->setRenderHint(QPainter::Antialiasing, true);
    for (const ValueBoxLayout::Text& text : layout.texts) {
        QColor outline = outlineFor(text.colour, kValueBoxTop);
        if (!outline.isValid())
            outline = outlineFor(text.colour, kValueBoxBottom);
        if (outline.isValid()) {
            QPainterPath path;
            path.addText(text.baseline, painter->font(), text.text);
            painter->strokePath(path, QPen(outline, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        }
        painter->setPen(text.colour);
        painter->drawText(text.baseline, text.text);
    }
    painter->restore();
}

} // namespace chart
