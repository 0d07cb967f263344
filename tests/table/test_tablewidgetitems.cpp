#include "table/doubletablewidgetitem.h"
#include "table/tickrole.h"
#include "table/timetablewidgetitem.h"

#include <QTableWidget>
#include <QtTest>

#include <limits>

class TestTableWidgetItems : public QObject
{
    Q_OBJECT

private slots:
    void numberAndTextCellsCompare()
    {
        const DoubleTableWidgetItem minusOne("-1");
        const DoubleTableWidgetItem one("1");
        const QTableWidgetItem on(QStringLiteral("Вкл"));
        // Numerically, where a text sort would not.
        QVERIFY(DoubleTableWidgetItem("9.5") < DoubleTableWidgetItem("10"));
        QVERIFY(one < DoubleTableWidgetItem("1.23457e+06"));
        // A number cell reads a text cell as 0.
        QVERIFY(minusOne < on);
        QVERIFY(!(one < on));
        // A text cell compares by text, also against a number cell.
        QVERIFY(on < QTableWidgetItem(QStringLiteral("Выкл")));
        QVERIFY(!(on < one));
        QVERIFY(QTableWidgetItem("1") < on);
        // Not a number is never before anything.
        const DoubleTableWidgetItem nan("nan");
        QVERIFY(!(nan < one));
        QVERIFY(!(one < nan));
        QVERIFY(!(nan < nan));
    }

    void timeCellsSortByStoredTime()
    {
        // Month and year boundaries: a text sort would get all of these wrong.
        const QVector<QDateTime> times = {
            QDateTime(QDate(2024, 2, 1), QTime(0, 0)),
            QDateTime(QDate(2024, 1, 31), QTime(23, 59, 59, 999)),
            QDateTime(QDate(2023, 12, 31), QTime(12, 0)),
            QDateTime(QDate(2024, 1, 31), QTime(23, 59, 59, 999)),
        };
        QTableWidget table(times.size(), 2);
        for (int row = 0; row < times.size(); ++row) {
            table.setItem(row, 1,
                          new TimeTableWidgetItem(times[row].toString("dd/MM/yyyy hh:mm:ss.zzz"),
                                                  times[row].toMSecsSinceEpoch(), row));
        }
        table.sortItems(1, Qt::AscendingOrder);
        QStringList ticks;
        for (int row = 0; row < table.rowCount(); ++row)
            ticks.append(table.item(row, 1)->data(TickRole).toString());
        // Equal times keep their order.
        QCOMPARE(ticks, QStringList({"2", "1", "3", "0"}));
    }

    void timeCellKeepsTickAndType()
    {
        const TimeTableWidgetItem item("t", 5, -7);
        QCOMPARE(item.data(TickRole).toUInt(), uint(-7));
        const TimeTableWidgetItem last("t", 5, std::numeric_limits<qint32>::max());
        QCOMPARE(last.data(TickRole).toInt(), std::numeric_limits<qint32>::max());

        std::unique_ptr<QTableWidgetItem> copy(item.clone());
        QCOMPARE(copy->type(), int(TimeTableWidgetItem::Type));
        QCOMPARE(copy->text(), QStringLiteral("t"));
        QCOMPARE(copy->data(TickRole).toInt(), -7);
        const TimeTableWidgetItem later("a", 6, 0);
        QVERIFY(*copy < later);
        QVERIFY(!(later < *copy));
    }
};

QTEST_MAIN(TestTableWidgetItems)
#include "test_tablewidgetitems.moc"
