#pragma once

#include <QAbstractItemView>

class QHeaderView;

// A table of uniform rows whose first columns stay in view while the others
// scroll sideways.
//
// Every row is equally high, so a row's place is computed from its number and
// nothing is kept per row: a protocol of ten million rows costs the view no
// more than one of ten. The vertical scroll bar counts rows, not pixels, so
// that any row count an int holds can be scrolled. Column widths, hiding and
// the sort indicator live in a horizontal header; a second header over the
// frozen columns shows them while the first one scrolls.
class FrozenColumnsTableView : public QAbstractItemView
{
    Q_OBJECT
    Q_PROPERTY(bool sortingEnabled READ isSortingEnabled WRITE setSortingEnabled)
    Q_PROPERTY(bool showGrid READ showGrid WRITE setShowGrid)
    Q_PROPERTY(Qt::PenStyle gridStyle READ gridStyle WRITE setGridStyle)
    Q_PROPERTY(int minimumRowHeight READ minimumRowHeight WRITE setMinimumRowHeight)
public:
    explicit FrozenColumnsTableView(QWidget* parent = nullptr);
    ~FrozenColumnsTableView() override;

    // getters:
    // Width of the part that does not scroll sideways.
    int frozenWidth() const;
    // The header of all columns; it scrolls with the unfrozen ones.
    QHeaderView* horizontalHeader() const { return m_header; }
    // The header laid over the frozen columns.
    QHeaderView* frozenHeader() const { return m_frozenHeader; }
    int rowHeight() const { return m_rowHeight; }
    int minimumRowHeight() const { return m_minimumRowHeight; }
    int columnWidth(int column) const;
    bool isColumnHidden(int column) const;
    bool isSortingEnabled() const { return m_sortingEnabled; }
    bool showGrid() const { return m_showGrid; }
    Qt::PenStyle gridStyle() const { return m_gridStyle; }
    // The first row at the top of the viewport.
    int topRow() const;
    // Rows wholly in view; at least one.
    int rowsPerPage() const;
    // -1 where there is no row or column.
    int rowAt(int y) const;
    int columnAt(int x) const;
    int columnViewportPosition(int column) const;

    // setters:
    void setFrozenColumnCount(int count);
    void setColumnWidth(int column, int width);
    void setColumnHidden(int column, bool hide);
    void setSortingEnabled(bool enable);
    void setShowGrid(bool show);
    void setGridStyle(Qt::PenStyle style);
    // Rows are as high as the font needs, and at least this.
    void setMinimumRowHeight(int height);
    void sortByColumn(int column, Qt::SortOrder order);

    void setModel(QAbstractItemModel* model) override;
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    // Typing does not search the rows: over millions of them a search by
    // text would stall the window at every key (the chart keys + and - among
    // them). Times and values are found with the filter and the bookmarks.
    void keyboardSearch(const QString& search) override;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Viewport y of a row's top, bounded so that far rows do not overflow.
    int rowViewportPosition(int row) const;
    int nextShownColumn(int from, int step) const;
    void paintCells(QPainter& painter, int firstRow, int lastRow, int left, int right, bool frozen);
    void paintGrid(QPainter& painter, int firstRow, int lastRow, int left, int right, bool frozen);
    void relayout();
    void updateRowHeight();
    void updateFrozenColumns();
    void sortFromFrozenHeader(int column);
    void sortFromHeader(int column, Qt::SortOrder order);

    QHeaderView* m_header = nullptr;
    QHeaderView* m_frozenHeader = nullptr;
    int m_count = 2;
    int m_minimumRowHeight = 22;
    int m_rowHeight = 22;
    bool m_sortingEnabled = false;
    bool m_showGrid = true;
    Qt::PenStyle m_gridStyle = Qt::SolidLine;
    // Set while the view itself moves the indicator and sorts.
    bool m_sorting = false;
};
