#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>

#include <map>
#include <set>
#include <vector>

class CellSink;
class ProtocolAssembly;
class TableFilter;

// The protocol table as a model over a built ProtocolAssembly: column 0 the
// bookmark mark, column 1 the time ("Дата", with the row's global tick under
// TickRole), then one column per channel code. Texts are made in data() for
// the rows asked for; the model itself keeps per row only its place in the
// current order, a hidden bit and, for marked rows, the mark.
//
// Rows are known by their global row (ProtocolAssembly). The model's rows are
// the rows the filter leaves visible, in the current order; the full order,
// hidden rows included, is what the reports read.
class ProtocolTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ProtocolTableModel(QObject* parent = nullptr);
    ~ProtocolTableModel() override;

    // Shows a built assembly in time order, all rows visible, no marks; null
    // empties the table. The assembly must outlive its use here.
    void setAssembly(const ProtocolAssembly* assembly);
    const ProtocolAssembly* assembly() const { return m_assembly; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Stable, from the current order: the time column by time, value columns
    // by the number their text reads as (text cells by text), the bookmark
    // column puts marked rows together; rows without a cell go last. A new
    // assembly counts as sorted by time, ascending; the sort it is already
    // in changes nothing and announces no new layout.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The full order, hidden rows included.
    int allRowCount() const { return int(m_order.size()); }
    int globalRowAt(int orderRow) const { return m_order[size_t(orderRow)]; }
    bool isHidden(int globalRow) const;
    // Global row of a model row (a visible one).
    int globalRowOf(int row) const;
    // Model row of a global row; -1 while it is hidden.
    int rowOfGlobal(int globalRow) const;

    // Header texts of every column.
    const QStringList& headerLabels() const { return m_labels; }
    // The column "Протокол" after the channels, naming the protocol file of
    // each row; off by default. It is a column of the model only while
    // shown, so reports write it only then.
    void setProtocolColumnShown(bool shown);
    bool protocolColumnShown() const { return m_protocolColumnShown; }
    int protocolColumn() const;
    // The protocol file a row comes from: its name, and the path as read.
    QString protocolName(int globalRow) const;
    QString protocolPath(int globalRow) const;
    qint64 tick(int globalRow) const;
    qint64 msecsSinceEpoch(int globalRow) const;
    QString timeText(int globalRow) const;
    // False when the row has no cell in that column (column ≥ 1).
    bool cellText(int globalRow, int column, QString& text) const;
    // The cells of a row from column 1 on that have text, as cellText gives
    // them, with one look-up of the row.
    void rowCells(int globalRow, CellSink& sink) const;
    // A value cell that shows its number (not an enumeration text).
    bool isNumberCell(int globalRow, int column) const;
    // The cell's text read as a number (0 for a text that is no number).
    bool cellNumber(int globalRow, int column, double& value) const;

    // Hides the rows the filter rejects and shows the others.
    void applyFilter(const TableFilter& filter);
    // Hidden bits by global row; empty shows every row.
    void setHiddenRows(std::vector<bool> hidden);

    // Bookmark marks, by global row.
    bool isMarked(int globalRow) const { return m_marks.count(globalRow) != 0; }
    void setMarked(int globalRow, bool marked);
    const std::set<int>& marks() const { return m_marks; }
    // The note of a bookmark, shown as its mark's tool tip.
    void setNote(int globalRow, const QString& note);
    // The first row in the current order, hidden ones included, with that
    // global tick; -1 when none has it.
    int firstRowOfTick(qint64 tick) const;
    // Replaces every mark at once: the row firstRowOfTick() finds for each
    // tick gets the mark and the note beside it. One pass over the rows, so
    // thousands of bookmarks on a million rows take no longer than one.
    void setBookmarkMarks(const QVector<qint64>& ticks, const QStringList& notes);

    // Bytes the model keeps for its rows.
    qint64 rowBytes() const;

private:
    void reorder(std::vector<int> order);
    void rebuildVisible();
    void followRows(const QModelIndexList& before, const std::vector<int>& globals);
    std::vector<int> sortedBy(int column, Qt::SortOrder order) const;
    std::vector<int> sortedByValue(int column, Qt::SortOrder order) const;
    std::vector<int> sortedMixed(int column, Qt::SortOrder order) const;

    const ProtocolAssembly* m_assembly = nullptr;
    QStringList m_labels;
    mutable QString m_rowText;  // rowCells' buffer, reused from row to row
    std::vector<int> m_order;   // global rows, current order
    std::vector<int> m_visible; // global rows shown, when some are hidden
    std::vector<bool> m_hidden; // by global row; empty while none is hidden
    std::set<int> m_marks;
    std::map<int, QString> m_notes; // by global row
    int m_sortColumn = -1;
    bool m_protocolColumnShown = false;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QIcon m_mark;
};
