#include "chart/chartpicture.h"

#include "chart/chartprotocol.h"
#include "reports/clippingpaintdevice.h"
#include "reports/picturereport.h"
#include "reports/reportfile.h"
#include "reports/reportresult.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QSvgGenerator>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>

bool isBlankImage(const QImage& image)
{
    if (image.isNull())
        return true;
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb first = pixels.pixel(0, 0);
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            if (line[x] != first)
                return false;
        }
    }
    return true;
}

QImage chartPicture(QWidget& chart, const ChartRenderer& render)
{
    QImage grabbed = chart.grab().toImage();
    if (!isBlankImage(grabbed) || !render)
        return grabbed;
    QImage rendered = render();
    return rendered.isNull() ? grabbed : rendered;
}

namespace {
constexpr double kTitleGrowth = 1.25;

// Takes every drawing call and draws nothing.
class MeasuringEngine : public QPaintEngine
{
public:
    MeasuringEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawRects(const QRect*, int) override {}
    void drawRects(const QRectF*, int) override {}
    void drawLines(const QLine*, int) override {}
    void drawLines(const QLineF*, int) override {}
    void drawEllipse(const QRectF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPoints(const QPointF*, int) override {}
    void drawPoints(const QPoint*, int) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF&, const QTextItem&) override {}
    void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override
    {
    }
    Type type() const override { return QPaintEngine::User; }
};

// A chart painted onto it lays itself out (its value columns, its time
// axis) at the cost of the layout alone.
class MeasuringDevice : public QPaintDevice
{
public:
    explicit MeasuringDevice(const QSize& size) : m_size(size) {}
    QPaintEngine* paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
            return int(std::lround(m_size.width() * 25.4 / ChartPictureOptions::kScreenDpi));
        case PdmHeightMM:
            return int(std::lround(m_size.height() * 25.4 / ChartPictureOptions::kScreenDpi));
        case PdmNumColors:
            return std::numeric_limits<int>::max();
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return ChartPictureOptions::kScreenDpi;
        }
    }

private:
    QSize m_size;
    mutable MeasuringEngine m_engine;
};

QFont pixelFont(const QFont& font, double growth = 1.0)
{
    QFont sized = font;
    sized.setPixelSize(std::max(1, int(std::lround(QFontInfo(font).pixelSize() * growth))));
    return sized;
}

void setUpChart(ChartProtocol& chart, const ChartProtocol& source,
                const ChartPictureOptions& options, qint64 firstTick, qint64 lastTick)
{
    chart.setFont(source.font());
    chart.setTimeBase(source.startDateTime(), source.tickLength());
    chart.setEndDateTime(source.endDateTime());
    chart.setComparedProtocols(source.comparedProtocols());
    chart.setShowGrid(source.showGrid());
    chart.setShowLegend(false);
    if (options.theme == ChartPictureOptions::Theme::Print) {
        chart.setTopBackgroundColor(printtheme::background());
        chart.setBottomBackgroundColor(printtheme::background());
        chart.setGridColor(printtheme::grid());
        chart.setScaleColor(printtheme::text());
    } else {
        chart.setTopBackgroundColor(source.topBackgroundColor());
        chart.setBottomBackgroundColor(source.bottomBackgroundColor());
        chart.setGridColor(source.gridColor());
    }
    chart.setSize(std::max(1.0, double(lastTick) - firstTick));
    chart.setZoom(1.0);
    chart.setPosition(double(firstTick));
    // The value line has no place in a picture: far left of the span.
    chart.setLineValueX(std::numeric_limits<int>::min());
}

Channel pictureChannel(const Channel& channel, const ChartPictureOptions& options)
{
    Channel shown = channel;
    shown.setShowScale(true);
    if (options.theme == ChartPictureOptions::Theme::Print) {
        QPen pen = shown.pen();
        pen.setColor(printtheme::channelColor(pen.color()));
        shown.setPen(pen);
    }
    return shown;
}
} // namespace

ChartPicture::ChartPicture(const ChartProtocol& source, const ChartPictureOptions& options,
                           qint64 firstTick, qint64 lastTick, const QString& title)
    : m_options(options), m_title(title), m_font(pixelFont(source.font())),
      m_titleFont(pixelFont(source.font(), kTitleGrowth))
{
    m_titleFont.setBold(true);
    const bool print = options.theme == ChartPictureOptions::Theme::Print;
    m_background = print ? printtheme::background() : source.bottomBackgroundColor();
    m_text = print ? printtheme::text() : QColor(Qt::white);
    for (const Channel& channel : source.channels()) {
        if (!channel.visible() ||
            std::any_of(m_entries.cbegin(), m_entries.cend(),
                        [&](const Entry& e) { return e.name == channel.name(); }))
            continue;
        m_entries.append({channel.name(), pictureChannel(channel, options).pen().color()});
    }
    m_legend = m_entries;
    if (source.isComparison()) {
        // One entry per compared curve, named by its protocol.
        QVector<Channel> shown;
        for (const Channel& channel : source.channels())
            shown.append(pictureChannel(channel, options));
        chart::ComparisonLayer layer;
        layer.setProtocols(source.comparedProtocols());
        m_legend.clear();
        for (const auto& entry : layer.legendEntries(shown))
            m_legend.append({entry.text, entry.pen.color(), entry.pen});
    }
    buildCharts(source, firstTick, lastTick);
    layOut();
}

ChartPicture::~ChartPicture() = default;

void ChartPicture::buildCharts(const ChartProtocol& source, qint64 firstTick, qint64 lastTick)
{
    const auto newChart = [&] {
        auto chart = std::make_shared<ChartProtocol>();
        setUpChart(*chart, source, m_options, firstTick, lastTick);
        m_charts.append(chart);
        return chart.get();
    };
    if (m_options.layout == ChartPictureOptions::Layout::Common) {
        ChartProtocol* chart = newChart();
        for (const Channel& channel : source.channels())
            chart->addChannel(pictureChannel(channel, m_options));
        return;
    }
    // One chart per channel title, in the common chart's order; the records
    // of one channel read from several files share it.
    for (const Entry& entry : qAsConst(m_entries)) {
        ChartProtocol* chart = newChart();
        for (const Channel& channel : source.channels()) {
            if (channel.name() == entry.name)
                chart->addChannel(pictureChannel(channel, m_options));
        }
    }
    // Only the bottom chart carries the time labels; the others share them.
    for (int i = 0; i + 1 < m_charts.size(); ++i)
        m_charts[i]->setShowScale(false);
}

void ChartPicture::layOut()
{
    const QSize size = m_options.layoutSize();
    const QFontMetricsF metrics(m_font);
    const QFontMetricsF titleMetrics(m_titleFont);
    const double margin = std::ceil(metrics.height() * 0.5);
    const double right = size.width() - margin;
    const double swatch = metrics.height() * 1.5;
    const double gap = metrics.height() * 0.4;
    const double spacing = metrics.height();

    const auto place = [&](bool withTitle, bool withLegend) {
        m_geometry = {};
        double y = margin;
        if (withTitle && !m_title.isEmpty()) {
            m_geometry.title =
                QRectF(margin, y, std::max(0.0, right - margin), titleMetrics.height());
            y += titleMetrics.height() + margin * 0.5;
        }
        if (withLegend && !m_legend.isEmpty()) {
            double x = margin;
            for (const Entry& entry : qAsConst(m_legend)) {
                double width = swatch + gap + metrics.horizontalAdvance(entry.name);
                // Eliding measures a long text a little wider than its advance.
                if (entry.pen.style() != Qt::NoPen)
                    width = std::ceil(width) + 2;
                if (x > margin && x + width > right) {
                    x = margin;
                    y += metrics.height() * 1.2;
                }
                width = std::min(width, std::max(0.0, right - x));
                m_geometry.legend.append(QRectF(x, y, width, metrics.height()));
                x += width + spacing;
            }
            y += metrics.height() + margin * 0.5;
        }
        return int(std::ceil(y));
    };
    // The charts come first: bands that would leave them less than half of
    // the picture are left out, the legend before the title. Stacked charts
    // also need room for their value labels: the legend gives way where it
    // would leave each less than two lines of text.
    const int count = int(m_charts.size());
    const double stacked =
        count > 1 ? 2 * QFontMetricsF(m_charts.first()->font()).height() * (count + 1) : 0;
    int top = place(true, true);
    if (size.height() - top < std::max(size.height() / 2.0, stacked))
        top = place(true, false);
    if (size.height() - top < size.height() / 2)
        top = place(false, false);

    const int available = std::max(1, size.height() - top);
    const int band = count > 1 ? 2 * QFontMetrics(m_charts.first()->font()).height() : 0;
    const int each = std::max(1, (available - band) / std::max(1, count));
    int y = top;
    for (int i = 0; i < count; ++i) {
        const int height = i + 1 == count ? std::max(1, size.height() - y) : each;
        m_geometry.charts.append(QRectF(0, y, size.width(), height));
        m_charts[i]->resize(size.width(), std::max(height, 1));
        y += height;
    }
}

void ChartPicture::alignPlots()
{
    m_aligned = true;
    if (m_charts.size() < 2)
        return;
    // The value columns are laid out while painting; a painter that draws
    // nothing lays them out without rasterising curves. A chart's width
    // counts from its own left edge, margin included, so the widest one
    // lines every plot up.
    double widest = 0;
    for (const auto& chart : qAsConst(m_charts)) {
        MeasuringDevice device(chart->size());
        QPainter painter(&device);
        chart->paintOnto(&painter, QRectF(QPointF(0, 0), QSizeF(chart->size())));
        painter.end();
        widest = std::max(widest, chart->scalesWidth());
    }
    for (const auto& chart : qAsConst(m_charts))
        chart->setMinimumScaleWidth(widest);
}

QVector<const ChartProtocol*> ChartPicture::charts() const
{
    QVector<const ChartProtocol*> charts;
    for (const auto& chart : m_charts)
        charts.append(chart.get());
    return charts;
}

void ChartPicture::paintBands(QPainter& painter) const
{
    if (!m_geometry.title.isEmpty()) {
        painter.setFont(m_titleFont);
        painter.setPen(m_text);
        const QString shown = QFontMetricsF(m_titleFont)
                                  .elidedText(m_title, Qt::ElideRight, m_geometry.title.width());
        painter.drawText(m_geometry.title, Qt::AlignLeft | Qt::AlignVCenter, shown);
    }
    const QFontMetricsF metrics(m_font);
    const double swatch = metrics.height() * 1.5;
    const double gap = metrics.height() * 0.4;
    const double thickness = std::max(2.0, metrics.height() * 0.2);
    painter.setFont(m_font);
    for (int i = 0; i < m_geometry.legend.size(); ++i) {
        const QRectF& at = m_geometry.legend[i];
        const Entry& entry = m_legend[i];
        if (entry.pen.style() == Qt::NoPen) {
            painter.fillRect(QRectF(at.left(), at.center().y() - thickness / 2,
                                    std::min(swatch, at.width()), thickness),
                             entry.color);
        } else {
            QPen pen = entry.pen;
            pen.setWidthF(std::max(1.5, thickness * 0.6)); // room for a dash or two
            painter.setPen(pen);
            painter.drawLine(QPointF(at.left(), at.center().y()),
                             QPointF(at.left() + std::min(swatch, at.width()), at.center().y()));
        }
        const QRectF text(at.left() + swatch + gap, at.top(),
                          std::max(0.0, at.width() - swatch - gap), at.height());
        painter.setPen(m_text);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(entry.name, Qt::ElideRight, text.width()));
    }
}

void ChartPicture::paint(QPainter& painter, const QRectF& target)
{
    if (!m_aligned)
        alignPlots();
    const QSize size = m_options.layoutSize();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setTransform(QTransform(target.width() / size.width(), 0, 0,
                                    target.height() / size.height(), target.left(), target.top()),
                         true);
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(size)), m_background);
    paintBands(painter);
    for (int i = 0; i < m_charts.size(); ++i) {
        painter.save();
        const QRectF device = painter.deviceTransform().mapRect(m_geometry.charts[i]);
        painter.resetTransform();
        m_charts[i]->paintOnto(&painter, device);
        painter.restore();
    }
    painter.restore();
}

QImage ChartPicture::toImage()
{
    QImage image(m_options.size, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    if (m_options.dpi > 0) {
        const int perMeter = int(std::lround(m_options.dpi / 0.0254));
        image.setDotsPerMeterX(perMeter);
        image.setDotsPerMeterY(perMeter);
    }
    image.fill(m_background);
    QPainter painter(&image);
    paint(painter, QRectF(QPointF(0, 0), QSizeF(m_options.size)));
    return image;
}

ReportResult saveChartSvg(ChartPicture& picture, const ChartPictureOptions& options,
                          ReportFile& file)
{
    if (ReportResult opened = file.open(); !opened)
        return opened;
    // Written to memory first: the texts drawn as placeholders go back in
    // before the document reaches the file.
    QBuffer written;
    written.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&written);
    generator.setSize(options.size);
    generator.setViewBox(QRect(QPoint(0, 0), options.size));
    generator.setResolution(options.dpi > 0 ? options.dpi : ChartPictureOptions::kScreenDpi);
    QPainter svg;
    if (!svg.begin(&generator)) {
        file.cancel();
        return ReportResult::writeFailure(file.fileName(),
                                          QStringLiteral("cannot start the SVG document"));
    }
    // The generator writes every line whole, clip or not: the curves are
    // cut at their plots before they reach it.
    ClippingPaintDevice clipping(svg);
    QPainter painter(&clipping);
    picture.paint(painter, QRectF(QPointF(0, 0), QSizeF(options.size)));
    painter.end();
    svg.end();
    const QByteArray document = clipping.restoreTexts(QString::fromUtf8(written.data())).toUtf8();
    // A short write is remembered by the file and reported by commit.
    file.device().write(document);
    return file.commit();
}

ReportResult saveChartPicture(ChartPicture& picture, const ChartPictureOptions& options,
                              const QString& fileName)
{
    if (QFileInfo(fileName).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        ReportFile file(fileName);
        return saveChartSvg(picture, options, file);
    }
    return savePngPicture(picture.toImage(), fileName);
}

QString crampedStripsText(const ChartPicture& picture)
{
    const QVector<const ChartProtocol*> charts = picture.charts();
    const QVector<QRectF>& places = picture.geometry().charts;
    for (int i = 0; i < charts.size() && i < places.size(); ++i) {
        const double line = QFontMetricsF(charts[i]->font()).height();
        if (places[i].height() < line)
            return QStringLiteral("при %1 каналах полосы графиков получаются высотой %2 точек, "
                                  "ниже строки их надписей (%3); увеличьте высоту рисунка "
                                  "или выберите общий график")
                .arg(charts.size())
                .arg(int(places[i].height()))
                .arg(int(std::ceil(line)));
    }
    return QString();
}
