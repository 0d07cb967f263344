#pragma once

#include "chartdata/channel.h"

#include <QList>
#include <QString>

#include <memory>

class ChartColor;
class ChartProtocol;
class ComparisonSession;
class ReportChart;

// The chart channels of a comparison: every protocol's curve of a channel in
// the channel's colour and the protocol's line style, the curves of one
// channel on one scale (shown once), then the difference channels and the
// channels computed over the comparison. They read the session's series
// in place; the chart they are given to deletes their data objects
// (Chart::clearChannels). `codes` gets each channel's code (a computed
// channel's name), so that per-channel charts can share the data objects.
QList<Channel> comparisonChannels(const ComparisonSession& session, ChartColor& palette,
                                  QStringList* codes = nullptr);

// Puts a comparison on a chart: its channels, the relative axis with each
// protocol's zero, the whole compared span in view and the value line at 0.
void showComparison(ChartProtocol& chart, const ComparisonSession& session,
                    const QList<Channel>& channels);

// The first and last relative time any protocol has a record at.
bool comparedSpan(const ComparisonSession& session, qint64& first, qint64& last);

// A chart of its own for a comparison's reports written without a window.
std::unique_ptr<ReportChart> makeComparisonReportChart(const ComparisonSession& session);
