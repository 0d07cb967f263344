#include "statistics/cursorstatistics.h"

#include "table/numbertext.h"
#include "table/timetextformatter.h"

#include <algorithm>
#include <cstdlib>

struct CursorStatistics::Channel
{
    QString title;
    StateText stateText;
    int decimals = -1;
    std::vector<std::unique_ptr<ChannelRangeIndex>> parts; // by first tick

    bool isState() const { return bool(stateText); }

    // The first part in time that has a value at the tick.
    bool value(qint64 tick, double& value) const
    {
        for (const auto& part : parts) {
            if (isState() ? part->heldValue(tick, value) : part->interpolatedValue(tick, value))
                return true;
        }
        return false;
    }

    RangeSummary summary(qint64 from, qint64 to) const
    {
        RangeSummary total;
        for (const auto& part : parts)
            total.add(part->summary(from, to));
        return total;
    }
};

namespace {
// Ten significant digits: every digit of a logged value, and no rounding
// noise of a difference or a mean.
QString number(double value)
{
    return numbertext::text(value, numbertext::loggedDigits);
}
} // namespace

CursorStatistics::CursorStatistics() = default;
CursorStatistics::~CursorStatistics() = default;

void CursorStatistics::clear()
{
    m_channels.clear();
}

void CursorStatistics::setTimeBase(const QDateTime& start, quint16 tickMs)
{
    m_start = start;
    m_tickMs = tickMs;
}

void CursorStatistics::addPart(const QString& title, std::unique_ptr<StatisticsSource> source,
                               const StateText& stateText, int decimals)
{
    auto found = std::find_if(m_channels.begin(), m_channels.end(),
                              [&title](const auto& channel) { return channel->title == title; });
    if (found == m_channels.end()) {
        m_channels.push_back(std::make_unique<Channel>());
        m_channels.back()->title = title;
        found = m_channels.end() - 1;
    }
    Channel& channel = **found;
    if (stateText)
        channel.stateText = stateText;
    if (decimals >= 0)
        channel.decimals = decimals;
    channel.parts.push_back(std::make_unique<ChannelRangeIndex>(std::move(source)));
    std::stable_sort(channel.parts.begin(), channel.parts.end(),
                     [](const auto& a, const auto& b) { return a->firstTick() < b->firstTick(); });
}

QStringList CursorStatistics::titles() const
{
    QStringList titles;
    for (const auto& channel : m_channels)
        titles.append(channel->title);
    return titles;
}

QStringList CursorStatistics::headers()
{
    return {QStringLiteral("Канал"),    QStringLiteral("Опорный"), QStringLiteral("Курсор"),
            QStringLiteral("Разность"), QStringLiteral("Минимум"), QStringLiteral("Максимум"),
            QStringLiteral("Среднее"),  QStringLiteral("СКЗ"),     QStringLiteral("Изменений"),
            QStringLiteral("Записей")};
}

QStringList CursorStatistics::row(const Channel& channel, qint64 reference, qint64 cursor) const
{
    QStringList texts;
    for (int column = 0; column < ColumnCount; ++column)
        texts.append(QString());
    texts[ChannelTitle] = channel.title;

    double atReference = 0;
    double atCursor = 0;
    const bool hasReference = channel.value(reference, atReference);
    const bool hasCursor = channel.value(cursor, atCursor);
    const RangeSummary summary =
        channel.summary(std::min(reference, cursor), std::max(reference, cursor));
    texts[Records] = QString::number(summary.count);

    if (channel.isState()) {
        if (hasReference)
            texts[ReferenceValue] = channel.stateText(atReference);
        if (hasCursor)
            texts[CursorValue] = channel.stateText(atCursor);
        texts[Changes] = QString::number(summary.changes);
        return texts;
    }
    const auto value = [&channel](double v) {
        return channel.decimals >= 0 ? numbertext::decimalText(v, channel.decimals) : number(v);
    };
    if (hasReference)
        texts[ReferenceValue] = value(atReference);
    if (hasCursor)
        texts[CursorValue] = value(atCursor);
    if (hasReference && hasCursor)
        texts[Difference] = value(atCursor - atReference);
    if (summary.count > 0) {
        texts[Minimum] = value(summary.minimum);
        texts[Maximum] = value(summary.maximum);
        texts[Mean] = number(summary.mean());
        texts[Rms] = number(summary.rms());
    }
    return texts;
}

QVector<QStringList> CursorStatistics::rows(qint64 reference, qint64 cursor,
                                            const QStringList& titles) const
{
    QVector<QStringList> rows;
    for (const QString& title : titles) {
        for (const auto& channel : m_channels) {
            if (channel->title == title) {
                rows.append(row(*channel, reference, cursor));
                break;
            }
        }
    }
    return rows;
}

QString CursorStatistics::durationText(qint64 msecs)
{
    const qint64 magnitude = std::llabs(msecs);
    const qint64 hours = magnitude / 3600000;
    return QStringLiteral("%1%2:%3:%4.%5")
        .arg(msecs < 0 ? QStringLiteral("-") : QString())
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(magnitude / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(magnitude / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(magnitude % 1000, 3, 10, QLatin1Char('0'));
}

QString CursorStatistics::durationText(qint64 reference, qint64 cursor) const
{
    return durationText((qint64(cursor) - reference) * m_tickMs);
}

QString CursorStatistics::timeText(qint64 tick) const
{
    return m_start.addMSecs(qint64(tick) * m_tickMs).toString(TimeTextFormatter::format());
}

QString CursorStatistics::tabSeparated(qint64 reference, qint64 cursor,
                                       const QStringList& titles) const
{
    const QChar tab(QLatin1Char('\t'));
    QString text;
    text += QStringLiteral("Опорный") + tab + timeText(reference) + QLatin1Char('\n');
    text += QStringLiteral("Курсор") + tab + timeText(cursor) + QLatin1Char('\n');
    text += QStringLiteral("Δt") + tab + durationText(reference, cursor) + QLatin1Char('\n');
    text += QLatin1Char('\n');
    text += headers().join(tab) + QLatin1Char('\n');
    for (const QStringList& row : rows(reference, cursor, titles))
        text += row.join(tab) + QLatin1Char('\n');
    return text;
}

bool CursorStatistics::bookmarksAround(const QVector<qint64>& bookmarks, qint64 line, qint64& first,
                                       qint64& second)
{
    bool before = false;
    bool after = false;
    for (const qint64 bookmark : bookmarks) {
        if (bookmark <= line && (!before || bookmark > first)) {
            first = bookmark;
            before = true;
        } else if (bookmark > line && (!after || bookmark < second)) {
            second = bookmark;
            after = true;
        }
    }
    return before && after;
}
