#pragma once

#include "chartdata/columnseries.h"

#include <QDockWidget>

#include <memory>
#include <vector>

class ChartProtocol;
class CursorStatistics;
class ProtocolAssembly;
class StatisticsPanel;

// The dock of the statistics between the two cursors (or the bookmarks
// around the value line) of the common chart. It indexes the loaded
// channels only when it is first shown with them.
class StatisticsDock : public QDockWidget
{
    Q_OBJECT
public:
    explicit StatisticsDock(QWidget* parent = nullptr);
    ~StatisticsDock() override;

    StatisticsPanel* panel() const { return m_panel; }
    // Remembers the loaded channels; the assembly outlives their use here.
    void prepare(const ProtocolAssembly& assembly);
    void clear();
    // Shows the figures of what the chart marks; nothing while hidden.
    void showFiguresOf(const ChartProtocol& chart);
    // The figures as tab-separated text; empty without a stretch.
    QString figuresText(const ChartProtocol& chart) const;

private:
    // The two ticks to take a stretch between; false when no such pair is chosen.
    bool pairOf(const ChartProtocol& chart, qint64& from, qint64& to) const;

    struct Part
    {
        QString title;
        QString code;
        const ColumnSeries* series = nullptr;
    };
    StatisticsPanel* m_panel = nullptr;
    std::unique_ptr<CursorStatistics> m_statistics;
    std::vector<Part> m_parts; // not yet indexed
};
