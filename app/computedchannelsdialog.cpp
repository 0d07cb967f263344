#include "app/computedchannelsdialog.h"

#include "app/formuladialogparts.h"
#include "app/formulaproblemview.h"
#include "formula/formulacheck.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

ComputedChannelsDialog::ComputedChannelsDialog(const ComputedChannels& channels,
                                               const QStringList& loggedCodes, QWidget* parent)
    : QDialog(parent), m_logged(loggedCodes)
{
    setObjectName(QStringLiteral("ComputedChannelsDialog"));
    setWindowTitle(tr("Вычисляемые каналы"));
    auto* layout = new QVBoxLayout(this);

    m_table = new QTableWidget(0, 4, this);
    m_table->setObjectName(QStringLiteral("twComputed"));
    m_table->setHorizontalHeaderLabels({tr("Код"), tr("Название"), tr("Знаков"), tr("Формула")});
    m_table->horizontalHeader()->setSectionResizeMode(FormulaColumn, QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(m_table);

    auto* rowButtons = new QHBoxLayout;
    auto* add = new QPushButton(tr("Добавить"), this);
    add->setObjectName(QStringLiteral("btComputedAdd"));
    auto* remove = new QPushButton(tr("Удалить"), this);
    remove->setObjectName(QStringLiteral("btComputedRemove"));
    rowButtons->addWidget(add);
    rowButtons->addWidget(remove);
    rowButtons->addStretch();
    layout->addLayout(rowButtons);

    m_problem = new FormulaProblemView(QStringLiteral("Computed"), this);
    layout->addWidget(m_problem);

    auto* help =
        new QLabel(tr("Коды каналов: %1\nОперации: + - * / ^, сравнения < > <= >= == !=, условие a "
                      "> b ? x : y\n"
                      "Функции: sqrt abs min max avg sum exp ln log10 sin cos tan sign rint")
                       .arg(formulaCodesText(loggedCodes)),
                   this);
    help->setWordWrap(true);
    layout->addWidget(help);

    m_buttons = saveCancelButtons(this, [this] { return canSave(); });
    layout->addWidget(m_buttons);

    connect(add, &QPushButton::clicked, this, &ComputedChannelsDialog::addChannel);
    connect(remove, &QPushButton::clicked, this, &ComputedChannelsDialog::removeChannel);
    connect(m_table, &QTableWidget::itemChanged, this, [this] {
        if (!m_filling)
            check();
    });

    for (const ComputedChannel& channel : channels)
        addRow(channel);
    resize(760, 420);
    check();
}

void ComputedChannelsDialog::addRow(const ComputedChannel& channel)
{
    m_filling = true;
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_table->setItem(row, CodeColumn, new QTableWidgetItem(channel.code));
    m_table->setItem(row, NameColumn, new QTableWidgetItem(channel.name));
    m_table->setItem(row, DecimalsColumn, new QTableWidgetItem(QString::number(channel.decimals)));
    m_table->setItem(row, FormulaColumn, new QTableWidgetItem(channel.formula));
    m_filling = false;
}

void ComputedChannelsDialog::addChannel()
{
    // A free code, so that the new row starts out sound but for its formula.
    QStringList taken = m_logged;
    for (int row = 0; row < m_table->rowCount(); ++row)
        taken.append(m_table->item(row, CodeColumn)->text().trimmed());
    addRow({nextFreeCode(taken), QString(), 2, QString()});
    m_table->setCurrentCell(m_table->rowCount() - 1, FormulaColumn);
    check();
}

void ComputedChannelsDialog::removeChannel()
{
    const int row = m_table->currentRow();
    if (row < 0)
        return;
    m_table->removeRow(row);
    check();
}

ComputedChannels ComputedChannelsDialog::channels() const
{
    ComputedChannels list;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        ComputedChannel channel;
        channel.code = m_table->item(row, CodeColumn)->text().trimmed();
        channel.name = m_table->item(row, NameColumn)->text().trimmed();
        bool number = false;
        channel.decimals = m_table->item(row, DecimalsColumn)->text().trimmed().toInt(&number);
        if (!number)
            channel.decimals = -1; // refused by the check
        channel.formula = m_table->item(row, FormulaColumn)->text();
        list.push_back(channel);
    }
    return list;
}

QString ComputedChannelsDialog::problemText() const
{
    return m_problem->text();
}

bool ComputedChannelsDialog::canSave() const
{
    return m_buttons->button(QDialogButtonBox::Save)->isEnabled();
}

void ComputedChannelsDialog::check()
{
    const ComputedChannels list = channels();
    const ComputedCheck verdict = checkComputedChannels(list, m_logged);
    m_filling = true;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const bool refused =
            std::find(verdict.refused.begin(), verdict.refused.end(), row) != verdict.refused.end();
        for (int column = 0; column < m_table->columnCount(); ++column)
            m_table->item(row, column)->setBackground(refused ? QColor(255, 220, 220) : QBrush());
    }
    m_filling = false;
    m_problem->showProblems(verdict.problems,
                            verdict.firstBad >= 0 ? list[size_t(verdict.firstBad)].formula
                                                  : QString(),
                            verdict.firstBad >= 0 ? verdict.firstBadPosition : -1);
    m_buttons->button(QDialogButtonBox::Save)->setEnabled(verdict.ok());
}
