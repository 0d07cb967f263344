#include "parameters/chartparameters.h"

#include <algorithm>

#include "chart/chartprotocol.h"
#include "parameters/chartparametervaluewidget.h"

#include "ui_chartparameters.h"

#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QSignalBlocker>

namespace {
const QString kRowName = QStringLiteral("ChartParameterValueWidget");
} // namespace

ChartParameters::ChartParameters(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ChartParameters>())
{
    ui->setupUi(this);
    resetTimeRange();
    connect(ui->buttonFilter, &QPushButton::clicked, this, &ChartParameters::filter);
    // Beside the filter: the computed channels become rows of this panel.
    auto* computed = new QPushButton(tr("Вычисляемые каналы…"), this);
    computed->setObjectName(QStringLiteral("buttonComputed"));
    ui->horizontalLayout->insertWidget(ui->horizontalLayout->indexOf(ui->buttonFilter), computed);
    connect(computed, &QPushButton::clicked, this, &ChartParameters::editComputedChannels);
    connect(ui->timeFrom, &QDateTimeEdit::dateTimeChanged, this, &ChartParameters::onTimeChanged);
    connect(ui->timeTo, &QDateTimeEdit::dateTimeChanged, this, &ChartParameters::onTimeChanged);
}

ChartParameters::~ChartParameters() = default;

QSize ChartParameters::sizeHint() const
{
    return QSize(550, QWidget::sizeHint().height());
}

int ChartParameters::preferredWidth() const
{
    const QScrollArea* area = ui->scrollArea;
    const QMargins outer = layout()->contentsMargins();
    return ui->scrollAreaWidgetContents->sizeHint().width() + 2 * area->frameWidth() +
           area->verticalScrollBar()->sizeHint().width() + outer.left() + outer.right();
}

void ChartParameters::init(ChartProtocol& chart, QMap<QString, ChartProtocol*>&)
{
    clear();

    QSet<QString> titles;
    QList<ChartParameterValueWidget*> rows;
    for (const Channel& channel : chart.channels()) {
        if (titles.contains(channel.name()))
            continue;
        titles.insert(channel.name());
        auto* row = new ChartParameterValueWidget;
        rows.append(row);
        row->setDecimals(chart.valueDecimals(channel.name()));
        row->setChannel(&channel);
        ui->scrollLayout->addWidget(row);
        connect(row, &ChartParameterValueWidget::colorChanged, this, &ChartParameters::setColor);
        connect(row, &ChartParameterValueWidget::visibleChanged, this,
                &ChartParameters::setChartVisible);
    }

    // Titles differ in length; one width for all keeps the rows in columns.
    int nameWidth = 0;
    for (const ChartParameterValueWidget* row : qAsConst(rows))
        nameWidth = qMax(nameWidth, row->nameWidth());
    for (ChartParameterValueWidget* row : qAsConst(rows))
        row->setNameWidth(nameWidth);

    const QSignalBlocker blockFrom(ui->timeFrom);
    const QSignalBlocker blockTo(ui->timeTo);
    const QDateTime start = chart.startDateTime();
    const QDateTime end = chart.endDateTime();
    ui->timeFrom->setMinimumDateTime(start);
    ui->timeFrom->setMaximumDateTime(end);
    ui->timeFrom->setDateTime(start);
    ui->timeTo->setMinimumDateTime(start);
    ui->timeTo->setMaximumDateTime(end);
    ui->timeTo->setDateTime(end);
}

QVector<Range> ChartParameters::getRange() const
{
    QVector<Range> ranges;
    for (int i = 0; i < ui->scrollLayout->count(); ++i) {
        auto* row = qobject_cast<ChartParameterValueWidget*>(ui->scrollLayout->itemAt(i)->widget());
        if (row && row->objectName() == kRowName && row->isFilterChecked())
            ranges.append(row->range());
    }
    return ranges;
}

bool ChartParameters::isFilterActive() const
{
    for (int i = 0; i < ui->scrollLayout->count(); ++i) {
        auto* row = qobject_cast<ChartParameterValueWidget*>(ui->scrollLayout->itemAt(i)->widget());
        if (row && row->objectName() == kRowName && row->isFilterChecked())
            return true;
    }
    return ui->cbTime->isChecked();
}

bool ChartParameters::isTimeFilterOn() const
{
    return ui->cbTime->isChecked();
}

void ChartParameters::showFilter(bool timeOn, const QDateTime& from, const QDateTime& to,
                                 const QVector<Range>& ranges)
{
    ui->cbTime->setChecked(timeOn);
    on_cbTime_clicked();
    if (from.isValid() && to.isValid()) {
        ui->timeFrom->setDateTime(from);
        ui->timeTo->setDateTime(to);
    }
    for (auto* row : findChildren<ChartParameterValueWidget*>(kRowName)) {
        const auto named = std::find_if(ranges.cbegin(), ranges.cend(),
                                        [row](const Range& r) { return r.name == row->name(); });
        if (named != ranges.cend())
            row->setFilter(true, named->from, named->to);
        else
            row->setFilter(false, row->range().from, row->range().to);
    }
}

std::pair<QDateTime, QDateTime> ChartParameters::getTimeRange() const
{
    return {ui->timeFrom->dateTime(), ui->timeTo->dateTime()};
}

void ChartParameters::setColor(QString name, QColor color)
{
    // Whoever keeps the colours shows them on the charts.
    emit colorChosen(name, color);
}

void ChartParameters::showChannel(const QString& name, bool visible)
{
    for (auto* row : findChildren<ChartParameterValueWidget*>(kRowName))
        if (row->name() == name)
            row->setShown(visible);
}

void ChartParameters::resetTimeRange()
{
    const QSignalBlocker blockFrom(ui->timeFrom);
    const QSignalBlocker blockTo(ui->timeTo);
    const QDateTime now = QDateTime::currentDateTime();
    for (QDateTimeEdit* edit : {ui->timeFrom, ui->timeTo}) {
        edit->clearMinimumDateTime();
        edit->clearMaximumDateTime();
        edit->setDateTime(now);
    }
}

void ChartParameters::clear()
{
    resetTimeRange();
    while (ui->scrollLayout->count() > 0) {
        QLayoutItem* item = ui->scrollLayout->takeAt(0);
        if (QWidget* row = item->widget()) {
            disconnect(row, nullptr, this, nullptr);
            delete row;
        }
        delete item;
    }
}

void ChartParameters::onTimeChanged()
{
    ui->timeFrom->setMaximumDateTime(ui->timeTo->dateTime());
    ui->timeTo->setMinimumDateTime(ui->timeFrom->dateTime());
}

void ChartParameters::on_cbTime_clicked()
{
    const bool enabled = ui->cbTime->isChecked();
    ui->timeFrom->setEnabled(enabled);
    ui->timeTo->setEnabled(enabled);
}
