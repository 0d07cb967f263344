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
    QSize sizeHint() const override;

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
    void clear();

private slots:
    void onTimeChanged();
    void on_cbTime_clicked();

private:
    std::unique_ptr<Ui::ChartParameters> ui;
};
