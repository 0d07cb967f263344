#include "chart/channelprotocoldecorator.h"

#include "chart/chartprotocol.h"

#include <QPainter>

ChannelProtocolDecorator::ChannelProtocolDecorator(std::unique_ptr<chart::ChartDecorator> next)
    : ChannelDecorator(std::move(next))
{
}

void ChannelProtocolDecorator::paint(QPainter* painter, Chart* chart)
{
    // The curves' final restore pops this save; the scales layer's clip and
    // viewport stay for the cursor layer.
    painter->save();
    ChannelDecorator::paint(painter, chart);
    if (auto* protocol = qobject_cast<ChartProtocol*>(chart))
        protocol->paintValueCursor(painter);
    painter->restore();
}
