#include "workspace/viewstate.h"

#include <cmath>

namespace {
bool sameRanges(const QVector<Range>& a, const QVector<Range>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].from != b[i].from || a[i].to != b[i].to)
            return false;
    }
    return true;
}
} // namespace

ViewState::ViewState(QObject* parent) : QObject(parent) {}

void ViewState::setChannelShown(const QString& title, bool shown)
{
    if (isChannelShown(title) == shown)
        return;
    if (shown)
        m_hidden.remove(title);
    else
        m_hidden.insert(title);
    emit channelShownChanged(title, shown);
}

void ViewState::setChannelColor(const QString& title, const QColor& color)
{
    if (!color.isValid() || m_colors.value(title) == color)
        return;
    m_colors.insert(title, color);
    emit channelColorChanged(title, color);
}

void ViewState::setPosition(double position)
{
    if (!std::isfinite(position))
        return;
    position = std::trunc(position);
    if (position == m_position)
        return;
    m_position = position;
    emit positionChanged(m_position);
}

void ViewState::setZoom(double zoom)
{
    if (!(zoom > 0) || !std::isfinite(zoom) || zoom == m_zoom)
        return;
    m_zoom = zoom;
    emit zoomChanged(m_zoom);
}

void ViewState::setLine(qint64 tick)
{
    if (tick == m_line)
        return;
    m_line = tick;
    emit lineChanged(m_line);
}

void ViewState::setReference(qint64 tick)
{
    if (m_hasReference && tick == m_reference)
        return;
    m_hasReference = true;
    m_reference = tick;
    emit referenceChanged();
}

void ViewState::clearReference()
{
    if (!m_hasReference)
        return;
    m_hasReference = false;
    m_reference = 0;
    emit referenceChanged();
}

void ViewState::setFilter(bool on, const QDateTime& from, const QDateTime& to)
{
    if (on == m_filterOn && from == m_timeFrom && to == m_timeTo)
        return;
    m_filterOn = on;
    m_timeFrom = from;
    m_timeTo = to;
    emit filterChanged();
}

void ViewState::setValueRanges(const QVector<Range>& ranges)
{
    if (sameRanges(ranges, m_ranges))
        return;
    m_ranges = ranges;
    emit filterChanged();
}

void ViewState::reset(double position, qint64 line)
{
    m_hidden.clear();
    m_position = std::isfinite(position) ? std::trunc(position) : 0;
    m_zoom = 1.0;
    m_line = line;
    m_hasReference = false;
    m_reference = 0;
    m_filterOn = false;
    m_timeFrom = QDateTime();
    m_timeTo = QDateTime();
    m_ranges.clear();
    emit viewReset();
}

QStringList ViewState::hiddenChannels() const
{
    QStringList titles = m_hidden.values();
    titles.sort();
    return titles;
}
