#pragma once

#include "events/eventtable.h"

#include <QAbstractTableModel>

#include <memory>

// The event table for views: one row per event, texts made for the rows
// shown, SortRole a number for every column so that a sort proxy orders
// times, durations and values as numbers. The bookmark column of the
// reports is left out: view column c is table column c + 1.
class EventTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int SortRole = Qt::UserRole + 1;
    static constexpr int EventRole = Qt::UserRole + 2; // the row in the event list

    explicit EventTableModel(QObject* parent = nullptr);
    ~EventTableModel() override;

    void setTable(std::unique_ptr<EventTable> table);
    const EventTable* table() const { return m_table.get(); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::unique_ptr<EventTable> m_table;
};
