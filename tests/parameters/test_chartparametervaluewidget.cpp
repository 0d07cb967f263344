#include "chartdata/channel.h"
#include "parameters/chartparametervaluewidget.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {
Channel channel(const QString& name, double minimum, double maximum, QColor color)
{
    return Channel(minimum, maximum, nullptr, name, QPen(color));
}

template <typename T> T* part(QWidget& row, const char* name)
{
    return row.findChild<T*>(QLatin1String(name));
}
} // namespace

class TestChartParameterValueWidget : public QObject
{
    Q_OBJECT
private slots:
    void channelSetsTitleBoundsAndColour()
    {
        ChartParameterValueWidget row;
        QCOMPARE(row.objectName(), QStringLiteral("ChartParameterValueWidget"));
        QSignalSpy colours(&row, &ChartParameterValueWidget::colorChanged);
        const Channel c = channel(QStringLiteral("Ток (I1)"), -5, 250, Qt::green);
        row.setChannel(&c);

        QCOMPARE(part<QLabel>(row, "labelName")->text(), QStringLiteral("Ток (I1)"));
        auto* from = part<QDoubleSpinBox>(row, "sbFrom");
        auto* to = part<QDoubleSpinBox>(row, "sbTo");
        QCOMPARE(from->value(), -5.0);
        QCOMPARE(to->value(), 250.0);
        QCOMPARE(from->minimum(), -5.0);
        QCOMPARE(to->maximum(), 250.0);
        QVERIFY(!row.isFilterChecked());
        QVERIFY(!from->isEnabled() && !to->isEnabled());
        QCOMPARE(colours.size(), 1);
        QVERIFY(part<QPushButton>(row, "buttonColor")
                    ->styleSheet()
                    .contains(QStringLiteral("background-color: #00ff00;")));

        row.setChannel(nullptr);
        QCOMPARE(part<QLabel>(row, "labelName")->text(), QStringLiteral("Ток (I1)"));

        // A channel in thousandths filters in thousandths.
        const Channel fine = channel(QStringLiteral("Ток (I1)"), -0.125, 1.028, Qt::green);
        row.setDecimals(3);
        row.setChannel(&fine);
        QCOMPARE(to->maximum(), 1.028);
        to->setValue(1.027);
        QCOMPARE(row.range().to, 1.027);
    }

    void filterBoundsAreEnabledTogetherAndNeverCross()
    {
        ChartParameterValueWidget row;
        const Channel c = channel(QStringLiteral("U (U1)"), 0, 100, Qt::red);
        row.setChannel(&c);
        auto* from = part<QDoubleSpinBox>(row, "sbFrom");
        auto* to = part<QDoubleSpinBox>(row, "sbTo");
        part<QGroupBox>(row, "gbFilter")->setChecked(true);
        QVERIFY(from->isEnabled() && to->isEnabled());
        from->setValue(12);
        QCOMPARE(to->minimum(), 12.0);
        QCOMPARE(to->value(), 100.0);
        to->setValue(40);
        QCOMPARE(from->maximum(), 40.0);
        from->setValue(55);
        QCOMPARE(from->value(), 40.0);
    }

    void visibilitySwitchReportsAndRenames()
    {
        ChartParameterValueWidget row;
        const Channel c = channel(QStringLiteral("U (U1)"), 0, 100, Qt::red);
        row.setChannel(&c);
        QSignalSpy spy(&row, &ChartParameterValueWidget::visibleChanged);
        auto* visible = part<QCheckBox>(row, "cbVisible");
        QTest::mouseClick(visible, Qt::LeftButton);
        QCOMPARE(visible->text(), QStringLiteral("Показать"));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("U (U1)"));
        QCOMPARE(spy.at(0).at(1).toBool(), false);
        QTest::mouseClick(visible, Qt::LeftButton);
        QCOMPARE(visible->text(), QStringLiteral("Скрыть"));
        QCOMPARE(spy.at(1).at(1).toBool(), true);
    }

    void cancelledColourDialogChangesNothing()
    {
        ChartParameterValueWidget row;
        const Channel c = channel(QStringLiteral("U (U1)"), 0, 100, Qt::blue);
        row.setChannel(&c);
        QSignalSpy spy(&row, &ChartParameterValueWidget::colorChanged);
        const QString style = part<QPushButton>(row, "buttonColor")->styleSheet();
        QTimer::singleShot(0, [] {
            if (auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        QTest::mouseClick(part<QPushButton>(row, "buttonColor"), Qt::LeftButton);
        QCOMPARE(spy.size(), 0);
        QCOMPARE(row.color(), QColor(Qt::blue));
        QCOMPARE(part<QPushButton>(row, "buttonColor")->styleSheet(), style);
    }
};

QTEST_MAIN(TestChartParameterValueWidget)
#include "test_chartparametervaluewidget.moc"
