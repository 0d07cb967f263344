#pragma once

#include "chart/channeldecorator.h"

// The protocol chart's curves, followed by its value cursor layer in the
// plot area.
class ChannelProtocolDecorator : public chart::Standard::ChannelDecorator
{
public:
    explicit ChannelProtocolDecorator(std::unique_ptr<chart::ChartDecorator> next = nullptr);
    void paint(QPainter* painter, Chart* chart) override;
};
