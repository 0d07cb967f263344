#include "chart/eventbandpainter.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

void EventBandPainter::setBands(QVector<EventBand> bands)
{
    std::sort(bands.begin(), bands.end(),
              [](const EventBand& a, const EventBand& b) { return a.start < b.start; });
    m_longest = 0;
    for (const EventBand& band : bands)
        m_longest = std::max(m_longest, band.end - band.start);
    m_bands = std::move(bands);
}

void EventBandPainter::paint(QPainter* painter, double pixelsPerTick, double position) const
{
    if (m_bands.isEmpty() || pixelsPerTick <= 0)
        return;
    const QRect window = painter->window();
    const double first = position;
    const double last = position + window.width() / pixelsPerTick;
    // No band that starts before this can reach the view.
    const auto from = std::lower_bound(
        m_bands.begin(), m_bands.end(), first - double(m_longest),
        [](const EventBand& band, double tick) { return double(band.start) < tick; });
    painter->save();
    painter->setPen(Qt::NoPen);
    for (auto it = from; it != m_bands.end() && double(it->start) <= last; ++it) {
        if (double(it->end) < first)
            continue;
        QColor fill = it->color;
        fill.setAlpha(70);
        const double left = std::max(-1.0, (double(it->start) - position) * pixelsPerTick);
        const double right =
            std::min(window.width() + 1.0, (double(it->end) - position) * pixelsPerTick);
        // A band narrower than a pixel still shows.
        painter->fillRect(QRectF(left, 0, std::max(1.0, right - left), window.height()), fill);
    }
    painter->restore();
}
