#include "statistics/statisticspanel.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

class TestStatisticsPanel : public QObject
{
    Q_OBJECT
private slots:
    // Docked, the panel is narrower than its figures: each one can be
    // scrolled to, and the channel it belongs to stays in view.
    void everyFigureIsReachableWithItsChannelInView()
    {
        const QStringList headers{"Канал",    "Опорный", "Курсор", "Разность", "Минимум",
                                  "Максимум", "Среднее", "СКО",    "Размах",   "Точек"};
        QVector<QStringList> rows;
        for (int i = 0; i < 16; ++i) {
            QStringList row{QStringLiteral("Частота сети канал %1 (C%1)").arg(i + 1)};
            for (int column = 1; column < headers.size(); ++column)
                row.append(QString::number(1000.125 * column + i, 'f', 3));
            rows.append(row);
        }
        StatisticsPanel panel;
        panel.resize(420, 600);
        panel.showFigures("a", "b", "1 с", headers, rows);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));

        auto* table = const_cast<QTableWidget*>(panel.table());
        // The cells keep the whole figures, the names included.
        QCOMPARE(table->item(3, 0)->text(), rows[3][0]);
        QCOMPARE(table->item(3, 9)->text(), rows[3][9]);
        const QRect viewport = table->viewport()->rect();
        for (int column = 1; column < headers.size(); ++column) {
            table->scrollTo(table->model()->index(5, column));
            const QRect cell = table->visualRect(table->model()->index(5, column));
            QVERIFY2(viewport.contains(cell), qPrintable(headers[column]));
            QVERIFY(table->verticalHeader()->isVisible());
            QCOMPARE(table->model()->headerData(5, Qt::Vertical).toString(), rows[5][0]);
            QVERIFY(table->verticalHeader()->width() >=
                    table->fontMetrics().horizontalAdvance(rows[5][0]));
        }
        QVERIFY(table->horizontalScrollBar()->maximum() > 0);
    }
};

QTEST_MAIN(TestStatisticsPanel)
#include "test_statisticspanel.moc"
