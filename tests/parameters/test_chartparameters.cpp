#include "chart/chartprotocol.h"
#include "parameters/chartparameters.h"
#include "parameters/chartparametervaluewidget.h"

#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

class TestChartParameters : public QObject
{
    Q_OBJECT
private slots:
    // Docked beside the table the panel is short; the rows must keep their
    // fields usable and the list scroll instead.
    void rowsKeepTheirFieldsAndThePanelScrolls_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<QSize>("panel");
        QTest::newRow("8, docked") << 8 << QSize(450, 700);
        QTest::newRow("16, docked") << 16 << QSize(450, 700);
        QTest::newRow("16, floated") << 16 << QSize(900, 970);
        QTest::newRow("64, docked") << 64 << QSize(450, 700);
        QTest::newRow("64, low") << 64 << QSize(450, 300);
    }

    void rowsKeepTheirFieldsAndThePanelScrolls()
    {
        QFETCH(int, channels);
        QFETCH(QSize, panel);
        ChartProtocol chart;
        for (int i = 1; i <= channels; ++i)
            chart.addChannel(Channel(-10.0 * i, 250.0 * i, nullptr,
                                     QStringLiteral("Частота сети канал %1 (C%1)").arg(i),
                                     QPen(Qt::green)));
        QMap<QString, ChartProtocol*> singles;
        ChartParameters parameters;
        parameters.resize(panel);
        parameters.init(chart, singles);
        parameters.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parameters));

        const QList<ChartParameterValueWidget*> rows =
            parameters.findChildren<ChartParameterValueWidget*>();
        QCOMPARE(rows.size(), channels);
        for (ChartParameterValueWidget* row : rows) {
            for (const char* name : {"gbFilter", "sbFrom", "sbTo", "labelFrom", "labelTo"}) {
                auto* field = row->findChild<QWidget*>(QLatin1String(name));
                QVERIFY2(field->height() >= field->sizeHint().height(), name);
                QVERIFY2(field->width() >= field->minimumSizeHint().width(), name);
            }
        }
        auto* area = parameters.findChild<QScrollArea*>(QStringLiteral("scrollArea"));
        const int needed = rows.size() * rows.first()->sizeHint().height();
        QCOMPARE(area->verticalScrollBar()->maximum() > 0, needed > panel.height());

        // The last row can be scrolled into view, top to bottom.
        area->ensureWidgetVisible(rows.last(), 0, 0);
        const QRect last(rows.last()->mapTo(area->viewport(), QPoint()), rows.last()->size());
        QVERIFY(last.top() >= 0 && last.bottom() < area->viewport()->height());
    }
};

QTEST_MAIN(TestChartParameters)
#include "test_chartparameters.moc"
