#include "app/statisticsdock.h"

#include "chart/chartprotocol.h"
#include "protocol/channellookup.h"
#include "statistics/cursorstatistics.h"
#include "statistics/statisticspanel.h"
#include "table/protocolassembly.h"

#include <climits>
#include <cmath>

namespace {
// Names of the visible channels of a chart, each once, in chart order.
QStringList visibleTitles(const ChartProtocol& chart)
{
    QStringList titles;
    for (const Channel& channel : chart.channels()) {
        if (channel.visible() && !titles.contains(channel.name()))
            titles.append(channel.name());
    }
    return titles;
}
} // namespace

StatisticsDock::StatisticsDock(QWidget* parent)
    : QDockWidget(tr("Статистика"), parent), m_panel(new StatisticsPanel)
{
    setObjectName(QStringLiteral("statisticsDock"));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    setWidget(m_panel);
}

StatisticsDock::~StatisticsDock() = default;

void StatisticsDock::prepare(const ProtocolAssembly& assembly)
{
    clear();
    for (const AssembledChannel& channel : assembly.channels())
        m_parts.push_back({channel.title, channel.code, &channel.series});
}

void StatisticsDock::clear()
{
    m_parts.clear();
    m_statistics.reset();
}

bool StatisticsDock::pairOf(const ChartProtocol& chart, qint64& from, qint64& to) const
{
    to = chart.lineValueX();
    if (m_panel->betweenBookmarks())
        return CursorStatistics::bookmarksAround(chart.bookmarks(), to, from, to);
    from = chart.referenceX();
    return chart.hasReference();
}

void StatisticsDock::showFiguresOf(const ChartProtocol& chart)
{
    if (!isVisible())
        return;
    if (!m_statistics && !m_parts.empty()) {
        // Indexing reads every record once; it waits until the dock is shown.
        m_statistics = std::make_unique<CursorStatistics>();
        const ChannelLookup& lookup = ChannelLookup::streamLoger();
        for (const Part& part : m_parts) {
            CursorStatistics::StateText stateText;
            if (lookup.hasRefs(part.code)) {
                const QString code = part.code;
                const double scale = std::pow(10.0, lookup.rateByCode(code));
                // The table looks a state up by its raw value; the series
                // holds raw / 10^RATE.
                stateText = [code, scale, &lookup](double value) {
                    const double raw = std::round(value * scale);
                    return lookup.refText(code, raw >= INT_MIN && raw <= INT_MAX ? int(raw) : 0);
                };
            }
            m_statistics->addPart(part.title,
                                  std::make_unique<ColumnStatisticsSource>(*part.series), stateText,
                                  lookup.rateByCode(part.code));
        }
    }
    if (!m_statistics) {
        m_panel->showHint(tr("Нет загруженных протоколов"));
        return;
    }
    m_statistics->setTimeBase(chart.startDateTime(), chart.tickLength());
    qint64 from = 0;
    qint64 to = 0;
    if (!pairOf(chart, from, to)) {
        m_panel->showHint(m_panel->betweenBookmarks()
                              ? tr("Курсор не стоит между двумя закладками")
                              : tr("Поставьте опорный курсор: Shift+двойной щелчок\n"
                                   "или контекстное меню графика"));
        return;
    }
    m_panel->showFigures(m_statistics->timeText(from), m_statistics->timeText(to),
                         m_statistics->durationText(from, to), CursorStatistics::headers(),
                         m_statistics->rows(from, to, visibleTitles(chart)));
}

QString StatisticsDock::figuresText(const ChartProtocol& chart) const
{
    qint64 from = 0;
    qint64 to = 0;
    if (!m_statistics || !pairOf(chart, from, to))
        return QString();
    return m_statistics->tabSeparated(from, to, visibleTitles(chart));
}
