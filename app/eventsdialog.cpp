#include "app/eventsdialog.h"

#include "app/formuladialogparts.h"
#include "app/formulaproblemview.h"
#include "formula/formulacheck.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// Durations the user left empty are none.
qint64 durationOf(const QTableWidgetItem* item, bool& ok)
{
    const QString text = item ? item->text().trimmed() : QString();
    qint64 ms = 0;
    ok = text.isEmpty() || parseDuration(text, ms);
    return ok ? ms : -1;
}
} // namespace

EventsDialog::EventsDialog(const EventDefinitions& definitions, const QStringList& codes,
                           QWidget* parent)
    : QDialog(parent), m_codes(codes)
{
    setObjectName(QStringLiteral("EventsDialog"));
    setWindowTitle(tr("События"));
    auto* layout = new QVBoxLayout(this);

    m_table = new QTableWidget(0, 5, this);
    m_table->setObjectName(QStringLiteral("twEvents"));
    m_table->setHorizontalHeaderLabels(
        {tr("Имя"), tr("Условие"), tr("Не короче"), tr("Объединять ближе"), tr("Цвет")});
    m_table->horizontalHeader()->setSectionResizeMode(ConditionColumn, QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(m_table);

    auto* rowButtons = new QHBoxLayout;
    auto* add = new QPushButton(tr("Добавить"), this);
    add->setObjectName(QStringLiteral("btEventAdd"));
    auto* remove = new QPushButton(tr("Удалить"), this);
    remove->setObjectName(QStringLiteral("btEventRemove"));
    rowButtons->addWidget(add);
    rowButtons->addWidget(remove);
    rowButtons->addStretch();
    layout->addLayout(rowButtons);

    m_problem = new FormulaProblemView(QStringLiteral("Events"), this);
    layout->addWidget(m_problem);

    auto* help = new QLabel(
        tr("Условие — формула над кодами каналов, событие идет, пока она не равна 0, "
           "например: U1 < 207 || U1 > 253\nКоды каналов: %1\n"
           "Длительности: 250ms, 1.5s, 2min, 1h или 00:00:01.250. Строка без значения "
           "входа завершает событие; события не объединяются через разрыв между протоколами "
           "длиннее интервала объединения. Двойной щелчок по цвету меняет его.")
            .arg(formulaCodesText(codes)),
        this);
    help->setWordWrap(true);
    layout->addWidget(help);

    m_buttons = saveCancelButtons(this, [this] { return canSave(); });
    layout->addWidget(m_buttons);

    connect(add, &QPushButton::clicked, this, &EventsDialog::addDefinition);
    connect(remove, &QPushButton::clicked, this, &EventsDialog::removeDefinition);
    connect(m_table, &QTableWidget::itemChanged, this, [this] {
        if (!m_filling)
            check();
    });
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (column != ColorColumn)
            return;
        QTableWidgetItem* item = m_table->item(row, ColorColumn);
        const QColor color = QColorDialog::getColor(item->background().color(), this);
        if (color.isValid()) {
            item->setBackground(color);
            item->setText(color.name());
        }
    });

    for (const EventDefinition& definition : definitions)
        addRow(definition);
    resize(860, 420);
    check();
}

void EventsDialog::addRow(const EventDefinition& definition)
{
    m_filling = true;
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_table->setItem(row, NameColumn, new QTableWidgetItem(definition.name));
    m_table->setItem(row, ConditionColumn, new QTableWidgetItem(definition.condition));
    m_table->setItem(
        row, MinColumn,
        new QTableWidgetItem(definition.minMs ? durationText(definition.minMs) : QString()));
    m_table->setItem(
        row, JoinColumn,
        new QTableWidgetItem(definition.joinMs ? durationText(definition.joinMs) : QString()));
    const QColor color = definition.color.isValid() ? definition.color : defaultEventColor(row);
    auto* colorItem = new QTableWidgetItem(color.name());
    colorItem->setBackground(color);
    colorItem->setFlags(colorItem->flags() & ~Qt::ItemIsEditable);
    m_table->setItem(row, ColorColumn, colorItem);
    m_filling = false;
}

void EventsDialog::addDefinition()
{
    EventDefinition definition;
    QSet<QString> taken;
    for (int row = 0; row < m_table->rowCount(); ++row)
        taken.insert(m_table->item(row, NameColumn)->text().trimmed());
    int n = m_table->rowCount() + 1;
    while (taken.contains(tr("Событие %1").arg(n)))
        ++n;
    definition.name = tr("Событие %1").arg(n);
    addRow(definition);
    m_table->setCurrentCell(m_table->rowCount() - 1, ConditionColumn);
    check();
}

void EventsDialog::removeDefinition()
{
    const int row = m_table->currentRow();
    if (row < 0)
        return;
    m_table->removeRow(row);
    check();
}

EventDefinitions EventsDialog::definitions() const
{
    EventDefinitions list;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        EventDefinition definition;
        definition.name = m_table->item(row, NameColumn)->text().trimmed();
        definition.condition = m_table->item(row, ConditionColumn)->text();
        bool ok = false;
        definition.minMs = durationOf(m_table->item(row, MinColumn), ok);
        definition.joinMs = durationOf(m_table->item(row, JoinColumn), ok);
        definition.color = QColor(m_table->item(row, ColorColumn)->text());
        list.push_back(definition);
    }
    return list;
}

QString EventsDialog::problemText() const
{
    return m_problem->text();
}

bool EventsDialog::canSave() const
{
    return m_buttons->button(QDialogButtonBox::Save)->isEnabled();
}

void EventsDialog::check()
{
    const EventDefinitions list = definitions();
    std::vector<int> refused;
    QStringList problems = checkEventDefinitions(list, m_codes, &refused);
    // Durations first: a typing error there would read as "below zero".
    for (int row = 0; row < m_table->rowCount(); ++row) {
        for (const int column : {int(MinColumn), int(JoinColumn)}) {
            bool ok = false;
            durationOf(m_table->item(row, column), ok);
            if (!ok)
                problems.replaceInStrings(
                    QStringLiteral("событие «%1»: длительность не может быть меньше нуля")
                        .arg(list[size_t(row)].name),
                    QStringLiteral("событие «%1»: длительность «%2» непонятна (например 1.5s, "
                                   "250ms, 00:00:02)")
                        .arg(list[size_t(row)].name, m_table->item(row, column)->text()));
        }
    }
    m_filling = true;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const bool bad = std::find(refused.begin(), refused.end(), row) != refused.end();
        for (int column = 0; column < ColorColumn; ++column)
            m_table->item(row, column)->setBackground(bad ? QColor(255, 220, 220) : QBrush());
    }
    m_filling = false;
    QString formula;
    int position = -1;
    if (!refused.empty()) {
        formula = list[size_t(refused.front())].condition;
        position = checkFormula(formula, m_codes).position;
    }
    m_problem->showProblems(problems, formula, position);
    m_buttons->button(QDialogButtonBox::Save)->setEnabled(problems.isEmpty());
}
