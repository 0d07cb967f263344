#include "app/eventsdock.h"

#include "events/eventtable.h"
#include "events/eventtablemodel.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

EventsDock::EventsDock(QWidget* parent) : QDockWidget(tr("События"), parent)
{
    setObjectName(QStringLiteral("eventsDock"));
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    m_toolBar = new QToolBar(content);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(m_toolBar);
    m_summary = new QLabel(content);
    m_summary->setObjectName(QStringLiteral("labelEventsSummary"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_summary);

    m_model = new EventTableModel(this);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(EventTableModel::SortRole);
    m_view = new QTableView(content);
    m_view->setObjectName(QStringLiteral("tvEvents"));
    m_view->setModel(m_sorted);
    m_view->setSortingEnabled(true);
    m_view->sortByColumn(-1, Qt::AscendingOrder);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    // Rows of one height need no measuring: long lists scroll at once.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_view->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_view);
    setWidget(content);

    connect(m_view, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            emit eventChosen(m_sorted->mapToSource(index).row());
    });
    connect(m_view, &QTableView::activated, this, [this](const QModelIndex& index) {
        if (index.isValid())
            emit eventChosen(m_sorted->mapToSource(index).row());
    });
}

EventsDock::~EventsDock() = default;

void EventsDock::setTable(std::unique_ptr<EventTable> table)
{
    m_summary->setText(table ? table->summaryLines().join(QLatin1Char('\n')) : QString());
    m_summary->setVisible(!m_summary->text().isEmpty());
    m_model->setTable(std::move(table));
    // Widths from sample texts, not from every event.
    const QFontMetrics metrics = m_view->fontMetrics();
    const auto fit = [&](const QString& text) { return metrics.horizontalAdvance(text) + 24; };
    const EventTable* shown = m_model->table();
    int names = fit(tr("Событие"));
    if (shown) {
        for (const EventDefinition& definition : shown->definitions())
            names = std::max(names, fit(definition.name) + 16);
    }
    const int widths[] = {std::min(names, 320), fit(QStringLiteral("00/00/0000 00:00:00.000")),
                          fit(QStringLiteral("00/00/0000 00:00:00.000")),
                          fit(QStringLiteral("00:00:00.000")), fit(tr("до конца протокола"))};
    for (int column = 0; column < m_model->columnCount(); ++column)
        m_view->setColumnWidth(column,
                               column < 5 ? widths[column] : fit(QStringLiteral("-0000.000")));
}

QString EventsDock::summaryText() const
{
    return m_summary->text();
}

void EventsDock::selectEvent(int listRow)
{
    const QModelIndex index = m_sorted->mapFromSource(m_model->index(listRow, 0));
    if (!index.isValid())
        return;
    m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    m_view->scrollTo(index);
}
