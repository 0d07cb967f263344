#pragma once

#include "table/range.h"

#include <QColor>
#include <QDateTime>
#include <QMap>
#include <QVector>
#include <QWidget>

#include <memory>
#include <utility>

namespace Ui {
class ChartParameters;
}
class ChartColor;
class ChartProtocol;

// The parameters panel: one row per channel title, a time window and the
// button that applies the table filter.
class ChartParameters : public QWidget
{
    Q_OBJECT
public:
    explicit ChartParameters(QWidget* parent = nullptr);
    ~ChartParameters() override;

    bool isFilterActive() const;
    bool isTimeFilterOn() const;
    // Shows a filter as a project had it: the time window and the channels'
    // value ranges (the rows not named are unchecked). Nothing is applied.
    void showFilter(bool timeOn, const QDateTime& from, const QDateTime& to,
                    const QVector<Range>& ranges);
    QSize sizeHint() const override;
    // As wide as its widest row, with a vertical scroll bar beside the rows.
    int preferredWidth() const;

signals:
    void setChartVisible(QString name, bool visible);
    void filter();
    void editComputedChannels();
    // A row's colour was chosen for the channel title.
    void colorChosen(QString name, QColor color);

public slots:
    void init(ChartProtocol& chart, QMap<QString, ChartProtocol*>& mapSingleCharts);
    QVector<Range> getRange() const;
    std::pair<QDateTime, QDateTime> getTimeRange() const;
    void setColor(QString name, QColor color);
    // Follows a channel shown or hidden elsewhere (a chart's menu): the
    // row's box changes, and nothing is emitted.
    void showChannel(const QString& name, bool visible);
    // Nothing loaded: no channel rows, and the time range of no protocol.
    void clear();
    // The time fields as a new panel has them.
    void resetTimeRange();

private slots:
    void onTimeChanged();
    void on_cbTime_clicked();

private:
    std::unique_ptr<Ui::ChartParameters> ui;
};
