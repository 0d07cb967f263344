#include "app/comparisonpanel.h"

#include "chart/chartprotocol.h"
#include "compare/comparison.h"
#include "compare/comparisonsession.h"
#include "compare/relativetime.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
struct Step
{
    const char* text;
    qint64 msecs;
};
const Step kSteps[] = {{"0,1 с", 100},       {"1 с", 1000},          {"10 с", 10000},
                       {"1 мин", 60 * 1000}, {"10 мин", 600 * 1000}, {"1 ч", 3600 * 1000}};
constexpr int kDefaultStep = 1;

// A short stretch of the protocol's line style, as its curves are drawn.
QPixmap styleSample(int protocol)
{
    QPixmap pixmap(36, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QPen pen = ChartProtocol::comparedPen(QColor(40, 40, 40), protocol);
    painter.setPen(pen);
    painter.drawLine(2, 6, 34, 6);
    return pixmap;
}
} // namespace

ComparisonPanel::ComparisonPanel(ComparisonSession& session, QWidget* parent)
    : QWidget(parent), m_session(session)
{
    auto* layout = new QVBoxLayout(this);

    auto* stepRow = new QHBoxLayout;
    stepRow->addWidget(new QLabel(tr("Шаг сдвига:"), this));
    m_step = new QComboBox(this);
    for (const Step& step : kSteps)
        m_step->addItem(QString::fromUtf8(step.text), step.msecs);
    m_step->setCurrentIndex(kDefaultStep);
    stepRow->addWidget(m_step);
    stepRow->addStretch();
    layout->addLayout(stepRow);

    for (int p = 0; p < session.protocolCount(); ++p)
        layout->addWidget(protocolRow(p));

    auto* conditionRow = new QHBoxLayout;
    auto* condition = new QLineEdit(this);
    condition->setObjectName(QStringLiteral("condition"));
    condition->setPlaceholderText(tr("Условие, например U1 > 200"));
    auto* alignAll = new QPushButton(tr("Совместить все по условию"), this);
    alignAll->setObjectName(QStringLiteral("alignAll"));
    conditionRow->addWidget(condition, 1);
    conditionRow->addWidget(alignAll);
    layout->addLayout(conditionRow);
    connect(alignAll, &QPushButton::clicked, this, &ComparisonPanel::alignAllByCondition);
    connect(condition, &QLineEdit::returnPressed, this, &ComparisonPanel::alignAllByCondition);

    layout->addWidget(differenceRow());
    layout->addWidget(formulaRow());
    layout->addStretch();
    refresh();
}

QWidget* ComparisonPanel::protocolRow(int protocol)
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 4, 0, 4);
    auto* sample = new QLabel(box);
    sample->setPixmap(styleSample(protocol));
    grid->addWidget(sample, 0, 0);
    auto* name = new QLabel(QStringLiteral("[%1] %2  %3")
                                .arg(protocol + 1)
                                .arg(m_session.label(protocol),
                                     QFileInfo(m_session.files().value(protocol)).fileName()),
                            box);
    name->setToolTip(m_session.files().value(protocol));
    grid->addWidget(name, 0, 1, 1, 4);

    Row row;
    row.rule = new QComboBox(box);
    row.rule->setObjectName(QStringLiteral("rule%1").arg(protocol + 1));
    row.rule->addItem(tr("По началу"));
    for (const Bookmark& bookmark : m_session.bookmarks(protocol)) {
        const QString note = bookmark.note.isEmpty() ? tr("без заметки") : bookmark.note;
        row.rule->addItem(tr("По закладке: %1").arg(note), bookmark.note);
    }
    row.rule->addItem(tr("По условию"));
    grid->addWidget(row.rule, 1, 1);
    connect(row.rule, QOverload<int>::of(&QComboBox::activated), this,
            [this, protocol](int index) { chooseRule(protocol, index); });

    row.shift = new QLabel(box);
    row.shift->setObjectName(QStringLiteral("shift%1").arg(protocol + 1));
    grid->addWidget(row.shift, 1, 2);
    auto* earlier = new QPushButton(QStringLiteral("−"), box);
    auto* later = new QPushButton(QStringLiteral("+"), box);
    earlier->setObjectName(QStringLiteral("earlier%1").arg(protocol + 1));
    later->setObjectName(QStringLiteral("later%1").arg(protocol + 1));
    earlier->setToolTip(tr("Сдвинуть кривые протокола влево на шаг"));
    later->setToolTip(tr("Сдвинуть кривые протокола вправо на шаг"));
    for (QPushButton* button : {earlier, later})
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("MM")) + 8);
    grid->addWidget(earlier, 1, 3);
    grid->addWidget(later, 1, 4);
    connect(earlier, &QPushButton::clicked, this, [this, protocol] { shiftBy(protocol, -1); });
    connect(later, &QPushButton::clicked, this, [this, protocol] { shiftBy(protocol, 1); });

    row.problem = new QLabel(box);
    row.problem->setWordWrap(true);
    row.problem->setStyleSheet(QStringLiteral("color: #c00000"));
    grid->addWidget(row.problem, 2, 1, 1, 4);
    grid->setColumnStretch(1, 1);
    m_rows.append(row);
    m_conditions.append(QString());
    return box;
}

QWidget* ComparisonPanel::differenceRow()
{
    auto* box = new QWidget(this);
    auto* line = new QHBoxLayout(box);
    line->setContentsMargins(0, 8, 0, 0);
    line->addWidget(new QLabel(tr("Разность:"), box));
    m_differenceCode = new QComboBox(box);
    m_differenceCode->addItems(m_session.comparison().codes());
    m_differenceProtocol = new QComboBox(box);
    for (int p = 1; p < m_session.protocolCount(); ++p)
        m_differenceProtocol->addItem(QStringLiteral("[%1] − [1]").arg(p + 1), p);
    m_difference = new QPushButton(box);
    m_difference->setObjectName(QStringLiteral("difference"));
    line->addWidget(m_differenceCode);
    line->addWidget(m_differenceProtocol);
    line->addWidget(m_difference);
    line->addStretch();
    connect(m_difference, &QPushButton::clicked, this, &ComparisonPanel::toggleDifference);
    connect(m_differenceCode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ComparisonPanel::showDifferenceButton);
    connect(m_differenceProtocol, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ComparisonPanel::showDifferenceButton);
    return box;
}

QWidget* ComparisonPanel::formulaRow()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 4, 0, 0);
    auto* formula = new QLineEdit(box);
    formula->setObjectName(QStringLiteral("formula"));
    formula->setPlaceholderText(tr("Формула, например D=U1_2-U1_1"));
    formula->setToolTip(tr("Канал, вычисляемый по сравнению: U1_2 — значение U1 протокола [2], "
                           "dU1_2 — разность U1 [2]−[1]. Пустое выражение (D=) убирает канал D."));
    auto* add = new QPushButton(tr("Вычислить"), box);
    add->setObjectName(QStringLiteral("addFormula"));
    m_formulaProblem = new QLabel(box);
    m_formulaProblem->setWordWrap(true);
    m_formulaProblem->setStyleSheet(QStringLiteral("color: #c00000"));
    grid->addWidget(formula, 0, 0);
    grid->addWidget(add, 0, 1);
    grid->addWidget(m_formulaProblem, 1, 0, 1, 2);
    connect(add, &QPushButton::clicked, this, &ComparisonPanel::addFormula);
    connect(formula, &QLineEdit::returnPressed, this, &ComparisonPanel::addFormula);
    return box;
}

void ComparisonPanel::addFormula()
{
    const QString text = findChild<QLineEdit*>(QStringLiteral("formula"))->text().trimmed();
    // "D=" takes the channel D away.
    if (text.endsWith(QLatin1Char('=')) && text.count(QLatin1Char('=')) == 1) {
        m_session.removeFormula(text.chopped(1).trimmed());
        m_formulaProblem->clear();
        emit differencesChanged();
        return;
    }
    QString error;
    const bool added = m_session.addFormula(text, error);
    m_formulaProblem->setText(added ? QString() : error);
    if (added)
        emit differencesChanged();
}

qint64 ComparisonPanel::step() const
{
    return m_step->currentData().toLongLong();
}

void ComparisonPanel::refresh()
{
    for (int p = 0; p < m_rows.size(); ++p) {
        const Row& row = m_rows[p];
        const AlignmentRule rule = m_session.rule(p);
        int index = 0;
        if (rule.kind == AlignmentRule::Kind::Bookmark)
            index = std::max(0, row.rule->findData(rule.text));
        else if (rule.kind == AlignmentRule::Kind::Condition)
            index = row.rule->count() - 1;
        row.rule->setCurrentIndex(index);
        row.rule->setToolTip(rule.kind == AlignmentRule::Kind::Condition ? rule.text : QString());
        row.shift->setText(tr("Сдвиг %1").arg(relativeTimeText(m_session.shift(p))));
    }
    showDifferenceButton();
}

void ComparisonPanel::chooseRule(int protocol, int index)
{
    Row& row = m_rows[protocol];
    AlignmentRule rule;
    if (index == row.rule->count() - 1) {
        const auto* condition = findChild<QLineEdit*>(QStringLiteral("condition"));
        rule.kind = AlignmentRule::Kind::Condition;
        rule.text = condition->text().trimmed();
        if (rule.text.isEmpty()) {
            row.problem->setText(tr("Впишите условие в поле под протоколами"));
            refresh();
            return;
        }
    } else if (index > 0) {
        rule.kind = AlignmentRule::Kind::Bookmark;
        rule.text = row.rule->itemData(index).toString();
    }
    QString error;
    const bool applied = m_session.setRule(protocol, rule, error);
    row.problem->setText(applied ? QString() : error);
    refresh();
    emit alignmentChanged();
}

void ComparisonPanel::shiftBy(int protocol, int steps)
{
    m_session.setShift(protocol, m_session.shift(protocol) + steps * step());
    m_session.rebuildRows();
    refresh();
    emit alignmentChanged();
}

void ComparisonPanel::alignAllByCondition()
{
    for (int p = 0; p < m_rows.size(); ++p)
        chooseRule(p, m_rows[p].rule->count() - 1);
}

void ComparisonPanel::toggleDifference()
{
    const QString code = m_differenceCode->currentText();
    const int protocol = m_differenceProtocol->currentData().toInt();
    if (code.isEmpty() || protocol < 1)
        return;
    const auto& list = m_session.differences();
    const bool shown = std::any_of(list.cbegin(), list.cend(), [&](const auto& d) {
        return d.code == code && d.protocol == protocol;
    });
    if (shown)
        m_session.removeDifference(code, protocol);
    else
        m_session.addDifference(code, protocol);
    showDifferenceButton();
    emit differencesChanged();
}

void ComparisonPanel::showDifferenceButton()
{
    const QString code = m_differenceCode->currentText();
    const int protocol = m_differenceProtocol->currentData().toInt();
    const auto& list = m_session.differences();
    const bool shown = std::any_of(list.cbegin(), list.cend(), [&](const auto& d) {
        return d.code == code && d.protocol == protocol;
    });
    m_difference->setText(shown ? tr("Убрать") : tr("Показать"));
    m_difference->setEnabled(!code.isEmpty() && protocol >= 1);
}
