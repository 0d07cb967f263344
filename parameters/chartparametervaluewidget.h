#pragma once

#include "table/range.h"

#include <QColor>
#include <QWidget>

#include <memory>

namespace Ui {
class ChartParameterValueWidget;
}
struct Channel;

// One channel row of the parameters panel: visibility, value filter, colour.
class ChartParameterValueWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ChartParameterValueWidget(QWidget* parent = nullptr);
    ~ChartParameterValueWidget() override;

    // Decimals of the two bounds; give them before the channel, whose
    // range the boxes round to them.
    void setDecimals(int decimals);
    void setChannel(const Channel* channel);
    void setColor(QColor color);
    bool isFilterChecked() const;
    QString name() const;
    bool isShown() const;
    // Ticks or unticks the visibility box without telling anyone, for a
    // change made elsewhere (the chart's menu).
    void setShown(bool shown);
    Range range() const;
    // The filter as a project had it: checked, with its bounds.
    void setFilter(bool checked, double from, double to);
    QColor color() const { return m_color; }
    // Width the title needs, and the width it gets, so that rows line up.
    int nameWidth() const;
    void setNameWidth(int width);

signals:
    void colorChanged(QString name, QColor color);
    void visibleChanged(QString name, bool visible);

private slots:
    void onValueChanged();
    void setParametersEnabled(bool enabled);
    void on_buttonColor_clicked();
    void on_cbVisible_clicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    static constexpr int kFormMinimumHeight = 43;
    void keepNaturalHeight();
    // The box reads what a click on it would do.
    void showVisibleText();

    std::unique_ptr<Ui::ChartParameterValueWidget> ui;
    QColor m_color;
};
