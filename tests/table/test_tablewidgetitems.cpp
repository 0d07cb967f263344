#include "table/doubletablewidgetitem.h"
#include "table/tickrole.h"
#include "table/timetablewidgetitem.h"

#include <QTableWidget>
#include <QtTest>

#include <limits>

namespace {

QStringList columnTexts(const QTableWidget& table, int column)
{
    QStringList texts;
    for (int row = 0; row < table.rowCount(); ++row)
        texts.append(table.item(row, column) ? table.item(row, column)->text() : QString());
    return texts;
}

} // namespace

class TestTableWidgetItems : public QObject
{
    Q_OBJECT

private slots:
    void valueColumnSortsNumerically();
    void numberAndTextCellsCompare();
    void timeCellsSortByStoredTime();
    void timeCellKeepsTickAndType();
};

void TestTableWidgetItems::valueColumnSortsNumerically()
{
    QTableWidget table(3, 1);
    const QStringList texts = {"10", "9.5", "-2"};
    for (int row = 0; row < texts.size(); ++row)
        table.setItem(row, 0, new DoubleTableWidgetItem(texts[row]));
    table.sortItems(0, Qt::AscendingOrder);
    QCOMPARE(columnTexts(table, 0), QStringList({"-2", "9.5", "10"}));
}

void TestTableWidgetItems::numberAndTextCellsCompare()
{
    const DoubleTableWidgetItem minusOne("-1");
    const DoubleTableWidgetItem one("1");
    const DoubleTableWidgetItem exponent("1.23457e+06");
    const QTableWidgetItem on(QStringLiteral("Вкл"));
    const QTableWidgetItem off(QStringLiteral("Выкл"));
    // A number cell reads a text cell as 0.
    QVERIFY(minusOne < on);
    QVERIFY(!(one < on));
    QVERIFY(one < exponent);
    // A text cell compares by text, also against a number cell.
    QVERIFY(on < off);
    QVERIFY(!(on < one));
    QVERIFY(QTableWidgetItem("1") < on);
    // Not a number is never before anything.
    const DoubleTableWidgetItem nan("nan");
    QVERIFY(!(nan < one));
    QVERIFY(!(one < nan));
    QVERIFY(!(nan < nan));
}

void TestTableWidgetItems::timeCellsSortByStoredTime()
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

void TestTableWidgetItems::timeCellKeepsTickAndType()
{
    const TimeTableWidgetItem item("t", 5, -7);
    QCOMPARE(item.data(TickRole).toInt(), -7);
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

QTEST_MAIN(TestTableWidgetItems)
#include "test_tablewidgetitems.moc"
