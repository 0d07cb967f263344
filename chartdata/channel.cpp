#include "chartdata/channel.h"

Channel::Channel(double minimum, double maximum, chart::ChannelData* data, const QString& name,
                 const QPen& pen)
    : m_pen(pen), m_name(name), m_data(data), m_minimum(minimum), m_maximum(maximum),
      m_scaleMinimum(minimum), m_scaleMaximum(maximum)
{
}

bool Channel::setType(int type, QString* error)
{
    if (type != Polyline && type != Points) {
        if (error)
            *error = QStringLiteral("Unknown type");
        return false;
    }
    m_type = type;
    return true;
}

bool Channel::setMinimum(double minimum)
{
    if (!(minimum < m_maximum))
        return false;
    m_minimum = minimum;
    return true;
}

bool Channel::setMaximum(double maximum)
{
    if (!(maximum > m_minimum))
        return false;
    m_maximum = maximum;
    return true;
}

bool Channel::setScaleRange(double low, double high)
{
    if (!(high > low))
        return false;
    m_scaleMinimum = low;
    m_scaleMaximum = high;
    return true;
}
