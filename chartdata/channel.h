#pragma once

#include <utility>

#include <QPen>
#include <QString>

namespace chart {
class ChannelData;
}

// One chart channel: its pen, name, data, draw type, value bounds and flags.
// A plain value. Its copies share one data object, which no record owns:
// the chart that clearChannels() is called on deletes it, once, so the
// charts holding copies drop theirs first (or merely go).
struct Channel
{
public:
    enum Type { Polyline = 1, Points = 2 };

    Channel() = default;
    Channel(double minimum, double maximum, chart::ChannelData* data, const QString& name,
            const QPen& pen);

    // getters:
    const QPen& pen() const { return m_pen; }
    const QString& name() const { return m_name; }
    chart::ChannelData* data() const { return m_data; }
    int type() const { return m_type; }
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    double scaleMinimum() const { return m_scaleMinimum; }
    double scaleMaximum() const { return m_scaleMaximum; }
    std::pair<double, double> scaleRange() const { return {m_scaleMinimum, m_scaleMaximum}; }
    bool showScale() const { return m_showScale; }
    bool visible() const { return m_visible; }
    bool showInLegend() const { return m_showInLegend; }
    // The compared protocol the curve belongs to (0-based); -1 for a curve
    // of no single protocol: an ordinary channel, or a difference of two.
    int protocol() const { return m_protocol; }

    // setters: the bounds and the scale range keep their old values when the
    // new ones would not leave the lower end below the upper.
    void setPen(const QPen& pen) { m_pen = pen; }
    void setName(const QString& name) { m_name = name; }
    void setData(chart::ChannelData* data) { m_data = data; }
    // Accepts Polyline and Points; anything else is refused with the error
    // text "Unknown type" and leaves the type as it was.
    bool setType(int type, QString* error = nullptr);
    bool setMinimum(double minimum);
    bool setMaximum(double maximum);
    bool setScaleRange(double low, double high);
    void setShowScale(bool show) { m_showScale = show; }
    void setVisible(bool visible) { m_visible = visible; }
    void setProtocol(int protocol) { m_protocol = protocol < 0 ? -1 : protocol; }

private:
    QPen m_pen{Qt::white};
    QString m_name;
    chart::ChannelData* m_data = nullptr;
    int m_type = Polyline;
    double m_minimum = 0;
    double m_maximum = 450;
    double m_scaleMinimum = 0;
    double m_scaleMaximum = 450;
    bool m_showScale = true;
    bool m_visible = true;
    bool m_showInLegend = true;
    int m_protocol = -1;
};
