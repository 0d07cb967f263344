#include "table/frozencolumnstableview.h"

#include <QActionEvent>
#include <QHeaderView>
#include <QScrollBar>

FrozenColumnsTableView::FrozenColumnsTableView(QWidget* parent)
    : QTableView(parent), m_frozen(new QTableView(this))
{
    m_frozen->setObjectName(QStringLiteral("frozenColumns"));
    // Focus, keys and the current cell stay with this view.
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setFocusProxy(this);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->verticalHeader()->hide();
    m_frozen->horizontalHeader()->setSortIndicatorShown(true);
    m_frozen->horizontalHeader()->setSectionsClickable(true);
    // Widths come from this view, which keeps its own lower limit.
    m_frozen->horizontalHeader()->setMinimumSectionSize(1);
    m_frozen->setContextMenuPolicy(Qt::ActionsContextMenu);
    // Pixel steps sideways, so that a column can stop right beside the frozen ones.
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(),
            &QScrollBar::setValue);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int size) {
                if (column < m_count && m_frozen->columnWidth(column) != size)
                    m_frozen->setColumnWidth(column, size);
                updateFrozenGeometry();
            });
    connect(m_frozen->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int size) {
                if (column < m_count && columnWidth(column) != size)
                    setColumnWidth(column, size);
            });
    connect(horizontalHeader(), &QHeaderView::sortIndicatorChanged, m_frozen->horizontalHeader(),
            &QHeaderView::setSortIndicator);
    connect(m_frozen->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &FrozenColumnsTableView::sortFromFrozenHeader);
    connect(m_frozen, &QTableView::clicked, this, &QTableView::clicked);
    connect(m_frozen, &QTableView::doubleClicked, this, &QTableView::doubleClicked);
    connect(m_frozen, &QTableView::pressed, this, &QTableView::pressed);
    connect(m_frozen, &QTableView::activated, this, &QTableView::activated);
}

FrozenColumnsTableView::~FrozenColumnsTableView() = default;

int FrozenColumnsTableView::frozenWidth() const
{
    int width = 0;
    const int columns = model() ? qMin(m_count, model()->columnCount()) : 0;
    for (int column = 0; column < columns; ++column) {
        if (!isColumnHidden(column))
            width += columnWidth(column);
    }
    return width;
}

void FrozenColumnsTableView::setFrozenColumnCount(int count)
{
    m_count = qMax(0, count);
    updateFrozenColumns();
}

void FrozenColumnsTableView::setModel(QAbstractItemModel* newModel)
{
    if (QAbstractItemModel* old = model())
        disconnect(old, nullptr, this, nullptr);
    QTableView::setModel(newModel);
    m_frozen->setModel(newModel);
    if (newModel) {
        m_frozen->setSelectionModel(selectionModel());
        for (auto signal :
             {&QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved})
            connect(newModel, signal, this, &FrozenColumnsTableView::updateFrozenColumns);
        connect(newModel, &QAbstractItemModel::modelReset, this,
                &FrozenColumnsTableView::updateFrozenColumns);
        connect(newModel, &QAbstractItemModel::headerDataChanged, this,
                &FrozenColumnsTableView::updateFrozenGeometry);
    }
    copyLook();
    updateFrozenColumns();
}

void FrozenColumnsTableView::setSelectionModel(QItemSelectionModel* selection)
{
    QTableView::setSelectionModel(selection);
    // While the model is being set the other view still has the old one.
    if (selection && m_frozen->model() == selection->model())
        m_frozen->setSelectionModel(selection);
}

void FrozenColumnsTableView::copyLook()
{
    m_frozen->setSelectionBehavior(selectionBehavior());
    m_frozen->setSelectionMode(selectionMode());
    m_frozen->setEditTriggers(editTriggers());
    m_frozen->setShowGrid(showGrid());
    m_frozen->setGridStyle(gridStyle());
    m_frozen->setWordWrap(wordWrap());
    m_frozen->setAlternatingRowColors(alternatingRowColors());
    m_frozen->setTextElideMode(textElideMode());
    m_frozen->setVerticalScrollMode(verticalScrollMode());
    m_frozen->horizontalHeader()->setHighlightSections(horizontalHeader()->highlightSections());
    QHeaderView* rows = m_frozen->verticalHeader();
    rows->setMinimumSectionSize(verticalHeader()->minimumSectionSize());
    rows->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    rows->setSectionResizeMode(verticalHeader()->sectionResizeMode(0));
}

void FrozenColumnsTableView::updateFrozenColumns()
{
    const int columns = model() ? model()->columnCount() : 0;
    for (int column = 0; column < columns; ++column) {
        const bool frozen = column < m_count;
        m_frozen->setColumnHidden(column, !frozen || isColumnHidden(column));
        if (frozen)
            m_frozen->setColumnWidth(column, columnWidth(column));
    }
    const QHeaderView* header = horizontalHeader();
    m_frozen->horizontalHeader()->setSortIndicator(header->sortIndicatorSection(),
                                                   header->sortIndicatorOrder());
    updateFrozenGeometry();
}

void FrozenColumnsTableView::updateFrozenGeometry()
{
    const int width = frozenWidth();
    m_frozen->setVisible(width > 0);
    if (width <= 0)
        return;
    QHeaderView* rows = m_frozen->verticalHeader();
    if (rows->defaultSectionSize() != verticalHeader()->defaultSectionSize())
        rows->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    const int headerHeight = horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0;
    m_frozen->horizontalHeader()->setVisible(headerHeight > 0);
    m_frozen->horizontalHeader()->setFixedHeight(headerHeight);
    const int left = frameWidth() + (verticalHeader()->isVisible() ? verticalHeader()->width() : 0);
    m_frozen->setGeometry(left, frameWidth(), qMin(width, viewport()->width()),
                          viewport()->height() + headerHeight);
    m_frozen->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

void FrozenColumnsTableView::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    updateFrozenGeometry();
}

void FrozenColumnsTableView::updateGeometries()
{
    QTableView::updateGeometries();
    updateFrozenGeometry();
}

void FrozenColumnsTableView::actionEvent(QActionEvent* event)
{
    // The context menu of the frozen part offers what this view offers.
    if (event->type() == QEvent::ActionAdded)
        m_frozen->insertAction(event->before(), event->action());
    else if (event->type() == QEvent::ActionRemoved)
        m_frozen->removeAction(event->action());
    QTableView::actionEvent(event);
}

void FrozenColumnsTableView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid() || index.column() >= m_count) {
        QTableView::scrollTo(index, hint);
        revealBesideFrozen(index);
        return;
    }
    // A frozen cell is always in view sideways: only the row has to come.
    const int sideways = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(sideways);
}

QModelIndex FrozenColumnsTableView::moveCursor(CursorAction cursorAction,
                                               Qt::KeyboardModifiers modifiers)
{
    // Home goes back to the row's start, the whole way to the left.
    if (cursorAction == MoveHome)
        horizontalScrollBar()->setValue(0);
    return QTableView::moveCursor(cursorAction, modifiers);
}

void FrozenColumnsTableView::revealBesideFrozen(const QModelIndex& index)
{
    if (!index.isValid() || index.column() < m_count)
        return;
    const int hidden = frozenWidth() - visualRect(index).left();
    if (hidden > 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - hidden);
}

void FrozenColumnsTableView::sortFromFrozenHeader(int column)
{
    if (!isSortingEnabled())
        return;
    QHeaderView* header = horizontalHeader();
    // As a click on this view's own header: the same column again turns the order.
    Qt::SortOrder order = Qt::AscendingOrder;
    if (header->sortIndicatorSection() == column)
        order = header->sortIndicatorOrder() == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                   : Qt::AscendingOrder;
    sortByColumn(column, order);
}
