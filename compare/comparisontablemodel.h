#pragma once

#include "table/range.h"

#include <QAbstractTableModel>

#include <memory>
#include <vector>

class ComparisonTable;

// The comparison's table as a view shows it: column 0 the relative time
// ("+00:12:30.250"), then a column per channel and protocol ("U1 [1]") and
// the difference channels; an empty cell where a protocol has no record.
// Sorting by any column keeps equal and empty cells in time order, empty
// ones last. While the filter is on, a row shows when its time lies in the
// window and, for every range, one of its cells of that code (any protocol)
// lies within the bounds.
class ComparisonTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ComparisonTableModel(QObject* parent = nullptr);
    ~ComparisonTableModel() override;

    // A new table (after a rebuild of the rows): sort and filter are
    // applied again. Null: no rows.
    void setTable(std::unique_ptr<ComparisonTable> table);
    const ComparisonTable* table() const { return m_table.get(); }

    // Range::name is a code ("U1"); times are relative milliseconds.
    void setFilter(bool on, qint64 from, qint64 to, const QVector<Range>& ranges);
    bool isFilterOn() const { return m_filterOn; }

    // The row of the comparison shown at a row of the model, and back (-1: hidden).
    int comparisonRow(int row) const;
    int rowOf(int comparisonRow) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    // Every row of the table in the order of the sort.
    std::vector<int> sortedRows() const;
    // Rows the filter hides, by comparison row; empty while none is.
    std::vector<bool> hiddenRows() const;
    // m_rows again from the sort and the filter; persistent indexes follow
    // their rows, those of rows now hidden become invalid.
    void relayout(bool sortAgain);
    void showRows();

    std::unique_ptr<ComparisonTable> m_table;
    std::vector<int> m_sorted;          // every comparison row, in the sort's order
    mutable std::vector<int> m_shownAt; // model row of each comparison row, made when asked
    std::vector<int> m_rows;            // comparison rows shown, in the shown order
    bool m_filterOn = false;
    qint64 m_from = 0;
    qint64 m_to = 0;
    QVector<Range> m_ranges;
    int m_sortColumn = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
