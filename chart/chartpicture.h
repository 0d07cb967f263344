#pragma once

#include "reports/chartpicturestyle.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QRectF>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class ChartProtocol;
class QPainter;
class QWidget;
class ReportFile;
struct ReportResult;

// Draws a chart into an image without the screen.
using ChartRenderer = std::function<QImage()>;

// The chart as the screen shows it. Where grabbing yields nothing or a picture
// of one colour (an OpenGL chart without a context, for one), the renderer
// draws it instead; its picture is taken when it is not null.
QImage chartPicture(QWidget& chart, const ChartRenderer& render);

// True for a null image and for one whose pixels all have the same colour.
bool isBlankImage(const QImage& image);

// A picture of a protocol chart for reports and files: a title line, a
// legend of the channels' colours and titles, and below them the common
// chart or one chart per channel sharing the time axis, over a given span
// of ticks. It is laid out at the options' layout size and painted scaled
// to the target, so texts and lines grow with the picture; any painter
// will do (an image, a PDF page, an SVG file).
class ChartPicture
{
public:
    // The charts are built from the source's channels, time base, font and
    // colours; the source stays as it is and must outlive the picture.
    ChartPicture(const ChartProtocol& source, const ChartPictureOptions& options, qint64 firstTick,
                 qint64 lastTick, const QString& title);
    ~ChartPicture();
    Q_DISABLE_COPY_MOVE(ChartPicture)

    void paint(QPainter& painter, const QRectF& target);
    // The picture at the options' size (and resolution, when given).
    QImage toImage();

    // Where things lie, in layout pixels; valid after the constructor.
    struct Geometry
    {
        QRectF title;           // empty when there is no room for it
        QVector<QRectF> legend; // one per legend entry
        QVector<QRectF> charts; // top to bottom
    };
    const Geometry& geometry() const { return m_geometry; }
    // The charts as built, top to bottom (for their scales after a paint).
    QVector<const ChartProtocol*> charts() const;

private:
    struct Entry
    {
        QString name;
        QColor color;
        // A comparison's entry shows a line in the curve's pen (its dashes)
        // instead of a bar of its colour.
        QPen pen = Qt::NoPen;
    };
    void buildCharts(const ChartProtocol& source, qint64 firstTick, qint64 lastTick);
    void layOut();
    void alignPlots();
    void paintBands(QPainter& painter) const;

    ChartPictureOptions m_options;
    QString m_title;
    QVector<Entry> m_entries; // one per channel name
    QVector<Entry> m_legend;
    QVector<std::shared_ptr<ChartProtocol>> m_charts;
    Geometry m_geometry;
    QFont m_font;
    QFont m_titleFont;
    QColor m_background;
    QColor m_text;
    bool m_aligned = false;
};

// Empty when each chart of the picture is at least as high as a line of its
// text; otherwise, in Russian, that the charts are too low for their labels
// (too many channels one above the other for the picture's height).
QString crampedStripsText(const ChartPicture& picture);

// Writes the picture as PNG, or as SVG for a name ending in ".svg"
// (case-insensitively), through the report file.
ReportResult saveChartPicture(ChartPicture& picture, const ChartPictureOptions& options,
                              const QString& fileName);
ReportResult saveChartSvg(ChartPicture& picture, const ChartPictureOptions& options,
                          ReportFile& file);
