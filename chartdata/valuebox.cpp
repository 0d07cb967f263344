#include "chartdata/valuebox.h"

#include "chartdata/textcontrast.h"

#include <QHash>
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

// Text widths, each measured once per layout.
class TextWidths
{
public:
    explicit TextWidths(const QFontMetrics& metrics) : m_metrics(metrics) {}
    int operator()(const QString& text)
    {
        auto it = m_widths.constFind(text);
        if (it == m_widths.cend())
            it = m_widths.insert(text, m_metrics.size(Qt::TextSingleLine, text).width());
        return *it;
    }
    int lineHeight() const { return m_metrics.height(); }

private:
    const QFontMetrics& m_metrics;
    QHash<QString, int> m_widths;
};

Columns arrange(const QVector<ValueBoxLine>& shown, TextWidths& widths, int rows)
{
    Columns c;
    for (int i = 0; i < shown.size(); ++i) {
        if (i % rows == 0) {
            c.lines.append(QVector<int>());
            c.widths.append(0);
        }
        c.lines.last().append(i);
        c.widths.last() = qMax(c.widths.last(), widths(shown[i].text));
    }
    for (int w : qAsConst(c.widths))
        c.width += w;
    c.width += kColumnGap * (c.widths.size() - 1) + 2 * kPadX;
    c.height = qMin(rows, static_cast<int>(shown.size())) * widths.lineHeight() + 2 * kPadY;
    return c;
}

// Places the arranged lines beside the value line.
ValueBoxLayout place(const QVector<ValueBoxLine>& shown, const Columns& columns,
                     const QFontMetrics& metrics, const QRect& plot, int lineX)
{
    ValueBoxLayout layout;
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

// The first `kept` channel lines, "…" for the others, the extra lines and
// the `trailing` time lines.
QVector<ValueBoxLine> firstLines(const QVector<ValueBoxLine>& lines, int kept,
                                 const QVector<ValueBoxLine>& extra, int trailing)
{
    const int channelLines = lines.size() - trailing;
    QVector<ValueBoxLine> shown = lines.mid(0, kept);
    if (kept < channelLines)
        shown.append({QString(), QStringLiteral("…"), QColor(Qt::white), QString()});
    shown += extra;
    shown += lines.mid(channelLines);
    return shown;
}
} // namespace

ValueBoxLayout layoutValueBox(const QVector<ValueBoxLine>& lines, const QFontMetrics& metrics,
                              const QRect& plot, int lineX, const ValueBoxOptions& options)
{
    if (lines.isEmpty())
        return ValueBoxLayout();
    const int availableWidth = plot.width() - 2 * kEdge;
    const int availableHeight = plot.height() - 2 * kEdge;
    const int rows = qMax(1, (availableHeight - 2 * kPadY) / qMax(1, metrics.height()));
    const int trailing = qBound(0, options.trailing, int(lines.size()));
    const int channelLines = lines.size() - trailing;
    const auto fits = [&](const Columns& c, double area) {
        return c.width <= availableWidth && c.height <= availableHeight &&
               double(c.width) * c.height <= area;
    };

    TextWidths widths(metrics);
    QVector<ValueBoxLine> shown;
    Columns columns;
    for (int kept = channelLines; kept >= 0; --kept) {
        shown = firstLines(lines, kept, {}, trailing);
        columns = arrange(shown, widths, rows);
        if (columns.width <= availableWidth)
            break;
    }
    const double third = double(plot.width()) * plot.height() / 3;
    if (options.compactWhenLarge && !fits(columns, third)) {
        // Compact: as many short lines as a third of the plot holds. The
        // box grows with the lines kept, so the count is found by halving.
        QVector<ValueBoxLine> compact = lines;
        for (int i = 0; i < channelLines; ++i) {
            if (!compact[i].compact.isEmpty())
                compact[i].text = compact[i].compact;
        }
        QVector<ValueBoxLine> extra;
        if (!options.hint.isEmpty())
            extra.append({QString(), options.hint, QColor(210, 210, 210), QString()});
        // Fewer rows per column spread the box sideways: the height that
        // keeps the most lines wins.
        int best = -1;
        int bestRows = rows;
        for (int perColumn = rows; perColumn >= 1 && best < channelLines; --perColumn) {
            int low = -1;                // the most lines known to fit
            int high = channelLines + 1; // the fewest known not to
            while (high - low > 1) {
                const int middle = (low + high) / 2;
                if (fits(arrange(firstLines(compact, middle, extra, trailing), widths, perColumn),
                         third))
                    low = middle;
                else
                    high = middle;
            }
            if (low > best) {
                best = low;
                bestRows = perColumn;
            }
        }
        shown = firstLines(compact, qMax(0, best), extra, trailing);
        columns = arrange(shown, widths, bestRows);
    }
    if (columns.width > availableWidth || columns.height > availableHeight)
        return ValueBoxLayout();
    return place(shown, columns, metrics, plot, lineX);
}

void paintBoxFrame(QPainter* painter, const QRectF& box)
{
    QLinearGradient gradient(0, box.top(), 0, box.bottom());
    gradient.setColorAt(0, kValueBoxTop);
    gradient.setColorAt(1, kValueBoxBottom);
    painter->setBrush(gradient);
    QPen frame(Qt::white);
    frame.setWidthF(1.5);
    painter->setPen(frame);
    painter->drawRoundedRect(box, 9, 18, Qt::RelativeSize);
}

void paintBoxText(QPainter* painter, const QPoint& baseline, const QString& text,
                  const QColor& colour)
{
    QColor outline = outlineFor(colour, kValueBoxTop);
    if (!outline.isValid())
        outline = outlineFor(colour, kValueBoxBottom);
    if (outline.isValid()) {
        QPainterPath path;
        path.addText(baseline, painter->font(), text);
        painter->strokePath(path, QPen(outline, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    painter->setPen(colour);
    painter->drawText(baseline, text);
}

void paintValueBox(QPainter* painter, const ValueBoxLayout& layout)
{
    if (layout.box.isNull())
        return;
    painter->save();
    paintBoxFrame(painter, layout.box);
    painter->setRenderHint(QPainter::Antialiasing, true);
    for (const ValueBoxLayout::Text& text : layout.texts)
        paintBoxText(painter, text.baseline, text.text, text.colour);
    painter->restore();
}

} // namespace chart
