#pragma once

#include "chartdata/channel.h"
#include "workspace/workspace.h"

#include <QFont>
#include <QList>

#include <memory>

class ChartColor;
class ChartProtocol;
class ProtocolAssembly;

// The chart channels of an assembly, one per assembled channel, each in its
// code's palette colour; they read the assembly's columns in place. The
// chart they are given to deletes their data objects (Chart::clearChannels).
QList<Channel> chartChannels(const ProtocolAssembly& assembly, ChartColor& palette);

// Puts the loaded view on a chart as the window first shows it: channels,
// time base and end, zooming out capped by the loaded span, zoom 1 at the
// first tick and the value line in the middle of the plot.
void showLoadedView(ChartProtocol& chart, const Workspace& workspace,
                    const QList<Channel>& channels);
// Zooming out stops at ten times the loaded span: beyond it the protocol is
// a sliver, and the span would soon leave the tick range.
double maximumSpan(const ChartProtocol& chart, const Workspace& workspace);

// The chart colours the user chose, in "settings.conf".
void restoreChartColors(ChartProtocol& chart);
void saveChartColors(const ChartProtocol& chart);

// The reports' pictures from a protocol chart, as it paints itself.
class ProtocolChartRenderer : public ReportChart
{
public:
    ProtocolChartRenderer(ChartProtocol& chart, const QFont& tableFont);

    QFont tableFont() const override { return m_tableFont; }
    // Drawn at twice the pixels, so that it prints at a fair resolution; the
    // ratio makes the workbook show it at the chart's size on the screen.
    QImage workbookImage() override;
    QDateTime startDateTime() const override;
    ChartDrawing pdfDrawing() override;
    ChartDrawing rangeDrawing(qint64 first, qint64 last, const QString& title) override;
    ReportResult savePicture(const ChartPictureOptions& options, qint64 first, qint64 last,
                             const QString& title, const QString& fileName) override;

private:
    ChartProtocol& m_chart;
    QFont m_tableFont;
};

// A chart widget for reports written without a window: the size and font
// of the chart in a window never shown, in the colours of "settings.conf".
std::unique_ptr<ChartProtocol> newReportChartWidget();
// The reports' pictures from a chart that the renderer owns and lets go of.
std::unique_ptr<ReportChart> ownedReportChart(std::unique_ptr<ChartProtocol> chart);

// A chart of its own for reports written without a window: the loaded view
// as the window first shows it, in the colours of "settings.conf".
std::unique_ptr<ReportChart> makeReportChart(const Workspace& workspace);
// The same chart as the workspace's view has it (a project's): channels
// hidden and coloured, position, zoom and value line as the window showed.
std::unique_ptr<ReportChart> makeViewedReportChart(const Workspace& workspace);
