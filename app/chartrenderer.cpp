#include "app/chartrenderer.h"

#include "chart/chartprotocol.h"
#include "chartdata/pairdatacontainer.h"
#include "parameters/chartcolor.h"
#include "parameters/settingsfile.h"
#include "chart/chartpicture.h"
#include "table/protocolassembly.h"
#include "table/protocoltablemodel.h"
#include "table/timetextformatter.h"

#include <QPainter>
#include <QSettings>

#include <memory>

QList<Channel> chartChannels(const ProtocolAssembly& assembly, ChartColor& palette)
{
    QList<Channel> channels;
    for (const AssembledChannel& assembled : assembly.channels()) {
        QPen pen;
        pen.setColor(palette.color(assembled.code));
        pen.setWidthF(2.0);
        // The chart reads the assembly's own column: no copy of the values.
        auto* data = new ProtocolColumnData(&assembled.series);
        channels.append(Channel(assembled.minimum, assembled.maximum, data, assembled.title, pen));
    }
    return channels;
}

namespace {
const char kTopKey[] = "Chart/TopBackgroundColor";
const char kBottomKey[] = "Chart/BottomBackgroundColor";
const char kGridKey[] = "Chart/GridColor";
} // namespace

void showLoadedView(ChartProtocol& chart, const Workspace& workspace,
                    const QList<Channel>& channels)
{
    for (const Channel& channel : channels)
        chart.addChannel(channel);
    chart.setTimeBase(workspace.startDateTime(), workspace.tickMs());
    const ProtocolTableModel& model = *workspace.tableModel();
    const int last = model.globalRowAt(model.allRowCount() - 1);
    chart.setEndDateTime(QDateTime::fromString(model.timeText(last), TimeTextFormatter::format()));
    chart.setMaximumSpan(maximumSpan(chart, workspace));
    chart.setZoom(1.0);
    chart.setPosition(double(workspace.firstTick()));
    chart.setLineValueX(workspace.firstTick() + qint64(chart.chartSize() * 0.5));
}

double maximumSpan(const ChartProtocol& chart, const Workspace& workspace)
{
    constexpr double kZoomOutSpans = 10;
    const double loaded = double(workspace.lastTick()) - double(workspace.firstTick());
    return qMax(chart.chartSize(), kZoomOutSpans * loaded);
}

void restoreChartColors(ChartProtocol& chart)
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    if (settings.contains(kTopKey))
        chart.setTopBackgroundColor(QColor(settings.value(kTopKey).toString()));
    if (settings.contains(kBottomKey))
        chart.setBottomBackgroundColor(QColor(settings.value(kBottomKey).toString()));
    if (settings.contains(kGridKey))
        chart.setGridColor(QColor(settings.value(kGridKey).toString()));
}

void saveChartColors(const ChartProtocol& chart)
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    settings.setValue(kTopKey, chart.topBackgroundColor().name());
    settings.setValue(kBottomKey, chart.bottomBackgroundColor().name());
    settings.setValue(kGridKey, chart.gridColor().name());
}

ProtocolChartRenderer::ProtocolChartRenderer(ChartProtocol& chart, const QFont& tableFont)
    : m_chart(chart), m_tableFont(tableFont)
{
}

QImage ProtocolChartRenderer::workbookImage()
{
    const QSize shown = m_chart.size();
    if (shown.isEmpty())
        return QImage();
    QImage image(shown * 2, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(m_chart.bottomBackgroundColor());
    {
        QPainter painter(&image);
        m_chart.paintOnto(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    }
    image.setDevicePixelRatio(2.0);
    return image;
}

QDateTime ProtocolChartRenderer::startDateTime() const
{
    return m_chart.startDateTime();
}

ChartDrawing ProtocolChartRenderer::pdfDrawing()
{
    // The chart as it paints itself, for a PDF page of vectors.
    ChartProtocol& chart = m_chart;
    return {chart.size(), [&chart](QPainter& painter, const QRectF& target) {
                chart.paintOnto(&painter, target);
            }};
}

ChartDrawing ProtocolChartRenderer::rangeDrawing(qint64 first, qint64 last, const QString& title)
{
    const ChartPictureOptions options;
    auto picture = std::make_shared<ChartPicture>(m_chart, options, first, last, title);
    return {options.size, [picture](QPainter& painter, const QRectF& target) {
                picture->paint(painter, target);
            }};
}

ReportResult ProtocolChartRenderer::savePicture(const ChartPictureOptions& options, qint64 first,
                                                qint64 last, const QString& title,
                                                const QString& fileName)
{
    ChartPicture picture(m_chart, options, first, last, title);
    if (const QString cramped = crampedStripsText(picture); !cramped.isEmpty())
        return ReportResult::failure(cramped);
    return saveChartPicture(picture, options, fileName);
}

namespace {
// The chart's size and font in the window of 1051 × 644 pixels its form
// gives it before it is first shown: a report written without a window
// looks like one written from a window that was never shown.
const QSize kReportChartSize(618, 352);
constexpr int kWindowPointSize = 12;

class OwnChartRenderer : public ProtocolChartRenderer
{
public:
    explicit OwnChartRenderer(std::unique_ptr<ChartProtocol> chart)
        : ProtocolChartRenderer(*chart, chart->font()), m_chart(std::move(chart))
    {
    }
    ~OwnChartRenderer() override { m_chart->clearChannels(); }
    Q_DISABLE_COPY_MOVE(OwnChartRenderer)

private:
    std::unique_ptr<ChartProtocol> m_chart;
};
} // namespace

std::unique_ptr<ChartProtocol> newReportChartWidget()
{
    auto chart = std::make_unique<ChartProtocol>();
    QFont font = chart->font();
    font.setPointSize(kWindowPointSize);
    chart->setFont(font);
    chart->resize(kReportChartSize);
    restoreChartColors(*chart);
    return chart;
}

std::unique_ptr<ReportChart> ownedReportChart(std::unique_ptr<ChartProtocol> chart)
{
    return std::make_unique<OwnChartRenderer>(std::move(chart));
}

namespace {
std::unique_ptr<ReportChart> reportChart(const Workspace& workspace, bool viewed)
{
    auto chart = newReportChartWidget();
    ChartColor palette;
    palette.setSaveOnExit(false);
    showLoadedView(*chart, workspace, chartChannels(*workspace.assembly(), palette));
    if (viewed) {
        const ViewState& view = workspace.view();
        for (auto it = view.channelColors().cbegin(); it != view.channelColors().cend(); ++it)
            chart->setNamedChannelColor(it.key(), it.value());
        for (const QString& title : view.hiddenChannels())
            chart->setChartVisible(title, false);
        chart->setZoom(view.zoom());
        chart->setPosition(view.position());
        chart->setLineValueX(view.line());
    }
    return std::make_unique<OwnChartRenderer>(std::move(chart));
}
} // namespace

std::unique_ptr<ReportChart> makeReportChart(const Workspace& workspace)
{
    return reportChart(workspace, false);
}

std::unique_ptr<ReportChart> makeViewedReportChart(const Workspace& workspace)
{
    return reportChart(workspace, true);
}
