#include "statistics/statisticspanel.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

StatisticsPanel::StatisticsPanel(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("labelStatistics"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_bookmarks = new QCheckBox(QStringLiteral("Статистика между закладками"), this);
    m_bookmarks->setObjectName(QStringLiteral("cbStatisticsBookmarks"));
    m_bookmarks->setToolTip(QStringLiteral("Считать между закладками слева и справа от курсора"));
    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("twStatistics"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    // The channel names stand in the row header, which stays put while the
    // figures scroll sideways in a narrow dock.
    m_table->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_table->verticalHeader()->setHighlightSections(false);
    m_table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_copy = new QPushButton(QStringLiteral("Копировать"), this);
    m_copy->setObjectName(QStringLiteral("buttonStatisticsCopy"));
    m_copy->setToolTip(QStringLiteral("Скопировать таблицу в буфер обмена"));
    m_copy->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_bookmarks);
    buttons->addStretch();
    buttons->addWidget(m_copy);
    layout->addWidget(m_summary);
    layout->addLayout(buttons);
    layout->addWidget(m_table, 1);

    connect(m_copy, &QPushButton::clicked, this, &StatisticsPanel::copyRequested);
    connect(m_bookmarks, &QCheckBox::toggled, this, &StatisticsPanel::betweenBookmarksChanged);
}

void StatisticsPanel::showFigures(const QString& from, const QString& to, const QString& duration,
                                  const QStringList& headers, const QVector<QStringList>& rows)
{
    m_summary->setText(QStringLiteral("%1 — %2\nΔt = %3").arg(from, to, duration));
    if (m_table->columnCount() != headers.size()) {
        m_table->setColumnCount(headers.size());
        m_table->setHorizontalHeaderLabels(headers);
    }
    m_table->setRowCount(rows.size());
    QStringList names;
    for (const QStringList& row : rows)
        names.append(row.value(0));
    m_table->setVerticalHeaderLabels(names);
    // The first column holds the same names; the row header shows them.
    m_table->setColumnHidden(0, !headers.isEmpty());
    // Rows are refilled on every cursor move: items are reused, not remade.
    for (int row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < headers.size(); ++column) {
            QTableWidgetItem* item = m_table->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                if (column > 0)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                m_table->setItem(row, column, item);
            }
            item->setText(rows[row].value(column));
        }
    }
    m_table->resizeColumnsToContents();
    m_copy->setEnabled(true);
}

int StatisticsPanel::preferredWidth() const
{
    int table = m_table->verticalHeader()->sizeHint().width() + 2 * m_table->frameWidth() +
                m_table->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < m_table->columnCount(); ++column) {
        if (!m_table->isColumnHidden(column))
            table += m_table->columnWidth(column);
    }
    const QMargins outer = layout()->contentsMargins();
    return qMax(table + outer.left() + outer.right(), layout()->sizeHint().width());
}

void StatisticsPanel::showHint(const QString& hint)
{
    m_summary->setText(hint);
    m_table->setRowCount(0);
    m_copy->setEnabled(false);
}

bool StatisticsPanel::betweenBookmarks() const
{
    return m_bookmarks->isChecked();
}

QString StatisticsPanel::summaryText() const
{
    return m_summary->text();
}
