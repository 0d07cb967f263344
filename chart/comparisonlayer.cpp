#include "chart/comparisonlayer.h"

#include "chartdata/channeldata.h"
#include "compare/relativetime.h"
#include "protocol/channellookup.h"
#include "table/numbertext.h"

#include <algorithm>
#include <cmath>

#include <QDateTime>
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QPair>

namespace chart {

namespace {
// The legend's line sample, its padding and its distance from the plot's edge.
constexpr int kSample = 28;
constexpr int kPad = 8;
constexpr int kGap = 6;
constexpr int kEdge = 4;

// A state channel's raw value, when the value is a whole number an int holds.
bool toStateValue(double value, int& raw)
{
    if (!(std::fabs(value) < 2147483647.0))
        return false;
    raw = static_cast<int>(value);
    return true;
}

// Half way to white: the shade of protocols 4..7, still of the channel's hue.
QColor lighterShade(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return QColor((rgb.red() + 255) / 2, (rgb.green() + 255) / 2, (rgb.blue() + 255) / 2,
                  rgb.alpha());
}

// "+0.7", "−0.7", "0": a signed difference in the channel's decimals.
QString differenceText(double difference, int decimals)
{
    const double shown = numbertext::rounded(std::fabs(difference), decimals);
    const QString digits = numbertext::decimalText(shown, decimals);
    if (shown == 0)
        return digits;
    return (difference < 0 ? QStringLiteral("\u2212") : QStringLiteral("+")) + digits;
}

// The value of a curve at the line: the first of its channel records (one
// per file of the protocol) that has a number there; NaN where they only
// have a computed channel's gap.
struct CurveValue
{
    QString name;
    int protocol = -1;
    QColor colour;
    bool found = false;
    double value = 0;
};

QVector<CurveValue> curveValues(const QVector<Channel>& channels, qint64 line)
{
    QVector<CurveValue> curves;
    for (const Channel& channel : channels) {
        if (!channel.visible() || !channel.showInLegend())
            continue;
        auto curve = std::find_if(curves.begin(), curves.end(), [&](const CurveValue& c) {
            return c.name == channel.name() && c.protocol == channel.protocol();
        });
        if (curve == curves.end()) {
            curves.append({channel.name(), channel.protocol(), channel.pen().color(), false, 0});
            curve = curves.end() - 1;
        }
        if (curve->found && !std::isnan(curve->value))
            continue;
        auto* data = dynamic_cast<ProtocolChannelData*>(channel.data());
        double value = 0;
        if (data && data->valueAt(double(line), value) && (!curve->found || !std::isnan(value))) {
            curve->found = true;
            curve->value = value;
        }
    }
    return curves;
}
} // namespace

int boxValueDecimals(const ChannelLookup& lookup, const QString& title)
{
    const QString code = lookup.codeByTitle(title);
    const int rate = code.isEmpty() ? 0 : lookup.rateByCode(code);
    return qBound(0, rate, kMaxBoxDecimals);
}

QString boxValueText(const ChannelLookup& lookup, const QString& title, double value, bool* state)
{
    int raw = 0;
    const QString refs =
        toStateValue(value, raw) ? lookup.refText(lookup.codeByTitle(title), raw) : QString();
    if (state)
        *state = !refs.isEmpty();
    // The digits the table shows for the same value.
    return refs.isEmpty() ? numbertext::decimalText(value, boxValueDecimals(lookup, title)) : refs;
}

bool ComparisonLayer::setZero(int protocol, qint64 zero)
{
    if (protocol < 0 || protocol >= protocolList.size())
        return false;
    protocolList[protocol].zero = zero;
    return true;
}

QPen ComparisonLayer::pen(const QColor& colour, int protocol)
{
    static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                          Qt::DashDotLine};
    const int p = qMax(0, protocol);
    const Qt::PenStyle style = styles[p % 4];
    // Square caps would close the gaps of a dotted line of this width.
    return QPen(p % 8 >= 4 ? lighterShade(colour) : colour, 2, style,
                style == Qt::SolidLine ? Qt::SquareCap : Qt::FlatCap, Qt::BevelJoin);
}

QVector<ValueBoxLine> ComparisonLayer::valueBoxLines(const QVector<Channel>& channels, qint64 line,
                                                     const ChannelLookup& lookup,
                                                     const QString& noValue) const
{
    const QVector<CurveValue> curves = curveValues(channels, line);
    QVector<ValueBoxLine> lines;
    QStringList names;
    for (const CurveValue& curve : curves) {
        if (!names.contains(curve.name))
            names.append(curve.name);
    }
    for (const QString& name : qAsConst(names)) {
        const QString code = lookup.codeByTitle(name);
        const QString shortName = code.isEmpty() ? name : code;
        // Protocol 1's value, the one the others are told against.
        const CurveValue* first = nullptr;
        for (const CurveValue& curve : curves) {
            if (curve.name == name && curve.protocol == 0 && curve.found &&
                !std::isnan(curve.value))
                first = &curve;
        }
        bool firstIsState = false;
        if (first)
            boxValueText(lookup, name, first->value, &firstIsState);
        for (const CurveValue& curve : curves) {
            if (curve.name != name)
                continue;
            bool state = false;
            const QString text = !curve.found ? noValue
                                 : std::isnan(curve.value)
                                     ? QStringLiteral("—")
                                     : boxValueText(lookup, name, curve.value, &state);
            if (curve.protocol < 0) {
                lines.append({name, QStringLiteral("%1 = %2").arg(name, text), curve.colour,
                              QStringLiteral("%1 = %2").arg(shortName, text)});
                continue;
            }
            const QString number = QString::number(curve.protocol + 1);
            QString full = QStringLiteral("%1 [%2] = %3").arg(name, number, text);
            if (first && &curve != first && curve.found && !std::isnan(curve.value) && !state &&
                !firstIsState)
                full += QStringLiteral(" (Δ %1)").arg(
                    differenceText(curve.value - first->value, boxValueDecimals(lookup, name)));
            lines.append({name, full, curve.colour,
                          QStringLiteral("%1[%2] = %3").arg(shortName, number, text)});
        }
    }
    lines.append({QString(), QStringLiteral("Время = %1").arg(relativeTimeText(line)),
                  QColor(Qt::white), QString()});
    for (int i = 0; i < protocolList.size(); ++i) {
        qint64 at = 0;
        QString when = QStringLiteral("—");
        if (!__builtin_add_overflow(protocolList[i].zero, line, &at)) {
            const QDateTime time = QDateTime::fromMSecsSinceEpoch(at);
            if (time.isValid())
                when = time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss.zzz"));
        }
        lines.append({QString(), QStringLiteral("[%1] %2").arg(i + 1).arg(when), QColor(Qt::white),
                      QString()});
    }
    return lines;
}

QVector<ComparisonLayer::LegendEntry>
ComparisonLayer::legendEntries(const QVector<Channel>& channels) const
{
    QVector<LegendEntry> entries;
    QVector<QPair<QString, int>> listed;
    for (const Channel& channel : channels) {
        const QPair<QString, int> key(channel.name(), channel.protocol());
        if (!channel.visible() || !channel.showInLegend() || listed.contains(key))
            continue;
        listed.append(key);
        const int p = channel.protocol();
        const QString text =
            p >= 0 && p < protocolList.size()
                ? QStringLiteral("%1 · %2").arg(channel.name(), protocolList[p].label)
                : channel.name();
        entries.append({text, channel.pen()});
    }
    return entries;
}

void ComparisonLayer::paintLegend(QPainter* painter, const QRect& plot, const QFont& font,
                                  const QVector<Channel>& channels) const
{
    const QVector<LegendEntry> entries = legendEntries(channels);
    if (entries.isEmpty())
        return;
    const QFontMetrics metrics(font);
    int widest = 0;
    for (const LegendEntry& entry : entries)
        widest = qMax(widest, metrics.horizontalAdvance(entry.text));
    const QSize size(2 * kPad + kSample + kGap + widest,
                     2 * kPad + metrics.height() * int(entries.size()));
    // A legend the plot cannot hold would hide the curves it names.
    if (size.width() + 2 * kEdge > plot.width() || size.height() + 2 * kEdge > plot.height())
        return;
    const QPoint at(plot.right() - kEdge - size.width(), plot.bottom() - kEdge - size.height());
    if (painter->paintEngine()->type() != QPaintEngine::Raster ||
        painter->combinedTransform().type() > QTransform::TxTranslate) {
        // Pictures in PDF or SVG keep their texts as texts, scaled ones
        // their sharpness.
        paintLegendBox(painter, QRect(at, size), font, entries);
        return;
    }
    // Outlined texts cost milliseconds; a drag repaints many times a second
    // with the same legend.
    const qreal ratio = painter->device()->devicePixelRatioF();
    if (legendCache.entries != entries || legendCache.font != font || legendCache.ratio != ratio ||
        legendCache.image.isNull()) {
        legendCache.entries = entries;
        legendCache.font = font;
        legendCache.ratio = ratio;
        legendCache.image = QImage(size * ratio, QImage::Format_ARGB32_Premultiplied);
        legendCache.image.setDevicePixelRatio(ratio);
        legendCache.image.fill(Qt::transparent);
        QPainter cached(&legendCache.image);
        paintLegendBox(&cached, QRect(QPoint(0, 0), size), font, entries);
    }
    painter->drawImage(at, legendCache.image);
}

void ComparisonLayer::paintLegendBox(QPainter* painter, const QRect& box, const QFont& font,
                                     const QVector<LegendEntry>& entries)
{
    const QFontMetrics metrics(font);
    painter->save();
    painter->setFont(font);
    painter->setRenderHint(QPainter::Antialiasing, true);
    // Inside the box, also where it is an image of its own size.
    paintBoxFrame(painter, QRectF(box).adjusted(0.75, 0.75, -0.75, -0.75));
    painter->setBrush(Qt::NoBrush);
    int y = box.top() + kPad;
    for (const LegendEntry& entry : entries) {
        const int middle = y + metrics.height() / 2;
        painter->setPen(entry.pen);
        painter->drawLine(box.left() + kPad, middle, box.left() + kPad + kSample, middle);
        const QPoint baseline(box.left() + kPad + kSample + kGap, y + metrics.ascent());
        paintBoxText(painter, baseline, entry.text, entry.pen.color());
        y += metrics.height();
    }
    painter->restore();
}

int ComparisonLayer::protocolNearest(const QVector<Channel>& channels, double x, double y,
                                     double plotHeight)
{
    int nearest = -1;
    double best = 0;
    for (const Channel& channel : channels) {
        if (!channel.visible() || channel.protocol() < 0)
            continue;
        auto* data = dynamic_cast<ProtocolChannelData*>(channel.data());
        const double range = channel.scaleMaximum() - channel.scaleMinimum();
        double value = 0;
        if (!data || !(range > 0) || !data->valueAt(x, value) || !std::isfinite(value))
            continue;
        const double distance =
            std::fabs((channel.scaleMaximum() - value) * plotHeight / range - y);
        if (nearest < 0 || distance < best) {
            nearest = channel.protocol();
            best = distance;
        }
    }
    return nearest;
}

} // namespace chart
