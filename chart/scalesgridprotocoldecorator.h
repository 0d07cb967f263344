#pragma once

#include "chart/chartdecorator.h"
#include "chart/scalesgridpainter.h"

struct Channel;

class ChannelLookup;

namespace chart::Standard {

// The scales layer of the protocol chart: as the standard one, with the
// channel code over every value column, state channels labelled with their
// state texts, and a least width of the columns so that charts line up.
class ScalesGridProtocolDecorator : public ChartDecorator
{
public:
    ScalesGridProtocolDecorator(std::unique_ptr<ChartDecorator> next, quint16 msPerTick);

    void paint(QPainter* painter, Chart* chart) override;
    void valuesAt(QPoint& point, QVector<QPointF>& values, Chart* chart, QRect& plotRect) override;

    void setTimeBase(const QDateTime& origin, quint16 msPerTick);
    // Labels the time axis with the signed time since the origin.
    void setRelativeTime(bool relative) { layout.relativeTime = relative; }
    // Width of the value columns at the last paint; 0 before the first.
    double scalesWidth() const { return layout.scalesWidth; }
    // The least scalesWidth(): narrower columns leave room after them.
    void setMinimumScaleWidth(double width) { minimumScalesWidth = width; }
    // The step between the time axis' marks at the last paint, in ticks.
    double timeStepTicks() const { return layout.timeStepTicks; }
    // Names whose scale found no room at the last paint, and the marker
    // that counts them.
    const QStringList& leftOutScales() const { return layout.leftOutScales; }
    QRect leftOutMarker() const { return layout.leftOutMarker; }
    // Where state texts and codes come from; the process-wide catalogue
    // unless set.
    void setChannelLookup(const ChannelLookup* lookup);

    // The value range of a channel's scale: whole steps for numbers, the
    // bounds as they are for state channels (then false is returned).
    bool channelScaleRange(const Channel& channel, double minimum, double maximum, double& lo,
                           double& hi, int steps, bool left, double increment) const;

private:
    int paintStateLabels(QPainter* painter, const Chart* chart, const QString& code, double lo,
                         double hi, double tick, double freeTop, bool draw) const;

    ScalesGridPainter layout;
    double minimumScalesWidth = 0;
    const ChannelLookup* lookup;
};

} // namespace chart::Standard
