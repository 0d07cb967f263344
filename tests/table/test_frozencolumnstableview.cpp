#include "table/frozencolumnstableview.h"

#include <QAction>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
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

// Where the user sees a cell: in the frozen part, or else in the view.
QRect onScreen(const FrozenColumnsTableView& view, const QModelIndex& index)
{
    const QTableView* part = index.column() < view.frozenColumnCount() ? view.frozenView() : &view;
    const QRect cell = part->visualRect(index);
    return QRect(part->viewport()->mapTo(&view, cell.topLeft()), cell.size());
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
        const QRect viewport(m_view->viewport()->mapTo(m_view.get(), QPoint()),
                             m_view->viewport()->size());
        m_view->setFocus();
        m_view->setCurrentIndex(m_model->index(0, 2));
        QTest::keyClick(m_view.get(), Qt::Key_End, Qt::ControlModifier);
        const int last = m_model->rowCount() - 1;
        QCOMPARE(m_view->currentIndex(), m_model->index(last, 15));
        QVERIFY(m_view->horizontalScrollBar()->value() > 0);
        for (int column : {0, 1}) {
            const QRect cell = onScreen(*m_view, m_model->index(last, column));
            QVERIFY2(viewport.contains(cell), qPrintable(QString::number(column)));
        }
        // Both parts show the same rows.
        QCOMPARE(m_view->frozenView()->rowAt(0), m_view->rowAt(0));
        QCOMPARE(onScreen(*m_view, m_model->index(last, 1)).top(),
                 onScreen(*m_view, m_model->index(last, 15)).top());
        // The frozen part covers exactly the two columns.
        QCOMPARE(m_view->frozenView()->width(), m_view->columnWidth(0) + m_view->columnWidth(1));

        // Walking left, a column never hides under the frozen part.
        for (int step = 0; step < 13; ++step)
            QTest::keyClick(m_view.get(), Qt::Key_Left);
        QCOMPARE(m_view->currentIndex().column(), 2);
        QVERIFY(m_view->visualRect(m_view->currentIndex()).left() >= m_view->frozenWidth());
        // Home goes back to the start.
        QTest::keyClick(m_view.get(), Qt::Key_Home);
        QCOMPARE(m_view->horizontalScrollBar()->value(), 0);
    }

    void frozenPartActsAsTheView()
    {
        QTableView* frozen = m_view->frozenView();
        QSignalSpy clicked(m_view.get(), &QTableView::clicked);
        const QModelIndex cell = m_model->index(3, 1);
        QTest::mouseClick(frozen->viewport(), Qt::LeftButton, {},
                          frozen->visualRect(cell).center());
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked[0][0].toModelIndex(), cell);
        // One selection and one current row for both parts.
        QCOMPARE(m_view->currentIndex().row(), 3);
        QVERIFY(m_view->selectionModel()->isRowSelected(3, QModelIndex()));

        // Scrolling either part scrolls the other.
        m_view->verticalScrollBar()->setValue(120);
        QCOMPARE(frozen->verticalScrollBar()->value(), 120);
        frozen->verticalScrollBar()->setValue(40);
        QCOMPARE(m_view->verticalScrollBar()->value(), 40);

        // The view's own menu is offered on the frozen part too.
        auto* action = new QAction(QStringLiteral("Заметка"), m_view.get());
        m_view->addAction(action);
        QCOMPARE(frozen->actions(), QList<QAction*>{action});
    }

    void frozenHeaderSortsAndTurnsTheOrder()
    {
        QHeaderView* header = m_view->frozenView()->horizontalHeader();
        const QPoint time(header->sectionViewportPosition(1) + 20, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, time);
        QCOMPARE(m_view->horizontalHeader()->sortIndicatorSection(), 1);
        QCOMPARE(m_model->index(0, 1).data().toInt(), 1);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, time);
        QCOMPARE(m_model->index(0, 1).data().toInt(), 500);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    }

    void widthsFollowEitherHeader()
    {
        m_view->setColumnWidth(1, 150);
        QCOMPARE(m_view->frozenView()->columnWidth(1), 150);
        QCOMPARE(m_view->frozenView()->width(), m_view->columnWidth(0) + 150);
        m_view->frozenView()->setColumnWidth(1, 170);
        QCOMPARE(m_view->columnWidth(1), 170);
        // A model of other columns keeps the first two frozen.
        auto other = model(10, 4);
        m_view->setModel(other.get());
        QVERIFY(!m_view->frozenView()->isColumnHidden(1));
        QVERIFY(m_view->frozenView()->isColumnHidden(2));
        m_view->setModel(m_model.get());
    }

private:
    std::unique_ptr<QStandardItemModel> m_model;
    std::unique_ptr<FrozenColumnsTableView> m_view;
};

QTEST_MAIN(TestFrozenColumnsTableView)
#include "test_frozencolumnstableview.moc"
