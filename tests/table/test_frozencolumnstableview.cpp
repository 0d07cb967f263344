#include "table/frozencolumnstableview.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTimer>
#include <QWindow>
#include <QtTest>

namespace {
// Rows "r<row>c<column>", the time column counting down so that sorting shows.
std::unique_ptr<QStandardItemModel> model(int rows, int columns)
{
    auto result = std::make_unique<QStandardItemModel>(rows, columns);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            auto* item = new QStandardItem(QStringLiteral("r%1c%2").arg(row).arg(column));
            if (column == 1)
                item->setData(rows - row, Qt::DisplayRole);
            result->setItem(row, column, item);
        }
    }
    return result;
}

// As many rows as asked for, none of them stored.
class CountedRows : public QAbstractTableModel
{
public:
    explicit CountedRows(int rows) : m_rows(rows) {}
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : m_rows;
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : 16;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return QStringLiteral("r%1c%2").arg(index.row()).arg(index.column());
    }

private:
    int m_rows;
};

// Every cell a row of full blocks in its column's own colour: a pixel of
// that colour shows where the column's text was painted.
class ColouredCells : public QAbstractTableModel
{
public:
    explicit ColouredCells(int rows) : m_rows(rows) {}
    static QColor colour(int column) { return QColor::fromHsv(column * 22, 255, 190); }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : m_rows;
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : 16;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DisplayRole)
            return QString(40, QChar(0x2588));
        if (role == Qt::ForegroundRole)
            return colour(index.column());
        return {};
    }

private:
    int m_rows;
};

// Selection colours are drawn with a slight shade.
bool near(const QColor& seen, const QColor& expected)
{
    return qAbs(seen.red() - expected.red()) <= 6 && qAbs(seen.green() - expected.green()) <= 6 &&
           qAbs(seen.blue() - expected.blue()) <= 6;
}

// Pixels that differ more than by shading (selection gradients may be
// rounded differently where a cell was painted in two parts).
int differentPixels(const QImage& seen, const QImage& expected)
{
    if (seen.size() != expected.size())
        return -1;
    int count = 0;
    for (int y = 0; y < seen.height(); ++y)
        for (int x = 0; x < seen.width(); ++x)
            count += near(seen.pixelColor(x, y), expected.pixelColor(x, y)) ? 0 : 1;
    return count;
}

// Polls until the screen shows what the view paints now; the count of pixels
// that still differ.
int screenDiffers(FrozenColumnsTableView& view)
{
    const QRect area(view.viewport()->mapTo(&view, QPoint()), view.viewport()->size());
    const QImage painted = view.viewport()->grab().toImage();
    int wrong = -1;
    for (int wait = 0; wait < 40 && wrong != 0; ++wait) {
        QTest::qWait(50);
        wrong = differentPixels(
            view.windowHandle()->screen()->grabWindow(view.winId()).toImage().copy(area), painted);
    }
    return wrong;
}

// Sweeps as a mouse drag does.
class SweptView : public FrozenColumnsTableView
{
public:
    using FrozenColumnsTableView::setSelection;
};

// The cell the user sees at a point of the view's viewport.
QModelIndex seenAt(const FrozenColumnsTableView& view, const QPoint& point)
{
    return view.indexAt(point);
}

// Whether a cell is wholly in view and shows itself there, not a cell over it.
bool inView(const FrozenColumnsTableView& view, const QModelIndex& index)
{
    // With its grid line on the right and at the bottom.
    const QRect cell = view.visualRect(index).adjusted(0, 0, 1, 1);
    return view.viewport()->rect().contains(cell) && seenAt(view, cell.topLeft()) == index &&
           seenAt(view, cell.bottomRight()) == index;
}
} // namespace

class TestFrozenColumnsTableView : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_model = model(500, 16);
        m_view = std::make_unique<FrozenColumnsTableView>();
        m_view->setSortingEnabled(true);
        m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
        m_view->setSelectionMode(QAbstractItemView::SingleSelection);
        m_view->setModel(m_model.get());
        m_view->setColumnWidth(0, 30);
        m_view->setColumnWidth(1, 200);
        m_view->resize(600, 300);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void cleanup()
    {
        m_view.reset();
        m_model.reset();
    }

    void bookmarkAndTimeStayInViewScrollingRight()
    {
        m_view->setFocus();
        m_view->setCurrentIndex(m_model->index(0, 2));
        QTest::keyClick(m_view.get(), Qt::Key_End, Qt::ControlModifier);
        const int last = m_model->rowCount() - 1;
        QCOMPARE(m_view->currentIndex(), m_model->index(last, 15));
        QVERIFY(m_view->horizontalScrollBar()->value() > 0);
        for (int column : {0, 1, 15})
            QVERIFY2(inView(*m_view, m_model->index(last, column)),
                     qPrintable(QString::number(column)));
        // The frozen and the scrolled columns show the same rows.
        QCOMPARE(m_view->visualRect(m_model->index(last, 1)).top(),
                 m_view->visualRect(m_model->index(last, 15)).top());
        // The frozen part covers exactly the two columns, header included.
        QCOMPARE(m_view->frozenWidth(), m_view->columnWidth(0) + m_view->columnWidth(1));
        QCOMPARE(m_view->frozenHeader()->width(), m_view->frozenWidth());
        QCOMPARE(seenAt(*m_view, QPoint(m_view->frozenWidth() - 1, 5)).column(), 1);
        QVERIFY(seenAt(*m_view, QPoint(m_view->frozenWidth(), 5)).column() > 1);

        // Walking left, a column never hides under the frozen part.
        for (int step = 0; step < 13; ++step) {
            QTest::keyClick(m_view.get(), Qt::Key_Left);
            QVERIFY(inView(*m_view, m_view->currentIndex()));
        }
        QCOMPARE(m_view->currentIndex().column(), 2);
        QVERIFY(m_view->visualRect(m_view->currentIndex()).left() >= m_view->frozenWidth());
        // Home goes back to the start.
        QTest::keyClick(m_view.get(), Qt::Key_Home);
        QCOMPARE(m_view->horizontalScrollBar()->value(), 0);
        QCOMPARE(m_view->currentIndex(), m_model->index(last, 0));
    }

    void frozenPartActsAsTheView()
    {
        m_view->horizontalScrollBar()->setValue(150);
        QSignalSpy clicked(m_view.get(), &QAbstractItemView::clicked);
        const QModelIndex cell = m_model->index(3, 1);
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {},
                          m_view->visualRect(cell).center());
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked[0][0].toModelIndex(), cell);
        // One selection and one current row for both parts.
        QCOMPARE(m_view->currentIndex().row(), 3);
        QVERIFY(m_view->selectionModel()->isRowSelected(3, QModelIndex()));

        // Scrolled down, both parts still show the same rows.
        m_view->verticalScrollBar()->setValue(120);
        QCOMPARE(m_view->topRow(), 120);
        QCOMPARE(seenAt(*m_view, QPoint(5, 1)), m_model->index(120, 0));
        QCOMPARE(seenAt(*m_view, QPoint(m_view->viewport()->width() - 5, 1)).row(), 120);

        // The view's own menu is offered over the frozen part too.
        auto* action = new QAction(QStringLiteral("Заметка"), m_view.get());
        m_view->addAction(action);
        m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
        QList<QAction*> offered;
        QTimer::singleShot(0, this, [&offered] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                offered = menu->actions();
                menu->close();
            }
        });
        const QPoint at = m_view->visualRect(m_model->index(125, 0)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, m_view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(m_view->viewport(), &event);
        QCOMPARE(offered, QList<QAction*>{action});
    }

    void frozenHeaderSortsAndTurnsTheOrder()
    {
        QHeaderView* header = m_view->frozenHeader();
        const QPoint time(header->sectionViewportPosition(1) + 20, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, time);
        QCOMPARE(m_view->horizontalHeader()->sortIndicatorSection(), 1);
        QCOMPARE(m_model->index(0, 1).data().toInt(), 1);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, time);
        QCOMPARE(m_model->index(0, 1).data().toInt(), 500);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);

        // A scrolled column's header sorts too, and the frozen one shows it.
        QHeaderView* all = m_view->horizontalHeader();
        const QPoint channel(all->sectionViewportPosition(3) + 10, all->height() / 2);
        QTest::mouseClick(all->viewport(), Qt::LeftButton, {}, channel);
        QCOMPARE(header->sortIndicatorSection(), 3);
        QCOMPARE(m_model->index(0, 3).data().toString(), QStringLiteral("r0c3"));
        QCOMPARE(m_model->index(1, 3).data().toString(), QStringLiteral("r100c3"));

        // Without sorting a click changes nothing.
        m_view->setSortingEnabled(false);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, time);
        QCOMPARE(m_model->index(1, 3).data().toString(), QStringLiteral("r100c3"));
    }

    void widthsFollowEitherHeader()
    {
        m_view->setColumnWidth(1, 150);
        QCOMPARE(m_view->frozenHeader()->sectionSize(1), 150);
        QCOMPARE(m_view->frozenHeader()->width(), m_view->columnWidth(0) + 150);
        m_view->frozenHeader()->resizeSection(1, 170);
        QCOMPARE(m_view->columnWidth(1), 170);
        QCOMPARE(m_view->visualRect(m_model->index(0, 2)).left(), m_view->columnWidth(0) + 170);
        // A model of other columns keeps the first two frozen.
        auto other = model(10, 4);
        m_view->setModel(other.get());
        QVERIFY(!m_view->frozenHeader()->isSectionHidden(1));
        QVERIFY(m_view->frozenHeader()->isSectionHidden(2));
        // A hidden frozen column leaves no gap.
        m_view->setColumnHidden(0, true);
        QCOMPARE(m_view->frozenWidth(), m_view->columnWidth(1));
        QCOMPARE(seenAt(*m_view, QPoint(1, 1)), other->index(0, 1));
        m_view->setModel(m_model.get());
    }

    void keysMoveTheCurrentCell_data()
    {
        QTest::addColumn<QPoint>("from"); // x: column, y: row
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QPoint>("to"); // a y of -1 is one page below "from"
        // Columns 4 and 15 are hidden.
        const int none = Qt::NoModifier;
        const int control = Qt::ControlModifier;
        QTest::newRow("down") << QPoint(3, 0) << int(Qt::Key_Down) << none << QPoint(3, 1);
        QTest::newRow("up at the top") << QPoint(3, 0) << int(Qt::Key_Up) << none << QPoint(3, 0);
        QTest::newRow("down at the end")
            << QPoint(3, 499) << int(Qt::Key_Down) << none << QPoint(3, 499);
        QTest::newRow("right skips hidden")
            << QPoint(3, 2) << int(Qt::Key_Right) << none << QPoint(5, 2);
        QTest::newRow("left skips hidden")
            << QPoint(5, 2) << int(Qt::Key_Left) << none << QPoint(3, 2);
        QTest::newRow("right at the end, the last column hidden")
            << QPoint(14, 2) << int(Qt::Key_Right) << none << QPoint(14, 2);
        QTest::newRow("page down")
            << QPoint(3, 0) << int(Qt::Key_PageDown) << none << QPoint(3, -1);
        QTest::newRow("page down at the end")
            << QPoint(3, 495) << int(Qt::Key_PageDown) << none << QPoint(3, 499);
        QTest::newRow("page up at the top")
            << QPoint(3, 4) << int(Qt::Key_PageUp) << none << QPoint(3, 0);
        QTest::newRow("end") << QPoint(3, 7) << int(Qt::Key_End) << none << QPoint(14, 7);
        QTest::newRow("home") << QPoint(9, 7) << int(Qt::Key_Home) << none << QPoint(0, 7);
        QTest::newRow("control end")
            << QPoint(3, 7) << int(Qt::Key_End) << control << QPoint(14, 499);
        QTest::newRow("control home")
            << QPoint(9, 300) << int(Qt::Key_Home) << control << QPoint(0, 0);
        QTest::newRow("tab") << QPoint(3, 7) << int(Qt::Key_Tab) << none << QPoint(5, 7);
        QTest::newRow("tab at the row's end")
            << QPoint(14, 7) << int(Qt::Key_Tab) << none << QPoint(0, 8);
        QTest::newRow("back tab at the row's start")
            << QPoint(0, 8) << int(Qt::Key_Backtab) << none << QPoint(14, 7);
    }

    void keysMoveTheCurrentCell()
    {
        QFETCH(QPoint, from);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QPoint, to);
        m_view->setColumnHidden(4, true);
        m_view->setColumnHidden(15, true);
        m_view->setFocus();
        m_view->setCurrentIndex(m_model->index(from.y(), from.x()));
        QTest::keyClick(m_view.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        const int row = to.y() < 0 ? from.y() + m_view->rowsPerPage() : to.y();
        QCOMPARE(m_view->currentIndex(), m_model->index(row, to.x()));
        QVERIFY(inView(*m_view, m_view->currentIndex()));
        // One row selected, the current one.
        QCOMPARE(m_view->selectionModel()->selectedRows().size(), 1);
        QVERIFY(m_view->selectionModel()->isRowSelected(row, QModelIndex()));
    }

    void typingSearchesNothing()
    {
        // Every row's text starts with "r": a search would move to the next row.
        m_view->setFocus();
        m_view->setCurrentIndex(m_model->index(3, 2));
        QTest::keyClicks(m_view.get(), QStringLiteral("r1+"));
        QCOMPARE(m_view->currentIndex(), m_model->index(3, 2));
    }

    void scrollingCountsRows_data()
    {
        QTest::addColumn<int>("hint");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("top"); // -1: the row is the last one wholly in view
        QTest::newRow("ensure below") << int(QAbstractItemView::EnsureVisible) << 250 << -1;
        QTest::newRow("ensure in view") << int(QAbstractItemView::EnsureVisible) << 3 << 0;
        QTest::newRow("at top") << int(QAbstractItemView::PositionAtTop) << 250 << 250;
        QTest::newRow("at top near the end") << int(QAbstractItemView::PositionAtTop) << 499 << -1;
        QTest::newRow("at bottom") << int(QAbstractItemView::PositionAtBottom) << 250 << -1;
        QTest::newRow("at bottom near the start")
            << int(QAbstractItemView::PositionAtBottom) << 2 << 0;
    }

    void scrollingCountsRows()
    {
        QFETCH(int, hint);
        QFETCH(int, row);
        QFETCH(int, top);
        const QModelIndex index = m_model->index(row, 1);
        m_view->scrollTo(index, QAbstractItemView::ScrollHint(hint));
        QVERIFY(inView(*m_view, index));
        if (top >= 0) {
            QCOMPARE(m_view->topRow(), top);
        } else {
            // Scrolled no further than needed: the row below is not wholly in view.
            QVERIFY(row == 499 || !inView(*m_view, m_model->index(row + 1, 1)));
            QVERIFY(inView(*m_view, m_model->index(row - m_view->rowsPerPage() + 1, 1)));
        }
        // The bar steps one row at a time; the last row can come fully in view.
        QCOMPARE(m_view->verticalScrollBar()->singleStep(), 1);
        QCOMPARE(m_view->verticalScrollBar()->maximum(), 500 - m_view->rowsPerPage());
    }

    void scrollingSidewaysLeavesFrozenCellsAndCentresOthers()
    {
        QScrollBar* bar = m_view->horizontalScrollBar();
        bar->setValue(bar->maximum());
        m_view->scrollTo(m_model->index(5, 1));
        QCOMPARE(bar->value(), bar->maximum()); // a frozen cell is in view already

        const int frozen = m_view->frozenWidth();
        const int middle = frozen + (m_view->viewport()->width() - frozen) / 2;
        m_view->scrollTo(m_model->index(5, 8), QAbstractItemView::PositionAtCenter);
        const int centre = m_view->columnViewportPosition(8) + m_view->columnWidth(8) / 2;
        QVERIFY2(qAbs(centre - middle) <= 1,
                 qPrintable(QStringLiteral("%1 %2").arg(centre).arg(middle)));
        QCOMPARE(m_view->rowAt(-1), -1); // above the rows
    }

    void wheelScrollsWholeRows()
    {
        const QPoint at = m_view->viewport()->rect().center();
        QWheelEvent wheel(at, m_view->viewport()->mapToGlobal(at), {}, QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_view->viewport(), &wheel);
        QCOMPARE(m_view->topRow(), QApplication::wheelScrollLines());
        QCOMPARE(seenAt(*m_view, QPoint(1, 1)).row(), QApplication::wheelScrollLines());
    }

    void rowsSweptWithTheMouseAreSelected()
    {
        m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        const QPoint start = m_view->visualRect(m_model->index(2, 1)).center();
        const QPoint end = m_view->visualRect(m_model->index(5, 7)).center();
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, start);
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, Qt::ShiftModifier, end);
        const QModelIndexList rows = m_view->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), 4);
        for (int row = 2; row <= 5; ++row)
            QVERIFY(m_view->selectionModel()->isRowSelected(row, QModelIndex()));
        // A click below the last row selects no row.
        auto few = model(3, 16);
        m_view->setSelectionMode(QAbstractItemView::SingleSelection);
        m_view->setModel(few.get());
        m_view->setCurrentIndex(few->index(1, 0));
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {},
                          QPoint(50, m_view->viewport()->height() - 2));
        QVERIFY(!m_view->selectionModel()->isRowSelected(2, QModelIndex()));
        QCOMPARE(m_view->currentIndex().row(), 1);
        m_view->setModel(m_model.get());
    }

    void selectedRowAndGridArePainted()
    {
        m_view->setCurrentIndex(m_model->index(2, 5));
        m_view->horizontalScrollBar()->setValue(100);
        const QImage picture = m_view->viewport()->grab().toImage();
        const QColor highlight = m_view->palette().color(QPalette::Active, QPalette::Highlight);
        const QColor base = m_view->palette().color(QPalette::Active, QPalette::Base);
        for (int column : {1, 5}) {
            const QRect cell = m_view->visualRect(m_model->index(2, column));
            const QRect other = m_view->visualRect(m_model->index(3, column));
            const QPoint inside(cell.right() - 2, cell.center().y());
            QVERIFY(near(picture.pixelColor(inside), highlight));
            QCOMPARE(picture.pixelColor(other.right() - 2, other.center().y()), base);
            // The grid line closes the cell on the right and at the bottom.
            QVERIFY(!near(picture.pixelColor(cell.right() + 1, cell.center().y()), highlight));
            QVERIFY(picture.pixelColor(cell.right() + 1, cell.center().y()) != base);
            QVERIFY(picture.pixelColor(inside.x(), cell.bottom() + 1) != base);
        }
        // The frozen part covers what scrolled beneath it.
        const int under = m_view->frozenWidth() - 3;
        QCOMPARE(picture.pixelColor(under, m_view->visualRect(m_model->index(3, 1)).center().y()),
                 base);
        QVERIFY(
            near(picture.pixelColor(under, m_view->visualRect(m_model->index(2, 1)).center().y()),
                 highlight));
    }

    void scrollStepsShowWhatAFullPaintShows_data()
    {
        QTest::addColumn<int>("step");
        QTest::newRow("one row down") << 1;
        QTest::newRow("three rows down") << 3;
        QTest::newRow("two rows up") << -2;
        QTest::newRow("more than a page") << 40;
    }

    void scrollStepsShowWhatAFullPaintShows()
    {
        // The rows that stay in view are moved on the screen, not painted
        // again: the screen must still show what a whole new picture shows.
        QFETCH(int, step);
        m_view->setCurrentIndex(m_model->index(14, 5));
        m_view->verticalScrollBar()->setValue(10);
        QTest::qWait(50);
        m_view->verticalScrollBar()->setValue(10 + step);
        QCOMPARE(screenDiffers(*m_view), 0);
    }

    void aSelectedRowHalfInViewIsPainted()
    {
        // The row at the bottom that shows only in part.
        const int height = m_view->viewport()->height();
        const int rowHeight = m_view->rowHeight();
        m_view->resize(m_view->width(), m_view->height() - height % rowHeight + rowHeight / 2);
        QTest::qWait(50);
        const int half = m_view->topRow() + m_view->rowsPerPage();
        QVERIFY(m_view->visualRect(m_model->index(half, 3)).top() < m_view->viewport()->height());
        m_view->selectionModel()->select(m_model->index(half, 3),
                                         QItemSelectionModel::ClearAndSelect |
                                             QItemSelectionModel::Rows);
        QCOMPARE(screenDiffers(*m_view), 0);
    }

    void frozenPartStandsStillSideways()
    {
        m_view->setCurrentIndex(m_model->index(4, 6));
        const QRect frozen(0, 0, m_view->frozenWidth(), m_view->viewport()->height());
        const QImage before = m_view->viewport()->grab(frozen).toImage();
        for (int offset : {37, 150, m_view->horizontalScrollBar()->maximum()}) {
            m_view->horizontalScrollBar()->setValue(offset);
            QCOMPARE(differentPixels(m_view->viewport()->grab(frozen).toImage(), before), 0);
        }
    }

    void cellTextsStayInTheirCells_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("rowStep"); // a scroll step after the sideways one
        QTest::newRow("first rows") << 500 << 0 << 0;
        QTest::newRow("then three rows down") << 500 << 0 << 3;
        QTest::newRow("a million rows, near the end") << 1'000'000 << 999'000 << 1;
    }

    void cellTextsStayInTheirCells()
    {
        // Each column's texts show inside the part of that column in view and
        // nowhere else: a scrolled column half under the frozen ones must
        // not show through them.
        QFETCH(int, rows);
        QFETCH(int, top);
        QFETCH(int, rowStep);
        ColouredCells cells(rows);
        m_view->setModel(&cells);
        m_view->setColumnWidth(1, 120);
        m_view->verticalScrollBar()->setValue(top);
        QScrollBar* bar = m_view->horizontalScrollBar();
        for (int offset : {37, 150, 211, bar->maximum()}) {
            bar->setValue(offset);
            if (rowStep != 0) {
                QTest::qWait(20);
                m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->value() +
                                                      rowStep);
            }
            QCOMPARE(screenDiffers(*m_view), 0);
            const QImage seen = m_view->viewport()->grab().toImage();
            const int frozen = m_view->frozenWidth();
            QVector<int> shown(cells.columnCount(), 0);
            for (int x = 0; x < seen.width(); ++x) {
                // The column whose part of the view holds x, worked out from the widths.
                int expected = -1;
                int left = 0;
                for (int column = 0; column < cells.columnCount(); ++column) {
                    const int width = m_view->columnWidth(column);
                    const int from = column < 2 ? left : qMax(frozen, left - offset);
                    const int to = column < 2 ? left + width : left + width - offset;
                    if (x >= from && x < to)
                        expected = column;
                    left += width;
                }
                for (int y = 0; y < seen.height(); y += 2) {
                    for (int column = 0; column < cells.columnCount(); ++column) {
                        if (!near(seen.pixelColor(x, y), ColouredCells::colour(column)))
                            continue;
                        QVERIFY2(column == expected,
                                 qPrintable(QStringLiteral("offset %1: column %2 at x %3, in %4")
                                                .arg(offset)
                                                .arg(column)
                                                .arg(x)
                                                .arg(expected)));
                        ++shown[column];
                    }
                }
            }
            // And every column in view shows its text.
            for (int column = 1; column < cells.columnCount(); ++column) {
                const int x = m_view->columnViewportPosition(column);
                if (x >= frozen && x + 20 < seen.width())
                    QVERIFY2(shown[column] > 0, qPrintable(QString::number(column)));
            }
            QVERIFY(shown[1] > 0);
        }
        m_view->setModel(m_model.get());
    }

    void sweptRectanglesSelectTheirCells_data()
    {
        // Rows and columns of the sweep's corners; rows in row heights from
        // the top of the table, a row of 1.5 lies half way down the second row.
        QTest::addColumn<int>("top");
        QTest::addColumn<QPointF>("from");
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<QRect>("cells"); // columns x rows; empty: none
        QTest::newRow("a cell") << 0 << QPointF(5, 1.5) << QPointF(5, 1.5) << QRect(5, 1, 1, 1);
        QTest::newRow("up and left")
            << 0 << QPointF(6, 3.5) << QPointF(5, 1.5) << QRect(5, 1, 2, 3);
        QTest::newRow("bookmark column")
            << 0 << QPointF(0, 2.5) << QPointF(0, 3.5) << QRect(0, 2, 1, 2);
        QTest::newRow("frozen to scrolled")
            << 0 << QPointF(1, 2.5) << QPointF(3, 2.5) << QRect(1, 2, 3, 1);
        QTest::newRow("past the last row")
            << 0 << QPointF(2, 1.5) << QPointF(3, 8.5) << QRect(2, 1, 2, 4);
        QTest::newRow("below the rows") << 0 << QPointF(2, 6.5) << QPointF(3, 8.5) << QRect();
        QTest::newRow("from above the view, scrolled")
            << 3 << QPointF(2, 1.5) << QPointF(2, 3.5) << QRect(2, 1, 1, 3);
    }

    void sweptRectanglesSelectTheirCells()
    {
        QFETCH(int, top);
        QFETCH(QPointF, from);
        QFETCH(QPointF, to);
        QFETCH(QRect, cells);
        auto rows = model(top > 0 ? 500 : 5, 16);
        SweptView view;
        view.setModel(rows.get());
        view.setColumnWidth(1, 120);
        view.resize(600, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.verticalScrollBar()->setValue(top);
        const auto at = [&](const QPointF& cell) {
            const int x = view.visualRect(rows->index(0, int(cell.x()))).center().x();
            return QPoint(x, int((cell.y() - top) * view.rowHeight()));
        };
        view.setSelection(QRect(at(from), at(to)), QItemSelectionModel::ClearAndSelect);
        const QModelIndexList selected = view.selectionModel()->selectedIndexes();
        QCOMPARE(selected.size(), cells.width() * cells.height());
        for (const QModelIndex& index : selected)
            QVERIFY(cells.contains(index.column(), index.row()));
    }

    void rowsFollowTheFont()
    {
        QFont large = m_view->font();
        large.setPointSize(large.pointSize() * 3);
        m_view->setFont(large);
        QVERIFY(m_view->rowHeight() > QFontMetrics(large).height());
        QCOMPARE(m_view->visualRect(m_model->index(1, 2)).top(), m_view->rowHeight());
        m_view->setMinimumRowHeight(200);
        QCOMPARE(m_view->rowHeight(), 200);
        QCOMPARE(m_view->rowsPerPage(), 1);
    }

    void rowsCostNoMemory()
    {
        // More rows than pixels an int can count at this height.
        CountedRows rows(100'000'000);
        m_view->setModel(&rows);
        for (const QHeaderView* header : m_view->findChildren<QHeaderView*>()) {
            QCOMPARE(header->orientation(), Qt::Horizontal);
            QVERIFY(header->count() <= rows.columnCount());
        }
        QCOMPARE(m_view->verticalScrollBar()->maximum(), 100'000'000 - m_view->rowsPerPage());

        m_view->setFocus();
        m_view->setCurrentIndex(rows.index(0, 3));
        QTest::keyClick(m_view.get(), Qt::Key_End, Qt::ControlModifier);
        const QModelIndex last = rows.index(99'999'999, 15);
        QCOMPARE(m_view->currentIndex(), last);
        QVERIFY(inView(*m_view, last));
        QTest::keyClick(m_view.get(), Qt::Key_PageUp);
        QCOMPARE(m_view->currentIndex().row(), 99'999'999 - m_view->rowsPerPage());
        // Far rows are out of view, above or below, and never wrap round.
        QVERIFY(m_view->visualRect(rows.index(0, 2)).bottom() < 0);
        m_view->verticalScrollBar()->setValue(0);
        QVERIFY(m_view->visualRect(last).top() > m_view->viewport()->height());
        QVERIFY(!m_view->viewport()->grab().isNull());
        m_view->setModel(m_model.get());
    }

private:
    std::unique_ptr<QStandardItemModel> m_model;
    std::unique_ptr<FrozenColumnsTableView> m_view;
};

QTEST_MAIN(TestFrozenColumnsTableView)
#include "test_frozencolumnstableview.moc"
