#pragma once

#include "chartdata/channel.h"
#include "chartdata/valuebox.h"

#include <QFont>
#include <QImage>
#include <QPen>
#include <QString>
#include <QVector>

class ChannelLookup;
class QPainter;
class QRect;

// A protocol of a comparison as the chart names and places it.
struct ComparedProtocol
{
    QString label;   // "11.03.2024 08:00", names the protocol in the legend
    qint64 zero = 0; // ms since the epoch shown at 0 on the relative axis
};

namespace chart {

// What a comparison adds to the protocol chart: the protocols' pens, the
// value box lines and legend entries per compared curve, and which curve a
// press picks up. Each curve is a Channel whose protocol() says whose it is.
class ComparisonLayer
{
public:
    void setProtocols(const QVector<ComparedProtocol>& list) { protocolList = list; }
    const QVector<ComparedProtocol>& protocols() const { return protocolList; }
    bool isActive() const { return !protocolList.isEmpty(); }
    // False for a protocol that is not compared.
    bool setZero(int protocol, qint64 zero);

    // Solid, dashed, dotted, dash-dot for protocols 0..3, lighter shades of
    // the colour in the same styles for 4..7, and so on round; width 2.
    static QPen pen(const QColor& colour, int protocol);

    // The channel lines of the value box at x = line (ms since the zeros):
    // per name in the channels' order, one line per visible curve,
    // "U1 [2] = 229.8 (Δ −0.7)" with the difference to protocol 1's value
    // where both are numbers; a curve of no protocol as "U1 [2−1] = 0.75".
    // Then "Время = +00:12:30.250" and per protocol its own time,
    // "[1] 11.03.2024 08:12:30.250" (local time): timeLines() of them.
    QVector<ValueBoxLine> valueBoxLines(const QVector<Channel>& channels, qint64 line,
                                        const ChannelLookup& lookup, const QString& noValue) const;
    int timeLines() const { return 1 + int(protocolList.size()); }

    struct LegendEntry
    {
        QString text; // "U1 · 11.03.2024 08:00"
        QPen pen;
        bool operator==(const LegendEntry& other) const
        {
            return text == other.text && pen == other.pen;
        }
    };
    // One entry per visible curve (curves of one name and protocol once).
    QVector<LegendEntry> legendEntries(const QVector<Channel>& channels) const;
    // The legend in the plot's bottom right corner, clear of the value box
    // that hangs from the top; plot in the painter's coordinates.
    void paintLegend(QPainter* painter, const QRect& plot, const QFont& font,
                     const QVector<Channel>& channels) const;

    // The protocol of the visible compared curve whose value at x lies
    // nearest (in pixels) to y, the plot being plotHeight pixels high from
    // its top at 0; -1 where no such curve has a value at x.
    static int protocolNearest(const QVector<Channel>& channels, double x, double y,
                               double plotHeight);

private:
    static void paintLegendBox(QPainter* painter, const QRect& box, const QFont& font,
                               const QVector<LegendEntry>& entries);

    QVector<ComparedProtocol> protocolList;
    // The legend as last painted on a raster device.
    struct LegendCache
    {
        QVector<LegendEntry> entries;
        QFont font;
        qreal ratio = 0;
        QImage image;
    };
    mutable LegendCache legendCache;
};

// How the value box writes a channel's value: its state text, else the
// number with the channel's decimals (its RATE, at most kMaxBoxDecimals).
// state tells which.
constexpr int kMaxBoxDecimals = 9;
int boxValueDecimals(const ChannelLookup& lookup, const QString& title);
QString boxValueText(const ChannelLookup& lookup, const QString& title, double value,
                     bool* state = nullptr);

} // namespace chart
