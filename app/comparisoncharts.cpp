#include "app/comparisoncharts.h"

#include "app/chartrenderer.h"
#include "chart/chartprotocol.h"
#include "chartdata/pairdatacontainer.h"
#include "compare/comparison.h"
#include "compare/comparisonsession.h"
#include "parameters/chartcolor.h"

#include <QSet>

#include <algorithm>

namespace {
// The difference channels in a colour of their own, apart from the codes'.
const QColor kDifferenceColor(255, 255, 255);
} // namespace

QList<Channel> comparisonChannels(const ComparisonSession& session, ChartColor& palette,
                                  QStringList* codes)
{
    QList<Channel> channels;
    QSet<QString> scaled;
    for (const ComparisonSession::Curve& curve : session.curves()) {
        if (codes)
            codes->append(curve.code);
        auto* data = new ProtocolColumnData(&curve.series);
        Channel channel(curve.minimum, curve.maximum, data, curve.title,
                        ChartProtocol::comparedPen(palette.color(curve.code), curve.protocol));
        channel.setProtocol(curve.protocol);
        // One scale per channel: its protocols share the bounds.
        channel.setShowScale(!scaled.contains(curve.title));
        scaled.insert(curve.title);
        channels.append(channel);
    }
    for (const ComparisonSession::DifferenceCurve& difference : session.differences()) {
        if (codes)
            codes->append(difference.code);
        auto* data = new ProtocolSeriesData(&difference.points);
        QPen pen(kDifferenceColor, 2.0);
        channels.append(
            Channel(difference.minimum, difference.maximum, data, difference.title, pen));
    }
    for (const ComparisonSession::FormulaCurve& formula : session.formulas()) {
        if (codes)
            codes->append(formula.name);
        auto* data = new ProtocolSeriesData(&formula.points);
        channels.append(Channel(formula.minimum, formula.maximum, data, formula.name,
                                QPen(palette.color(formula.name), 2.0)));
    }
    return channels;
}

bool comparedSpan(const ComparisonSession& session, qint64& first, qint64& last)
{
    const Comparison& comparison = session.comparison();
    if (comparison.rowCount() == 0)
        return false;
    first = comparison.rowTime(0);
    last = comparison.rowTime(comparison.rowCount() - 1);
    return true;
}

void showComparison(ChartProtocol& chart, const ComparisonSession& session,
                    const QList<Channel>& channels)
{
    QVector<ComparedProtocol> protocols;
    for (int p = 0; p < session.protocolCount(); ++p)
        protocols.append({session.label(p), session.zero(p)});
    chart.setComparedProtocols(protocols);
    for (const Channel& channel : channels)
        chart.addChannel(channel);
    qint64 first = 0;
    qint64 last = 0;
    if (!comparedSpan(session, first, last))
        return;
    const double span = std::max<double>(1.0, double(last - first));
    // Zooming out stops at ten spans, as for loaded protocols.
    chart.setMaximumSpan(std::max(chart.chartSize(), 10 * span));
    chart.showRange(double(first), double(last));
    chart.setLineValueX(std::clamp<qint64>(0, first, last));
}

std::unique_ptr<ReportChart> makeComparisonReportChart(const ComparisonSession& session)
{
    auto chart = newReportChartWidget();
    ChartColor palette;
    palette.setSaveOnExit(false);
    showComparison(*chart, session, comparisonChannels(session, palette));
    return ownedReportChart(std::move(chart));
}
