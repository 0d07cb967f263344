#include "table/protocoltablefiller.h"

#include "table/doubletablewidgetitem.h"
#include "table/protocolassembly.h"
#include "table/protocoltablerow.h"
#include "table/tablefilter.h"
#include "table/tickrole.h"
#include "table/timetablewidgetitem.h"
#include "tests/table/fakelookup.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QtTest>

namespace {

QVector<LogRecord> ramp(quint8 id, int count, int first)
{
    QVector<LogRecord> records;
    for (int i = 0; i < count; ++i)
        records.append(LogRecord{id, quint32(i), first + i});
    return records;
}

const QDateTime start(QDate(2024, 1, 31), QTime(23, 59, 59));

} // namespace

class TestProtocolTableFiller : public QObject
{
    Q_OBJECT

    FakeLookup catalogue;
    std::unique_ptr<QTableWidget> table;
    std::unique_ptr<ProtocolAssembly> assembly;

    void fill()
    {
        ProtocolTableFiller filler(*table, *assembly);
        filler.setupColumns();
        for (int i = 0; i < assembly->protocolCount(); ++i)
            QVERIFY(filler.fillProtocol(i));
        filler.sortByTime();
    }

    QVector<bool> hiddenRows() const
    {
        QVector<bool> hidden;
        for (int row = 0; row < table->rowCount(); ++row)
            hidden.append(table->isRowHidden(row));
        return hidden;
    }

private slots:
    void init()
    {
        catalogue = FakeLookup();
        catalogue.addChannel("A", 1, "Ток", 1);
        catalogue.addChannel("M", 2, "Режим", 0);
        catalogue.addRef("M", 1, "Вкл");
        table = std::make_unique<QTableWidget>(0, 2);
        auto* bookmark = new QTableWidgetItem(QIcon(), QString());
        bookmark->setToolTip("Закладка");
        table->setHorizontalHeaderItem(0, bookmark);
        table->setHorizontalHeaderItem(1, new QTableWidgetItem("Дата"));

        // Two files half a second apart, 1 s ticks; the second lacks M.
        assembly = std::make_unique<ProtocolAssembly>(catalogue, start.addYears(10));
        assembly->addProtocol(start, 1000, {{"A", ramp(1, 3, 10)}, {"M", ramp(2, 3, 0)}});
        assembly->addProtocol(start.addMSecs(500), 1000, {{"A", ramp(1, 2, 100)}});
        QVERIFY(assembly->build());
    }

    void fillsTheTableInTimeOrder()
    {
        // A sort indicator left on a value column by the previous read.
        table->horizontalHeader()->setSortIndicator(0, Qt::DescendingOrder);
        fill();

        QCOMPARE(table->columnCount(), 4);
        QCOMPARE(table->horizontalHeaderItem(0)->toolTip(), QStringLiteral("Закладка"));
        QCOMPARE(ProtocolTableRow::headerTexts(*table),
                 QStringList({QString(), "Дата", "Ток (A)", "Режим (M)"}));
        QVERIFY(table->isSortingEnabled());
        QCOMPARE(table->horizontalHeader()->sortIndicatorSection(), 1);
        QCOMPARE(table->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);

        QStringList times, ticks, values, modes;
        for (int row = 0; row < table->rowCount(); ++row) {
            const QTableWidgetItem* time = table->item(row, 1);
            QCOMPARE(time->type(), int(TimeTableWidgetItem::Type));
            times.append(time->text());
            ticks.append(QString::number(time->data(TickRole).toInt()));
            values.append(table->item(row, 2)->text());
            QVERIFY(dynamic_cast<DoubleTableWidgetItem*>(table->item(row, 2)));
            modes.append(table->item(row, 3) ? table->item(row, 3)->text() : "-");
        }
        QCOMPARE(times, QStringList({"31/01/2024 23:59:59.000", "31/01/2024 23:59:59.500",
                                     "01/02/2024 00:00:00.000", "01/02/2024 00:00:00.500",
                                     "01/02/2024 00:00:01.000"}));
        QCOMPARE(ticks, QStringList({"0", "0", "1", "1", "2"}));
        QCOMPARE(values, QStringList({"1", "10", "1.1", "10.1", "1.2"}));
        QCOMPARE(modes, QStringList({"0", "-", "Вкл", "-", "2"}));
        QVERIFY(!dynamic_cast<DoubleTableWidgetItem*>(table->item(2, 3)));
        QVERIFY(dynamic_cast<DoubleTableWidgetItem*>(table->item(4, 3)));
    }

    void cancelStopsAfterTheCurrentRow()
    {
        ProtocolTableFiller filler(*table, *assembly);
        filler.setupColumns();
        QVector<int> progress;
        int asked = 0;
        ProtocolTableFiller::Hooks hooks;
        hooks.beforeRow = [&](int record) { progress.append(record); };
        hooks.cancelled = [&] { return ++asked == 3; };
        // Asked before the first row and after rows 0 and 1.
        QVERIFY(!filler.fillProtocol(0, hooks));
        QCOMPARE(progress, QVector<int>({0, 1}));
        QVERIFY(table->item(0, 1));
        QVERIFY(!table->item(4, 1));

        // Not asked after the last row.
        asked = -100;
        progress.clear();
        QVERIFY(filler.fillProtocol(1, hooks));
        QCOMPARE(progress, QVector<int>({0, 1}));
        QCOMPARE(asked, -98);
    }

    void filterHidesRowsByStoredTime()
    {
        fill();
        // Cells: A 1, 10, 1.1, 10.1, 1.2 and M only in the first file's rows.
        const QStringList headers = ProtocolTableRow::headerTexts(*table);
        const QDateTime end = start.addSecs(2);
        ProtocolTableRow::applyFilter(*table,
                                      TableFilter({{"Ток (A)", 1, 2}}, headers, true, start, end));
        QCOMPARE(hiddenRows(), QVector<bool>({false, true, false, true, false}));

        // The window ends half a second in; M is missing in the second file's rows.
        ProtocolTableRow::applyFilter(
            *table, TableFilter({{"Режим (M)", 0, 0}}, headers, true, start, start.addMSecs(500)));
        QCOMPARE(hiddenRows(), QVector<bool>({false, true, true, true, true}));

        ProtocolTableRow::applyFilter(*table, TableFilter({}, headers, false, start, start));
        QCOMPARE(hiddenRows(), QVector<bool>(table->rowCount(), false));

        // A time cell of another kind is read from its text.
        table->setSortingEnabled(false);
        table->setItem(0, 1, new QTableWidgetItem("31/01/2024 23:59:59.250"));
        QCOMPARE(ProtocolTableRow(*table, 0).msecsSinceEpoch(),
                 start.addMSecs(250).toMSecsSinceEpoch());
    }
};

QTEST_MAIN(TestProtocolTableFiller)
#include "test_protocoltablefiller.moc"
