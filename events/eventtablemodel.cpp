#include "events/eventtablemodel.h"

#include <QColor>

EventTableModel::EventTableModel(QObject* parent) : QAbstractTableModel(parent) {}

EventTableModel::~EventTableModel() = default;

void EventTableModel::setTable(std::unique_ptr<EventTable> table)
{
    beginResetModel();
    m_table = std::move(table);
    endResetModel();
}

int EventTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_table ? 0 : m_table->rowCount();
}

int EventTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_table ? 0 : m_table->columnCount() - 1;
}

QVariant EventTableModel::data(const QModelIndex& index, int role) const
{
    if (!m_table || !index.isValid())
        return QVariant();
    const int column = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
        return m_table->text(index.row(), column);
    case SortRole:
        return m_table->sortValue(index.row(), column);
    case EventRole:
        return index.row();
    case Qt::DecorationRole:
        if (column == EventTable::NameColumn) {
            const int definition = m_table->event(index.row()).definition;
            return m_table->definitions()[size_t(definition)].color;
        }
        return QVariant();
    case Qt::TextAlignmentRole:
        return column >= EventTable::FirstValueColumn ? int(Qt::AlignRight | Qt::AlignVCenter)
                                                      : int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant EventTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!m_table || orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_table->headerText(section + 1);
}
