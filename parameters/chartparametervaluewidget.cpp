#include "parameters/chartparametervaluewidget.h"

#include "chartdata/channel.h"

#include "ui_chartparametervaluewidget.h"

#include <QColorDialog>
#include <QSignalBlocker>

ChartParameterValueWidget::ChartParameterValueWidget(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ChartParameterValueWidget>()), m_color(Qt::red)
{
    ui->setupUi(this);
    // The panel lists rows in a scroll area: a row keeps the height its
    // fields need and the list scrolls, rather than squeezing the fields.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    keepNaturalHeight();
    connect(ui->gbFilter, &QGroupBox::toggled, this,
            &ChartParameterValueWidget::setParametersEnabled);
    connect(ui->sbFrom, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            &ChartParameterValueWidget::onValueChanged);
    connect(ui->sbTo, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            &ChartParameterValueWidget::onValueChanged);
}

ChartParameterValueWidget::~ChartParameterValueWidget() = default;

void ChartParameterValueWidget::keepNaturalHeight()
{
    ensurePolished();
    // The form's minimum is lower than the filter box needs at this font.
    setMinimumHeight(qMax(kFormMinimumHeight, sizeHint().height()));
}

void ChartParameterValueWidget::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        keepNaturalHeight();
}

void ChartParameterValueWidget::setDecimals(int decimals)
{
    const QSignalBlocker blockFrom(ui->sbFrom);
    const QSignalBlocker blockTo(ui->sbTo);
    ui->sbFrom->setDecimals(decimals);
    ui->sbTo->setDecimals(decimals);
}

void ChartParameterValueWidget::setChannel(const Channel* channel)
{
    if (!channel)
        return;
    ui->labelName->setText(channel->name());
    ui->gbFilter->setChecked(false);
    setParametersEnabled(false);
    {
        const QSignalBlocker blockFrom(ui->sbFrom);
        const QSignalBlocker blockTo(ui->sbTo);
        ui->sbFrom->setRange(channel->minimum(), channel->maximum());
        ui->sbTo->setRange(channel->minimum(), channel->maximum());
        ui->sbFrom->setValue(channel->minimum());
        ui->sbTo->setValue(channel->maximum());
    }
    setColor(channel->pen().color());
}

void ChartParameterValueWidget::setColor(QColor color)
{
    if (!color.isValid())
        return;
    m_color = color;
    ui->buttonColor->setStyleSheet(
        QStringLiteral("width: 35px; height: 20px; background-color: %1; border: none;")
            .arg(color.name()));
    emit colorChanged(ui->labelName->text(), color);
}

int ChartParameterValueWidget::nameWidth() const
{
    return ui->labelName->sizeHint().width();
}

void ChartParameterValueWidget::setNameWidth(int width)
{
    ui->labelName->setMinimumWidth(width);
}

bool ChartParameterValueWidget::isFilterChecked() const
{
    return ui->gbFilter->isChecked();
}

Range ChartParameterValueWidget::range() const
{
    return Range{ui->labelName->text(), ui->sbFrom->value(), ui->sbTo->value()};
}

void ChartParameterValueWidget::setFilter(bool checked, double from, double to)
{
    ui->gbFilter->setChecked(checked);
    ui->sbFrom->setValue(from);
    ui->sbTo->setValue(to);
}

void ChartParameterValueWidget::onValueChanged()
{
    ui->sbFrom->setMaximum(ui->sbTo->value());
    ui->sbTo->setMinimum(ui->sbFrom->value());
}

void ChartParameterValueWidget::setParametersEnabled(bool enabled)
{
    ui->sbFrom->setEnabled(enabled);
    ui->sbTo->setEnabled(enabled);
}

void ChartParameterValueWidget::on_buttonColor_clicked()
{
    setColor(QColorDialog::getColor(m_color, this, QString()));
}

QString ChartParameterValueWidget::name() const
{
    return ui->labelName->text();
}

bool ChartParameterValueWidget::isShown() const
{
    return ui->cbVisible->isChecked();
}

void ChartParameterValueWidget::setShown(bool shown)
{
    const QSignalBlocker blocker(ui->cbVisible);
    ui->cbVisible->setChecked(shown);
    showVisibleText();
}

void ChartParameterValueWidget::showVisibleText()
{
    ui->cbVisible->setText(ui->cbVisible->isChecked() ? tr("Скрыть") : tr("Показать"));
}

void ChartParameterValueWidget::on_cbVisible_clicked()
{
    showVisibleText();
    emit visibleChanged(ui->labelName->text(), ui->cbVisible->isChecked());
}
