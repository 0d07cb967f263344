#include "reports/pdfreport.h"

#include "reports/celltextpainter.h"
#include "reports/chartdrawing.h"
#include "reports/reportfile.h"
#include "reports/reporttable.h"
#include "table/timetextformatter.h"

#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QLine>
#include <QPageSize>
#include <QFontMetrics>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QVector>

#include <algorithm>
#include <functional>
#include <numeric>
#include <vector>

namespace {
// Device units of the writer's default 1200 dots per inch.
constexpr int kLeft = 500;
constexpr int kCellWidth = 3000;
constexpr int kTextIndent = 100;
// A text may take its cell less the indent on both sides.
constexpr int kTextWidth = kCellWidth - 2 * kTextIndent;
constexpr int kHeaderTop = 2600;
constexpr int kHeaderBottom = 3100;
constexpr int kHeaderBaseline = 3000;
constexpr int kFirstBaseline = 3500;
constexpr int kRowStep = 500;
constexpr int kRowAscent = 400;
constexpr int kRowDescent = 100;
constexpr int kLastBaseline = 13000;
constexpr int kPageTopBaseline = 500;
constexpr int kPenWidth = 20;
constexpr int kMmPerColumn = 70;
constexpr int kMmExtra = 10;

bool setPageSizeMM(QPdfWriter& writer, const QSizeF& size)
{
    return writer.setPageSize(
        QPageSize(size, QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
}

// The rows of a list, each column as wide as its widest text among the
// first rows (the font shrinks until they fit the page's width), on as many
// landscape A4 pages as they need.
void paintEventPages(QPainter& painter, QPdfWriter& writer, const ReportTable& events)
{
    setPageSizeMM(writer, QSizeF(297, 210));
    writer.newPage();
    const int columns = std::max(events.columnCount() - 1, 1);
    const int margin = writer.width() / 30;
    QFont font = painter.font();
    font.setPointSize(9);
    QString text;
    std::vector<int> widths;
    for (int size = 9; size >= 5; --size) {
        font.setPointSize(size);
        font.setWeight(QFont::Bold);
        const QFontMetrics metrics(font, &writer);
        const int gap = metrics.horizontalAdvance(QLatin1Char('M'));
        widths.assign(size_t(columns), 0);
        for (int column = 1; column <= columns; ++column) {
            int& width = widths[size_t(column - 1)];
            width = metrics.horizontalAdvance(events.headerText(column)) + gap;
            for (int row = 0; row < std::min(events.rowCount(), 200); ++row) {
                if (events.cell(row, column, text))
                    width = std::max(width, metrics.horizontalAdvance(text) + gap);
            }
        }
        if (std::accumulate(widths.begin(), widths.end(), 0) <= writer.width() - 2 * margin)
            break;
    }
    const QFontMetrics metrics(font, &writer);
    const int step = metrics.height() * 5 / 4;
    int y = margin + metrics.ascent();
    const auto drawRow = [&](const std::function<QString(int column)>& textOf) {
        int x = margin;
        for (int column = 1; column <= columns; ++column) {
            const int width = widths[size_t(column - 1)];
            painter.drawText(QPointF(x, y),
                             metrics.elidedText(textOf(column), Qt::ElideRight, width));
            x += width;
        }
        y += step;
    };
    const auto header = [&] {
        font.setWeight(QFont::Bold);
        painter.setFont(font);
        drawRow([&](int c) { return events.headerText(c); });
        font.setWeight(QFont::Normal);
        painter.setFont(font);
    };
    font.setWeight(QFont::Bold);
    painter.setFont(font);
    painter.drawText(QPointF(margin, y), QStringLiteral("События"));
    y += 2 * step;
    header();
    for (int row = 0; row < events.rowCount(); ++row) {
        if (y + step > writer.height() - margin) {
            writer.newPage();
            y = margin + metrics.ascent();
            header();
        }
        drawRow([&](int c) { return events.cell(row, c, text) ? text : QString(); });
    }
}

void addGridLines(int columns, int top, int bottom, QVector<QLine>& lines)
{
    for (int k = 0; k <= columns; ++k) {
        const int x = kLeft + kCellWidth * k;
        lines.append(QLine(x, top, x, bottom));
    }
}
} // namespace

ReportResult savePdfReport(const ReportTable& table, const QDateTime& start, const QImage& chart,
                           const QString& fileName)
{
    ReportFile file(fileName);
    return savePdfReport(table, start, ChartDrawing::fromImage(chart), file);
}

ReportResult savePdfReport(const ReportTable& table, const QDateTime& start, const QImage& chart,
                           ReportFile& file)
{
    return savePdfReport(table, start, ChartDrawing::fromImage(chart), file);
}

ReportResult savePdfReport(const ReportTable& table, const QDateTime& start,
                           const ChartDrawing& chart, const QString& fileName,
                           const ReportTable* events)
{
    ReportFile file(fileName);
    return savePdfReport(table, start, chart, file, events);
}

ReportResult savePdfReport(const ReportTable& table, const QDateTime& start,
                           const ChartDrawing& chart, ReportFile& file, const ReportTable* events)
{
    if (ReportResult opened = file.open(); !opened)
        return opened;

    const int columns = std::max(table.columnCount() - 1, 0);
    const int rows = table.rowCount();
    const int right = kLeft + kCellWidth * columns;

    QPdfWriter writer(&file.device());
    QSizeF page = writer.pageLayout().pageSize().size(QPageSize::Millimeter);
    page.setWidth(kMmPerColumn * columns + kMmExtra);
    setPageSizeMM(writer, page);

    QPainter painter;
    if (!painter.begin(&writer)) {
        file.cancel();
        return ReportResult::failure(
            QStringLiteral("Cannot start the PDF document %1").arg(file.fileName()));
    }
    QPen pen;
    pen.setWidth(kPenWidth);
    painter.setPen(pen);
    QFont font = painter.font();
    font.setWeight(QFont::Bold);
    font.setPointSize(16);
    painter.setFont(font);

    painter.drawText(QPointF(700, 1000), QStringLiteral("Анализатор протоколов"));
    painter.drawText(
        QPointF(700, 2000),
        QStringLiteral("Дата старта: %1").arg(start.toString(TimeTextFormatter::format())));

    QVector<QLine> lines;
    lines.reserve(columns + 2);
    CellTextPainter headers(font, &writer, kTextWidth);
    for (int k = 0; k < columns; ++k) {
        if (table.hasHeader(k + 1))
            headers.draw(painter, QPointF(kLeft + kTextIndent + kCellWidth * k, kHeaderBaseline),
                         table.headerText(k + 1));
    }
    lines.clear();
    addGridLines(columns, kHeaderTop, kHeaderBottom, lines);
    painter.drawLines(lines);
    painter.drawLine(kLeft, kHeaderTop, right, kHeaderTop);
    painter.drawLine(kLeft, kHeaderBottom, right, kHeaderBottom);

    font.setWeight(QFont::Normal);
    font.setPointSize(14);
    painter.setFont(font);
    CellTextPainter cells(font, &writer, kTextWidth);
    // A page's texts go out as one glyph run per font and its grid lines as
    // one path when the page is done: row by row, the text objects and
    // strokes were a large part of the page's content.
    int y = kFirstBaseline;
    int pageRowsTop = y - kRowAscent;
    QVector<QLine> rowLines;
    const auto finishPage = [&] {
        cells.flush(painter);
        addGridLines(columns, pageRowsTop, y - kRowStep + kRowDescent, rowLines);
        painter.drawLines(rowLines);
        rowLines.clear();
    };
    QString text;
    for (int row = 0; row < rows; ++row) {
        // A page ends only when another row follows, so no page is left blank.
        if (y > kLastBaseline) {
            finishPage();
            writer.newPage();
            y = kPageTopBaseline;
            pageRowsTop = y - kRowAscent;
        }
        for (int k = 0; k < columns; ++k) {
            if (table.cell(row, k + 1, text))
                cells.add(QPointF(kLeft + kTextIndent + kCellWidth * k, y), text);
        }
        rowLines.append(QLine(kLeft, y + kRowDescent, right, y + kRowDescent));
        y += kRowStep;
    }
    if (rows > 0)
        finishPage();

    if (!chart.isNull()) {
        // A millimetre per pixel of the chart, painted as lines and texts.
        setPageSizeMM(writer, QSizeF(chart.size));
        writer.newPage();
        painter.save();
        chart.paint(painter, QRectF(0, 0, writer.width(), writer.height()));
        painter.restore();
    }

    if (events)
        paintEventPages(painter, writer, *events);

    // The painter ends the document without looking at its writes; the file did.
    painter.end();
    return file.commit();
}
