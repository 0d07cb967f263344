#include "reports/chartpicturedialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

ChartPictureDialog::ChartPictureDialog(const ChartPictureOptions& initial, QWidget* parent)
    : QDialog(parent), cbLayout(new QComboBox), cbTheme(new QComboBox), sbWidth(new QSpinBox),
      sbHeight(new QSpinBox), sbDpi(new QSpinBox)
{
    setWindowTitle(tr("Сохранить график"));
    cbLayout->setObjectName(QStringLiteral("cbLayout"));
    cbLayout->addItem(tr("Общий график"), int(ChartPictureOptions::Layout::Common));
    cbLayout->addItem(tr("По каналам"), int(ChartPictureOptions::Layout::Channels));
    cbLayout->setCurrentIndex(cbLayout->findData(int(initial.layout)));
    cbTheme->setObjectName(QStringLiteral("cbTheme"));
    cbTheme->addItem(tr("Как на экране"), int(ChartPictureOptions::Theme::Screen));
    cbTheme->addItem(tr("Для печати (белый фон)"), int(ChartPictureOptions::Theme::Print));
    cbTheme->setCurrentIndex(cbTheme->findData(int(initial.theme)));
    for (QSpinBox* side : {sbWidth, sbHeight}) {
        side->setRange(16, 16384);
        side->setSuffix(tr(" пикс."));
    }
    sbWidth->setObjectName(QStringLiteral("sbWidth"));
    sbHeight->setObjectName(QStringLiteral("sbHeight"));
    sbWidth->setValue(initial.size.width());
    sbHeight->setValue(initial.size.height());
    sbDpi->setObjectName(QStringLiteral("sbDpi"));
    sbDpi->setRange(ChartPictureOptions::kLeastDpi - 1, ChartPictureOptions::kMostDpi);
    sbDpi->setSpecialValueText(tr("по размеру"));
    sbDpi->setSuffix(tr(" dpi"));
    sbDpi->setValue(initial.dpi > 0 ? initial.dpi : sbDpi->minimum());
    sbDpi->setToolTip(tr("Текст и линии сохраняют экранный размер при печати с этим "
                         "разрешением; «по размеру» — растут с размером рисунка"));

    auto* size = new QHBoxLayout;
    size->addWidget(sbWidth);
    size->addWidget(new QLabel(QStringLiteral("×")));
    size->addWidget(sbHeight);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(tr("Вид:"), cbLayout);
    form->addRow(tr("Оформление:"), cbTheme);
    form->addRow(tr("Размер:"), size);
    form->addRow(tr("Разрешение:"), sbDpi);
    form->addRow(buttons);
}

ChartPictureOptions ChartPictureDialog::options() const
{
    ChartPictureOptions chosen;
    chosen.layout = ChartPictureOptions::Layout(cbLayout->currentData().toInt());
    chosen.theme = ChartPictureOptions::Theme(cbTheme->currentData().toInt());
    chosen.size = QSize(sbWidth->value(), sbHeight->value());
    chosen.dpi = sbDpi->value() >= ChartPictureOptions::kLeastDpi ? sbDpi->value() : 0;
    return chosen;
}
