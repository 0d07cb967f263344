#include "table/cellsink.h"
#include "table/protocoltablemodel.h"

#include "table/protocolassembly.h"
#include "table/tablefilter.h"
#include "table/tickrole.h"
#include "tests/table/fakelookup.h"

#include <QtTest>

namespace {

QVector<LogRecord> ramp(quint8 id, int count, int first)
{
    QVector<LogRecord> records;
    for (int i = 0; i < count; ++i)
        records.append(LogRecord{id, quint32(i), first + i});
    return records;
}

QVector<LogRecord> values(quint8 id, const QVector<int>& raws)
{
    QVector<LogRecord> records;
    for (int i = 0; i < raws.size(); ++i)
        records.append(LogRecord{id, quint32(i), raws[i]});
    return records;
}

const QDateTime start(QDate(2024, 1, 31), QTime(23, 59, 59));

} // namespace

class TestProtocolTableModel : public QObject
{
    Q_OBJECT

    FakeLookup catalogue;
    std::unique_ptr<ProtocolAssembly> assembly;
    std::unique_ptr<ProtocolTableModel> model;

    void show()
    {
        QVERIFY(assembly->build());
        model->setAssembly(assembly.get());
    }

    // The texts of one column, model rows in order; "-" where there is no cell.
    QStringList column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < model->rowCount(); ++row) {
            const QVariant text = model->index(row, column).data();
            texts.append(text.isValid() ? text.toString() : QStringLiteral("-"));
        }
        return texts;
    }

    QVector<bool> hiddenRows() const
    {
        QVector<bool> hidden;
        for (int row = 0; row < model->allRowCount(); ++row)
            hidden.append(model->isHidden(model->globalRowAt(row)));
        return hidden;
    }

    // Rows of one file with 1 s ticks: channel A (RATE 1) and the enumerated M.
    void oneFile(const QVector<int>& a, const QVector<int>& m)
    {
        assembly->addProtocol(start, 1000, {{"A", values(1, a)}, {"M", values(2, m)}});
        show();
    }

private slots:
    void init()
    {
        catalogue = FakeLookup();
        catalogue.addChannel("A", 1, "Ток", 1);
        catalogue.addChannel("M", 2, "Режим", 0);
        catalogue.addRef("M", 1, "Вкл");
        catalogue.addRef("M", 3, "Выкл");
        assembly = std::make_unique<ProtocolAssembly>(catalogue, start.addYears(10));
        model = std::make_unique<ProtocolTableModel>();
    }

    void showsTheRowsInTimeOrder()
    {
        QCOMPARE(model->columnCount(), 2);
        QCOMPARE(model->rowCount(), 0);
        // Two files half a second apart, 1 s ticks; the second lacks M.
        assembly->addProtocol(start, 1000, {{"A", ramp(1, 3, 10)}, {"M", ramp(2, 3, 0)}});
        assembly->addProtocol(start.addMSecs(500), 1000, {{"A", ramp(1, 2, 100)}});
        show();

        QCOMPARE(model->columnCount(), 4);
        QCOMPARE(model->headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString(),
                 QStringLiteral("Закладка"));
        QCOMPARE(model->headerLabels(), QStringList({QString(), "Дата", "Ток (A)", "Режим (M)"}));
        QCOMPARE(column(1), QStringList({"31/01/2024 23:59:59.000", "31/01/2024 23:59:59.500",
                                         "01/02/2024 00:00:00.000", "01/02/2024 00:00:00.500",
                                         "01/02/2024 00:00:01.000"}));
        QStringList ticks;
        for (int row = 0; row < model->rowCount(); ++row)
            ticks.append(QString::number(model->index(row, 1).data(TickRole).toInt()));
        QCOMPARE(ticks, QStringList({"0", "0", "1", "1", "2"}));
        QCOMPARE(column(2), QStringList({"1", "10", "1.1", "10.1", "1.2"}));
        QCOMPARE(column(3), QStringList({"0", "-", "Вкл", "-", "2"}));
        QCOMPARE(column(0), QStringList({"-", "-", "-", "-", "-"}));

        model->setAssembly(nullptr);
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(model->columnCount(), 2);
    }

    void rowsTellTheirProtocol()
    {
        // Two overlapping files: the rows interleave.
        const auto file = [](int first) {
            ProtocolColumns columns;
            columns.ticks = {0, 1};
            // The second record carries another ID of another RATE.
            columns.channels.push_back({"A", 1, {first, first + 1}, {1, 4}, false});
            return columns;
        };
        catalogue.rates.insert(4, 3);
        assembly->addProtocol(start, 1000, file(10), QStringLiteral("/data/one.log"));
        assembly->addProtocol(start.addMSecs(500), 1000, file(20), QStringLiteral("/data/two.log"));
        show();
        QCOMPARE(model->index(1, 1).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("Протокол: %1").arg(QDir::toNativeSeparators("/data/two.log")));
        QCOMPARE(model->protocolName(model->globalRowOf(2)), QStringLiteral("one.log"));
        QCOMPARE(model->columnCount(), 3);
        QCOMPARE(model->protocolColumn(), -1);

        // Shown, it is a column like the others, reports included; a sort by
        // it puts the files one after the other.
        QSignalSpy inserted(model.get(), &QAbstractItemModel::columnsInserted);
        model->setProtocolColumnShown(true);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(model->headerLabels().last(), QStringLiteral("Протокол"));
        QCOMPARE(column(3), QStringList({"one.log", "two.log", "one.log", "two.log"}));
        QVERIFY(!model->isNumberCell(model->globalRowOf(0), 3));
        // A report takes a row at once: the same cells as one by one.
        struct RowTexts : CellSink
        {
            QStringList cells;
            void take(int column, const QString& text) override { cells[column] = text; }
        };
        for (int row = 0; row < model->allRowCount(); ++row) {
            RowTexts texts;
            texts.cells = QVector<QString>(model->columnCount(), "-").toList();
            model->rowCells(row, texts);
            for (int c = 1; c < model->columnCount(); ++c) {
                QString text;
                QCOMPARE(texts.cells[c], model->cellText(row, c, text) ? text : QString("-"));
            }
        }
        model->sort(3, Qt::DescendingOrder);
        QCOMPARE(column(2), QStringList({"2", "0.021", "1", "0.011"}));

        // It stays through a new load, and goes when asked.
        show();
        QCOMPARE(model->columnCount(), 4);
        model->setProtocolColumnShown(false);
        QCOMPARE(model->columnCount(), 3);
        QCOMPARE(model->headerLabels().size(), 3);
    }

    void filterHidesRowsByStoredTime()
    {
        assembly->addProtocol(start, 1000, {{"A", ramp(1, 3, 10)}, {"M", ramp(2, 3, 0)}});
        assembly->addProtocol(start.addMSecs(500), 1000, {{"A", ramp(1, 2, 100)}});
        show();
        // Cells: A 1, 10, 1.1, 10.1, 1.2 and M only in the first file's rows.
        const QStringList headers = model->headerLabels();
        const QDateTime end = start.addSecs(2);
        model->applyFilter(TableFilter({{"Ток (A)", 1, 2}}, headers, true, start, end));
        QCOMPARE(hiddenRows(), QVector<bool>({false, true, false, true, false}));
        QCOMPARE(column(2), QStringList({"1", "1.1", "1.2"}));

        // The window ends half a second in; M is missing in the second file's rows.
        model->applyFilter(
            TableFilter({{"Режим (M)", 0, 0}}, headers, true, start, start.addMSecs(500)));
        QCOMPARE(hiddenRows(), QVector<bool>({false, true, true, true, true}));

        model->applyFilter(TableFilter({}, headers, false, start, start));
        QCOMPARE(hiddenRows(), QVector<bool>(model->allRowCount(), false));
        QCOMPARE(model->rowCount(), 5);
    }

    void valueColumnsSortByTheirNumbers()
    {
        // 10, 9.5 and -2 order numerically; 1234567 and 1234568 keep every
        // digit and so their order.
        oneFile({100, 95, -20, 12345670, 12345680, 10}, {0, 0, 0, 0, 0, 0});
        // The current cell, here on the very first record, follows its row.
        const QPersistentModelIndex current = model->index(0, 2);
        model->sort(2, Qt::AscendingOrder);
        QCOMPARE(column(2), QStringList({"-2", "1", "9.5", "10", "1234567", "1234568"}));
        QCOMPARE(current.row(), 3);
        QCOMPARE(current.data().toString(), QStringLiteral("10"));
        QCOMPARE(column(1).mid(4),
                 QStringList({"01/02/2024 00:00:02.000", "01/02/2024 00:00:03.000"}));
        model->sort(2, Qt::DescendingOrder);
        QCOMPARE(column(2), QStringList({"1234568", "1234567", "10", "9.5", "1", "-2"}));
        QCOMPARE(column(1).first(), QStringLiteral("01/02/2024 00:00:03.000"));
        model->sort(1, Qt::DescendingOrder);
        QCOMPARE(column(2), QStringList({"1", "1234568", "1234567", "-2", "9.5", "10"}));
    }

    void equalCellsKeepTimeOrderAndEmptyCellsGoLast_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("order");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("numbers ascending") << 2 << int(Qt::AscendingOrder) << QStringList{"1", "3"};
        QTest::newRow("numbers descending")
            << 2 << int(Qt::DescendingOrder) << QStringList{"3", "1"};
        QTest::newRow("texts ascending")
            << 3 << int(Qt::AscendingOrder) << QStringList{"Вкл", "Выкл"};
        QTest::newRow("texts descending")
            << 3 << int(Qt::DescendingOrder) << QStringList{"Выкл", "Вкл"};
    }

    void equalCellsKeepTimeOrderAndEmptyCellsGoLast()
    {
        QFETCH(int, column);
        QFETCH(int, order);
        QFETCH(QStringList, keys);
        // Enough equal cells for an unstable sort to show; a second file
        // without A and M puts rows without cells among them.
        catalogue.addChannel("B", 6, "Бета", 0);
        QVector<int> a;
        QVector<int> m;
        for (int i = 0; i < 120; ++i) {
            a.append(i % 3 == 0 ? 30 : 10);
            m.append(i % 3 == 0 ? 3 : 1);
        }
        assembly->addProtocol(start, 1000, {{"A", values(1, a)}, {"M", values(2, m)}});
        assembly->addProtocol(start.addMSecs(500), 1000, {{"B", ramp(6, 40, 0)}});
        show();
        QCOMPARE(model->headerLabels().mid(2), QStringList({"Ток (A)", "Режим (M)", "Бета (B)"}));

        QVector<int> expected;
        for (const QString& key : keys + QStringList{QString()}) {
            for (int row = 0; row < model->rowCount(); ++row) {
                const int global = model->globalRowOf(row);
                QString text;
                if (model->cellText(global, column, text) ? text == key : key.isNull())
                    expected.append(global);
            }
        }
        QCOMPARE(int(expected.size()), 160);
        model->sort(column, Qt::SortOrder(order));
        QVector<int> sorted;
        for (int row = 0; row < model->rowCount(); ++row)
            sorted.append(model->globalRowOf(row));
        QCOMPARE(sorted, expected);
    }

    void enumeratedColumnsMixTextAndNumbers()
    {
        // A number cell reads a text cell as 0; a text cell compares by text.
        oneFile({0, 0, 0, 0, 0}, {1, -1, 3, 5, 0});
        model->sort(3, Qt::AscendingOrder);
        QCOMPARE(column(3), QStringList({"-1", "Вкл", "Выкл", "0", "5"}));
    }

    // Against the plain rule, cell by cell, on many rows: texts by collation
    // (two differing only in case), numbers by value, each sort from the order
    // before it, rows without a cell last. (Numbers read from texts as 0; with
    // positive numbers the rule orders no better than its comparisons happen
    // to run, so they are left out here.)
    void enumeratedColumnsSortAsCellByCellComparison()
    {
        catalogue.addRef("M", 4, "Авария");
        catalogue.addRef("M", 8, "вкл");
        QRandomGenerator random(5);
        const QVector<int> choices{-2, -5, -11, 1, 3, 4, 8};
        QVector<int> a;
        QVector<int> m;
        for (int i = 0; i < 400; ++i) {
            a.append(i);
            m.append(choices[int(random.bounded(choices.size()))]);
        }
        assembly->addProtocol(start, 1000, {{"A", values(1, a)}, {"M", values(2, m)}});
        assembly->addProtocol(start.addSecs(100), 1000, {{"A", ramp(1, 50, 0)}});
        show();
        const QSet<QString> refTexts{"Вкл", "Выкл", "Авария", "вкл"};
        for (const Qt::SortOrder order :
             {Qt::AscendingOrder, Qt::DescendingOrder, Qt::DescendingOrder, Qt::AscendingOrder}) {
            struct Item
            {
                int row;
                bool isText;
                double number;
                QString text;
            };
            std::vector<Item> items;
            QVector<int> expected;
            QVector<int> missing;
            for (int row = 0; row < model->rowCount(); ++row) {
                const int global = model->globalRowOf(row);
                QString text;
                if (!model->cellText(global, 3, text))
                    missing.append(global);
                else
                    items.push_back({global, refTexts.contains(text), text.toDouble(), text});
            }
            const auto less = [](const Item& x, const Item& y) {
                return x.isText ? x.text.localeAwareCompare(y.text) < 0 : x.number < y.number;
            };
            std::stable_sort(items.begin(), items.end(), [&](const Item& x, const Item& y) {
                return order == Qt::AscendingOrder ? less(x, y) : less(y, x);
            });
            for (const Item& item : items)
                expected.append(item.row);
            expected += missing;
            model->sort(3, order);
            QVector<int> sorted;
            for (int row = 0; row < model->rowCount(); ++row)
                sorted.append(model->globalRowOf(row));
            QCOMPARE(sorted, expected);
        }
    }

    void sortThenMarkThenFilter()
    {
        // Two files overlapping in time, so tick 1 is carried by the second
        // row of the first file and the first row of the second.
        assembly->addProtocol(start, 1000, {{"A", values(1, {50, 30, 10, 20})}});
        assembly->addProtocol(start.addSecs(1), 1000, {{"A", values(1, {15, 40, 60})}});
        show();
        model->sort(2, Qt::AscendingOrder);
        QCOMPARE(column(2), QStringList({"1", "1.5", "2", "3", "4", "5", "6"}));

        // The first of them in the current order gets the mark.
        const int marked = model->firstRowOfTick(1);
        QCOMPARE(marked, model->globalRowOf(1));
        model->setMarked(marked, true);
        QCOMPARE(column(0), QStringList({"-", "", "-", "-", "-", "-", "-"}));
        QVERIFY(!model->index(1, 0).data(Qt::DecorationRole).isNull());

        // Sorted by the marks, marked rows come first; the mark stays with its row.
        model->sort(0, Qt::DescendingOrder);
        QCOMPARE(column(2), QStringList({"1.5", "1", "2", "3", "4", "5", "6"}));

        model->applyFilter(TableFilter({{"Ток (A)", 1.5, 5}}, model->headerLabels(), true, start,
                                       start.addDays(1)));
        QCOMPARE(column(2), QStringList({"1.5", "2", "3", "4", "5"}));
        QCOMPARE(column(0), QStringList({"", "-", "-", "-", "-"}));
        QCOMPARE(model->firstRowOfTick(1), marked);
        model->setMarked(marked, false);
        QCOMPARE(column(0), QStringList({"-", "-", "-", "-", "-"}));
        QVERIFY(model->marks().empty());
        QCOMPARE(model->allRowCount(), 7);
    }

    void onlyANewOrderAnnouncesANewLayout()
    {
        // Two files overlapping in time: equal times that a sort from another
        // order could put either way.
        assembly->addProtocol(start, 1000, {{"A", values(1, {50, 30, 10})}});
        assembly->addProtocol(start.addSecs(1), 1000, {{"A", values(1, {15, 40})}});
        show();
        const QStringList timeOrder = column(2);
        QCOMPARE(timeOrder, QStringList({"5", "3", "1.5", "1", "4"}));
        QSignalSpy layouts(model.get(), &QAbstractItemModel::layoutAboutToBeChanged);

        // The window's sort after a load: the rows are in time order already.
        model->sort(1, Qt::AscendingOrder);
        QCOMPARE(layouts.count(), 0);
        QCOMPARE(column(2), timeOrder);

        model->sort(1, Qt::DescendingOrder);
        QCOMPARE(layouts.count(), 1);
        QCOMPARE(column(2), QStringList({"1", "4", "3", "1.5", "5"}));
        model->sort(2, Qt::DescendingOrder);
        model->sort(2, Qt::DescendingOrder);
        QCOMPARE(layouts.count(), 2);
        QCOMPARE(column(2), QStringList({"5", "4", "3", "1.5", "1"}));
        // Back to time, from the value order: the equal times keep that order.
        model->sort(1, Qt::AscendingOrder);
        QCOMPARE(layouts.count(), 3);
        QCOMPARE(column(2), QStringList({"5", "3", "1.5", "4", "1"}));
        model->sort(1, Qt::AscendingOrder);
        QCOMPARE(layouts.count(), 3);

        // A new assembly is in time order again.
        model->setAssembly(assembly.get());
        QCOMPARE(column(2), timeOrder);
        model->sort(1, Qt::DescendingOrder);
        QCOMPARE(layouts.count(), 4);
        QCOMPARE(column(2), QStringList({"1", "4", "3", "1.5", "5"}));
    }
};

QTEST_MAIN(TestProtocolTableModel)
#include "test_protocoltablemodel.moc"
