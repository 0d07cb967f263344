#include "app/dataexportdialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
const QString kTimeFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss.zzz");
} // namespace

DataExportDialog::DataExportDialog(const DataExportChoice& choice, QWidget* parent)
    : QDialog(parent), m_choice(choice)
{
    setWindowTitle(tr("Экспорт данных"));
    auto* layout = new QVBoxLayout(this);

    auto* formatRow = new QFormLayout;
    m_format = new QComboBox;
    m_format->setObjectName(QStringLiteral("exportFormat"));
    m_format->addItem(tr("HDF5 (*.h5) — Python, MATLAB"), int(ExportFormat::Hdf5));
    m_format->addItem(tr("MATLAB (*.mat)"), int(ExportFormat::Mat));
    m_format->setCurrentIndex(choice.format == ExportFormat::Mat ? 1 : 0);
    formatRow->addRow(tr("Формат:"), m_format);
    layout->addLayout(formatRow);

    auto* rangeBox = new QGroupBox(tr("Строки"));
    auto* rangeLayout = new QVBoxLayout(rangeBox);
    m_range = new QButtonGroup(this);
    const auto addRange = [&](const QString& text, DataExportChoice::Range range) {
        auto* button = new QRadioButton(text);
        button->setObjectName(QStringLiteral("exportRange%1").arg(int(range)));
        m_range->addButton(button, int(range));
        rangeLayout->addWidget(button);
        return button;
    };
    addRange(tr("Все загруженные"), DataExportChoice::Range::All);
    addRange(tr("Между курсорами"), DataExportChoice::Range::Cursors)
        ->setEnabled(choice.hasCursors);
    addRange(tr("За период:"), DataExportChoice::Range::FromTo);
    auto* limits = new QFormLayout;
    m_from = new QDateTimeEdit(choice.from.isValid() ? choice.from : choice.first);
    m_to = new QDateTimeEdit(choice.to.isValid() ? choice.to : choice.last);
    for (QDateTimeEdit* edit : {m_from, m_to}) {
        edit->setDisplayFormat(kTimeFormat);
        edit->setCalendarPopup(true);
    }
    limits->addRow(tr("с"), m_from);
    limits->addRow(tr("по"), m_to);
    rangeLayout->addLayout(limits);
    m_range
        ->button(int(choice.range == DataExportChoice::Range::Cursors && !choice.hasCursors
                         ? DataExportChoice::Range::All
                         : choice.range))
        ->setChecked(true);
    layout->addWidget(rangeBox);

    auto* channelBox = new QGroupBox(tr("Каналы"));
    auto* channelLayout = new QVBoxLayout(channelBox);
    m_visible = new QRadioButton(tr("Видимые на графике (%1)").arg(choice.visibleCodes.size()));
    auto* chosen = new QRadioButton(tr("Выбранные:"));
    chosen->setObjectName(QStringLiteral("exportChosen"));
    m_visible->setChecked(choice.visibleOnly);
    chosen->setChecked(!choice.visibleOnly);
    m_channels = new QListWidget;
    m_channels->setObjectName(QStringLiteral("exportChannels"));
    const QStringList ticked =
        choice.chosenCodes.isEmpty() ? choice.visibleCodes : choice.chosenCodes;
    for (int i = 0; i < choice.codes.size(); ++i) {
        auto* item = new QListWidgetItem(choice.titles.value(i, choice.codes[i]), m_channels);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(ticked.contains(choice.codes[i]) ? Qt::Checked : Qt::Unchecked);
    }
    channelLayout->addWidget(m_visible);
    channelLayout->addWidget(chosen);
    channelLayout->addWidget(m_channels);
    layout->addWidget(channelBox);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Экспорт…"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_range, &QButtonGroup::idClicked, this, &DataExportDialog::updateEnabled);
    connect(m_visible, &QRadioButton::toggled, this, &DataExportDialog::updateEnabled);
    connect(m_channels, &QListWidget::itemChanged, this, &DataExportDialog::updateEnabled);
    connect(m_from, &QDateTimeEdit::dateTimeChanged, this, &DataExportDialog::updateEnabled);
    connect(m_to, &QDateTimeEdit::dateTimeChanged, this, &DataExportDialog::updateEnabled);
    m_okButton = buttons->button(QDialogButtonBox::Ok);
    updateEnabled();
}

DataExportChoice DataExportDialog::choice() const
{
    DataExportChoice choice = m_choice;
    choice.format = ExportFormat(m_format->currentData().toInt());
    choice.range = DataExportChoice::Range(m_range->checkedId());
    choice.from = m_from->dateTime();
    choice.to = m_to->dateTime();
    choice.visibleOnly = m_visible->isChecked();
    choice.chosenCodes.clear();
    for (int i = 0; i < m_channels->count(); ++i) {
        if (m_channels->item(i)->checkState() == Qt::Checked)
            choice.chosenCodes.append(m_choice.codes.value(i));
    }
    return choice;
}

void DataExportDialog::updateEnabled()
{
    const bool fromTo = m_range->checkedId() == int(DataExportChoice::Range::FromTo);
    m_from->setEnabled(fromTo);
    m_to->setEnabled(fromTo);
    m_channels->setEnabled(!m_visible->isChecked());
    // Nothing to write is not offered: no channel, or limits the wrong way round.
    const DataExportChoice now = choice();
    m_okButton->setEnabled(!now.exportedCodes().isEmpty() && (!fromTo || now.from <= now.to));
}
