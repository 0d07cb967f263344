#include "table/frozencolumnstableview.h"

#include <QEvent>
#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace {
// Far rows are placed no further than this outside the viewport, so that the
// pixel arithmetic stays in int whatever the row count.
constexpr qint64 kFarAway = INT_MAX / 4;

// Rounds towards minus infinity, so that a point above the viewport lies in
// an earlier row.
int floorDiv(int value, int divisor)
{
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}
} // namespace

FrozenColumnsTableView::FrozenColumnsTableView(QWidget* parent)
    : QAbstractItemView(parent), m_header(new QHeaderView(Qt::Horizontal, this)),
      m_frozenHeader(new QHeaderView(Qt::Horizontal, this))
{
    m_header->setObjectName(QStringLiteral("tableHeader"));
    m_frozenHeader->setObjectName(QStringLiteral("frozenHeader"));
    for (QHeaderView* header : {m_header, m_frozenHeader}) {
        header->setSectionsClickable(true);
        header->setHighlightSections(false);
        header->setFocusPolicy(Qt::NoFocus);
    }
    // Widths come from the header of all columns, which keeps its own lower limit.
    m_frozenHeader->setMinimumSectionSize(1);
    // Pixel steps sideways, so that a column can stop right beside the frozen
    // ones; whole rows up and down.
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerItem);
    // Tab walks through the cells, as in any table.
    setTabKeyNavigation(true);
    updateRowHeight();

    connect(m_header, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column < m_count && m_frozenHeader->sectionSize(column) != size)
            m_frozenHeader->resizeSection(column, size);
        relayout();
    });
    connect(m_frozenHeader, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column < m_count && columnWidth(column) != size)
            setColumnWidth(column, size);
    });
    connect(m_header, &QHeaderView::sectionCountChanged, this,
            &FrozenColumnsTableView::updateFrozenColumns);
    connect(m_header, &QHeaderView::sortIndicatorChanged, m_frozenHeader,
            &QHeaderView::setSortIndicator);
    connect(m_header, &QHeaderView::sortIndicatorChanged, this,
            &FrozenColumnsTableView::sortFromHeader);
    connect(m_frozenHeader, &QHeaderView::sectionClicked, this,
            &FrozenColumnsTableView::sortFromFrozenHeader);
}

FrozenColumnsTableView::~FrozenColumnsTableView() = default;

int FrozenColumnsTableView::frozenWidth() const
{
    int width = 0;
    const int columns = qMin(m_count, m_header->count());
    for (int column = 0; column < columns; ++column) {
        if (!isColumnHidden(column))
            width += columnWidth(column);
    }
    return width;
}

void FrozenColumnsTableView::updateRowHeight()
{
    // A line of text and the grid line below it.
    m_rowHeight = qMax(m_minimumRowHeight, fontMetrics().height() + 1);
}

int FrozenColumnsTableView::columnWidth(int column) const
{
    return m_header->sectionSize(column);
}

bool FrozenColumnsTableView::isColumnHidden(int column) const
{
    return m_header->isSectionHidden(column);
}

int FrozenColumnsTableView::topRow() const
{
    return verticalScrollBar()->value();
}

int FrozenColumnsTableView::rowsPerPage() const
{
    return qMax(1, viewport()->height() / rowHeight());
}

int FrozenColumnsTableView::rowAt(int y) const
{
    if (!model() || y < 0)
        return -1;
    const qint64 row = qint64(topRow()) + y / rowHeight();
    return row < model()->rowCount(rootIndex()) ? int(row) : -1;
}

int FrozenColumnsTableView::columnAt(int x) const
{
    if (x < 0)
        return -1;
    if (x < qMin(frozenWidth(), viewport()->width())) {
        for (int column = 0; column < qMin(m_count, m_header->count()); ++column) {
            const int left = m_header->sectionPosition(column);
            if (!isColumnHidden(column) && x >= left && x < left + columnWidth(column))
                return column;
        }
        return -1;
    }
    return m_header->logicalIndexAt(x + horizontalOffset() - m_header->offset());
}

int FrozenColumnsTableView::columnViewportPosition(int column) const
{
    const int position = m_header->sectionPosition(column);
    return column < m_count ? position : position - horizontalOffset();
}

int FrozenColumnsTableView::rowViewportPosition(int row) const
{
    const qint64 y = (qint64(row) - topRow()) * rowHeight();
    return int(qBound(-kFarAway, y, kFarAway));
}

void FrozenColumnsTableView::setFrozenColumnCount(int count)
{
    m_count = qMax(0, count);
    updateFrozenColumns();
}

void FrozenColumnsTableView::setColumnWidth(int column, int width)
{
    m_header->resizeSection(column, width);
}

void FrozenColumnsTableView::setColumnHidden(int column, bool hide)
{
    m_header->setSectionHidden(column, hide);
    updateFrozenColumns();
}

void FrozenColumnsTableView::setSortingEnabled(bool enable)
{
    m_sortingEnabled = enable;
    for (QHeaderView* header : {m_header, m_frozenHeader})
        header->setSortIndicatorShown(enable);
    if (enable && m_header->sortIndicatorSection() >= 0)
        sortByColumn(m_header->sortIndicatorSection(), m_header->sortIndicatorOrder());
}

void FrozenColumnsTableView::setShowGrid(bool show)
{
    m_showGrid = show;
    viewport()->update();
}

void FrozenColumnsTableView::setGridStyle(Qt::PenStyle style)
{
    m_gridStyle = style;
    viewport()->update();
}

void FrozenColumnsTableView::setMinimumRowHeight(int height)
{
    m_minimumRowHeight = qMax(1, height);
    updateRowHeight();
    relayout();
}

void FrozenColumnsTableView::sortByColumn(int column, Qt::SortOrder order)
{
    m_sorting = true;
    m_header->setSortIndicator(column, order);
    m_sorting = false;
    if (model() && column >= 0)
        model()->sort(column, order);
}

void FrozenColumnsTableView::sortFromHeader(int column, Qt::SortOrder order)
{
    // A click on the header turned the indicator.
    if (!m_sorting && m_sortingEnabled && model() && column >= 0)
        model()->sort(column, order);
}

void FrozenColumnsTableView::sortFromFrozenHeader(int column)
{
    if (!m_sortingEnabled)
        return;
    // As a click on the other header: the same column again turns the order.
    Qt::SortOrder order = Qt::AscendingOrder;
    if (m_header->sortIndicatorSection() == column)
        order = m_header->sortIndicatorOrder() == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                     : Qt::AscendingOrder;
    sortByColumn(column, order);
}

void FrozenColumnsTableView::setModel(QAbstractItemModel* newModel)
{
    if (QAbstractItemModel* old = model())
        disconnect(old, nullptr, this, nullptr);
    QAbstractItemView::setModel(newModel);
    m_header->setModel(newModel);
    m_frozenHeader->setModel(newModel);
    if (newModel) {
        // Row counts change without any per-row bookkeeping here: only the
        // scroll range follows.
        for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            connect(newModel, signal, this, &FrozenColumnsTableView::relayout);
        for (auto signal :
             {&QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved})
            connect(newModel, signal, this, &FrozenColumnsTableView::updateFrozenColumns);
        connect(newModel, &QAbstractItemModel::modelReset, this,
                &FrozenColumnsTableView::updateFrozenColumns);
        connect(newModel, &QAbstractItemModel::layoutChanged, this,
                &FrozenColumnsTableView::relayout);
    }
    updateFrozenColumns();
}

void FrozenColumnsTableView::updateFrozenColumns()
{
    const int columns = m_header->count();
    for (int column = 0; column < qMin(columns, m_frozenHeader->count()); ++column) {
        const bool frozen = column < m_count;
        m_frozenHeader->setSectionHidden(column, !frozen || isColumnHidden(column));
        if (frozen && m_frozenHeader->sectionSize(column) != columnWidth(column))
            m_frozenHeader->resizeSection(column, columnWidth(column));
    }
    m_frozenHeader->setSortIndicator(m_header->sortIndicatorSection(),
                                     m_header->sortIndicatorOrder());
    relayout();
}

void FrozenColumnsTableView::relayout()
{
    updateGeometries();
    viewport()->update();
}

void FrozenColumnsTableView::updateGeometries()
{
    const int headerHeight =
        m_header->isHidden() ? 0 : qMax(m_header->minimumHeight(), m_header->sizeHint().height());
    if (viewportMargins().top() != headerHeight)
        setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    m_header->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);
    const int frozen = qMin(frozenWidth(), area.width());
    m_frozenHeader->setGeometry(area.left(), area.top() - headerHeight, frozen, headerHeight);
    m_frozenHeader->setVisible(frozen > 0 && headerHeight > 0);

    // Up and down the bar counts rows: its range is the row count.
    const int rows = model() ? model()->rowCount(rootIndex()) : 0;
    const int page = rowsPerPage();
    verticalScrollBar()->setRange(0, qMax(0, rows - page));
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setSingleStep(1);

    // Sideways it counts pixels; the handle shows how much of the width is in view.
    horizontalScrollBar()->setRange(0, qMax(0, m_header->length() - area.width()));
    horizontalScrollBar()->setPageStep(area.width());
    horizontalScrollBar()->setSingleStep(qMax(2, m_header->defaultSectionSize() / 3));
    m_header->setOffset(horizontalScrollBar()->value());

    QAbstractItemView::updateGeometries();
}

void FrozenColumnsTableView::scrollContentsBy(int dx, int dy)
{
    if (dx != 0) {
        // The frozen columns stay where they are: everything is painted anew.
        m_header->setOffset(horizontalScrollBar()->value());
        viewport()->update();
    } else if (qAbs(dy) < rowsPerPage()) {
        // A few rows up or down: what stays in view moves, only the new rows are painted.
        viewport()->scroll(0, dy * rowHeight());
    } else {
        viewport()->update();
    }
}

void FrozenColumnsTableView::changeEvent(QEvent* event)
{
    QAbstractItemView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        updateRowHeight();
        relayout();
    }
}

QRect FrozenColumnsTableView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex() ||
        isColumnHidden(index.column()))
        return QRect();
    // The grid line takes the cell's last pixel on the right and at the bottom.
    const int grid = m_showGrid ? 1 : 0;
    return QRect(columnViewportPosition(index.column()), rowViewportPosition(index.row()),
                 columnWidth(index.column()) - grid, rowHeight() - grid);
}

QModelIndex FrozenColumnsTableView::indexAt(const QPoint& point) const
{
    const int row = rowAt(point.y());
    const int column = columnAt(point.x());
    if (row < 0 || column < 0)
        return QModelIndex();
    return model()->index(row, column, rootIndex());
}

void FrozenColumnsTableView::keyboardSearch(const QString&) {}

void FrozenColumnsTableView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid() || index.model() != model())
        return;
    const int page = rowsPerPage();
    int top = topRow();
    const int row = index.row();
    switch (hint) {
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - page + 1;
        break;
    case PositionAtCenter:
        top = row - page / 2;
        break;
    case EnsureVisible:
        if (row < top)
            top = row;
        else if (row >= top + page)
            top = row - page + 1;
        break;
    }
    verticalScrollBar()->setValue(top);

    // A frozen cell is always in view sideways: only the row has to come.
    const int column = index.column();
    if (column < m_count || isColumnHidden(column))
        return;
    const int left = m_header->sectionPosition(column);
    const int width = columnWidth(column);
    const int frozen = qMin(frozenWidth(), viewport()->width());
    const int room = viewport()->width() - frozen;
    int offset = horizontalOffset();
    if (hint == PositionAtCenter) {
        offset = left + width / 2 - frozen - room / 2;
    } else if (left - offset < frozen) {
        offset = left - frozen;
    } else if (left + width - offset > viewport()->width()) {
        // A column wider than the room shows its start.
        offset = qMin(left + width - viewport()->width(), left - frozen);
    }
    horizontalScrollBar()->setValue(offset);
}

int FrozenColumnsTableView::nextShownColumn(int from, int step) const
{
    for (int column = from; column >= 0 && column < m_header->count(); column += step) {
        if (!isColumnHidden(column))
            return column;
    }
    return -1;
}

QModelIndex FrozenColumnsTableView::moveCursor(CursorAction cursorAction,
                                               Qt::KeyboardModifiers modifiers)
{
    if (!model())
        return QModelIndex();
    const int rows = model()->rowCount(rootIndex());
    const int first = nextShownColumn(0, 1);
    const int last = nextShownColumn(m_header->count() - 1, -1);
    if (rows == 0 || first < 0)
        return QModelIndex();
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return model()->index(0, first, rootIndex());

    int row = current.row();
    int column = current.column();
    const int page = rowsPerPage();
    const auto orStay = [column](int found) { return found < 0 ? column : found; };
    switch (cursorAction) {
    case MoveUp:
        --row;
        break;
    case MoveDown:
        ++row;
        break;
    case MoveLeft:
        column = orStay(nextShownColumn(column - 1, -1));
        break;
    case MoveRight:
        column = orStay(nextShownColumn(column + 1, 1));
        break;
    case MovePrevious:
        if (nextShownColumn(column - 1, -1) >= 0) {
            column = nextShownColumn(column - 1, -1);
        } else if (row > 0) {
            --row;
            column = last;
        }
        break;
    case MoveNext:
        if (nextShownColumn(column + 1, 1) >= 0) {
            column = nextShownColumn(column + 1, 1);
        } else if (row < rows - 1) {
            ++row;
            column = first;
        }
        break;
    case MoveHome:
        column = first;
        if (modifiers & Qt::ControlModifier)
            row = 0;
        // Back to the row's start, the whole way to the left.
        horizontalScrollBar()->setValue(0);
        break;
    case MoveEnd:
        column = last;
        if (modifiers & Qt::ControlModifier)
            row = rows - 1;
        break;
    case MovePageUp:
        row -= page;
        break;
    case MovePageDown:
        row += page;
        break;
    }
    return model()->index(qBound(0, row, rows - 1), column, rootIndex());
}

int FrozenColumnsTableView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int FrozenColumnsTableView::verticalOffset() const
{
    return int(qMin(qint64(topRow()) * rowHeight(), kFarAway));
}

bool FrozenColumnsTableView::isIndexHidden(const QModelIndex& index) const
{
    return isColumnHidden(index.column());
}

void FrozenColumnsTableView::setSelection(const QRect& rect,
                                          QItemSelectionModel::SelectionFlags command)
{
    if (!model() || !selectionModel())
        return;
    const QRect area = rect.normalized();
    const int rows = model()->rowCount(rootIndex());
    const qint64 top = qint64(topRow()) + floorDiv(area.top(), rowHeight());
    const qint64 bottom = qint64(topRow()) + floorDiv(area.bottom(), rowHeight());
    int left = columnAt(area.left());
    int right = columnAt(area.right());
    if (left < 0)
        left = right;
    if (right < 0)
        right = left;
    // A sweep that leaves the rows keeps the rows it crossed.
    if (bottom < 0 || top >= rows || left < 0)
        return;
    const int firstRow = int(qMax<qint64>(0, top));
    const int lastRow = int(qMin<qint64>(rows - 1, bottom));
    const QItemSelection selection(model()->index(firstRow, qMin(left, right), rootIndex()),
                                   model()->index(lastRow, qMax(left, right), rootIndex()));
    selectionModel()->select(selection, command);
}

QRegion FrozenColumnsTableView::visualRegionForSelection(const QItemSelection& selection) const
{
    // Whole rows: the region only says what to repaint.
    QRegion region;
    const int first = topRow();
    const int last = first + rowsPerPage();
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() != rootIndex() || range.bottom() < first || range.top() > last)
            continue;
        const int top = rowViewportPosition(qMax(range.top(), first));
        const int bottom = rowViewportPosition(qMin(range.bottom(), last) + 1);
        region += QRect(0, top, viewport()->width(), bottom - top);
    }
    return region;
}

void FrozenColumnsTableView::paintEvent(QPaintEvent* event)
{
    if (!model())
        return;
    const int rows = model()->rowCount(rootIndex());
    if (rows == 0 || m_header->count() == 0)
        return;
    QPainter painter(viewport());
    // Only the rows to be painted again: after a scroll step, the new ones.
    const QRect dirty = event->rect() & viewport()->rect();
    if (dirty.isEmpty())
        return;
    const int firstRow = topRow() + dirty.top() / rowHeight();
    const int lastRow = qMin(rows - 1, topRow() + dirty.bottom() / rowHeight());
    if (firstRow > lastRow)
        return;
    const int frozen = qMin(frozenWidth(), viewport()->width());

    const auto paintPart = [&](const QRect& part, bool frozenPart) {
        if (part.isEmpty())
            return;
        painter.save();
        painter.setClipRect(part);
        // A delegate clips to its own cell, replacing this clip: a scrolled
        // cell half under the frozen part paints its text there too. The
        // frozen part is painted after, on its own background.
        if (frozenPart)
            painter.fillRect(part, viewport()->palette().brush(viewport()->backgroundRole()));
        paintCells(painter, firstRow, lastRow, part.left(), part.right(), frozenPart);
        paintGrid(painter, firstRow, lastRow, part.left(), part.right(), frozenPart);
        painter.restore();
    };
    // The columns that scroll, then the frozen ones over their left end.
    paintPart(dirty & QRect(frozen, 0, viewport()->width() - frozen, viewport()->height()), false);
    paintPart(dirty & QRect(0, 0, frozen, viewport()->height()), true);
}

void FrozenColumnsTableView::paintCells(QPainter& painter, int firstRow, int lastRow, int left,
                                        int right, bool frozen)
{
    QStyleOptionViewItem base = viewOptions();
    base.showDecorationSelected = true;
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const int grid = m_showGrid ? 1 : 0;
    const int from = frozen ? 0 : m_count;
    const int to = frozen ? qMin(m_count, m_header->count()) : m_header->count();
    for (int row = firstRow; row <= lastRow; ++row) {
        const int y = rowViewportPosition(row);
        for (int column = from; column < to; ++column) {
            const int x = columnViewportPosition(column);
            if (isColumnHidden(column) || x > right || x + columnWidth(column) <= left)
                continue;
            const QModelIndex index = model()->index(row, column, rootIndex());
            QStyleOptionViewItem option = base;
            option.rect = QRect(x, y, columnWidth(column) - grid, rowHeight() - grid);
            if (alternatingRowColors() && row % 2 == 1)
                option.features |= QStyleOptionViewItem::Alternate;
            if (selectionModel() && selectionModel()->isSelected(index))
                option.state |= QStyle::State_Selected;
            if (option.state & QStyle::State_Enabled) {
                const bool enabled = model()->flags(index) & Qt::ItemIsEnabled;
                if (!enabled)
                    option.state &= ~QStyle::State_Enabled;
                option.palette.setCurrentColorGroup(enabled ? QPalette::Normal
                                                            : QPalette::Disabled);
            }
            if (focus && index == current)
                option.state |= QStyle::State_HasFocus;
            style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, &painter, this);
            itemDelegate(index)->paint(&painter, option, index);
        }
    }
}

void FrozenColumnsTableView::paintGrid(QPainter& painter, int firstRow, int lastRow, int left,
                                       int right, bool frozen)
{
    if (!m_showGrid)
        return;
    QStyleOptionViewItem option = viewOptions();
    const int hint = style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this);
    painter.setPen(QPen(QColor::fromRgba(static_cast<QRgb>(hint)), 0, m_gridStyle));
    // Lines end with the last row and the last column.
    const int end = frozen ? frozenWidth() - 1 : m_header->length() - horizontalOffset() - 1;
    right = qMin(right, end);
    const int bottom = rowViewportPosition(lastRow + 1) - 1;
    const int top = 0;
    for (int row = firstRow; row <= lastRow; ++row) {
        const int y = rowViewportPosition(row + 1) - 1;
        painter.drawLine(left, y, right, y);
    }
    const int from = frozen ? 0 : m_count;
    const int to = frozen ? qMin(m_count, m_header->count()) : m_header->count();
    for (int column = from; column < to; ++column) {
        if (isColumnHidden(column))
            continue;
        const int x = columnViewportPosition(column) + columnWidth(column) - 1;
        if (x >= left && x <= right)
            painter.drawLine(x, top, x, bottom);
    }
}
