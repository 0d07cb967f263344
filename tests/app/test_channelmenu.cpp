#include "chart/chartprotocol.h"
#include "loadfixture.h"
#include "parameters/chartparametervaluewidget.h"

#include <QCheckBox>
#include <QMenu>
#include <QTest>

// The chart's "Канал" and "Шкала" menus with several protocols loaded: one
// entry per channel, acting on the channel's records from every file, in
// step with the parameters panel.
class TestChannelMenu : public QObject
{
    Q_OBJECT

    std::unique_ptr<LoadFixture> fixture;

    ChartProtocol* chart() const { return fixture->find<ChartProtocol>("chart"); }
    ChartProtocol* single(const QString& name) const
    {
        return fixture->window->singleCharts().value(name);
    }

    QCheckBox* panelBox(const QString& name) const
    {
        for (auto* row : fixture->window->findChildren<ChartParameterValueWidget*>())
            if (row->name() == name)
                return row->findChild<QCheckBox*>(QStringLiteral("cbVisible"));
        return nullptr;
    }

    static QAction* entry(QMenu* menu, int submenu, const QString& name)
    {
        for (QAction* a : menu->actions().at(submenu)->menu()->actions())
            if (a->text() == name)
                return a;
        return nullptr;
    }

    static QStringList entries(QMenu* menu, int submenu)
    {
        QStringList texts;
        for (QAction* a : menu->actions().at(submenu)->menu()->actions())
            texts << a->text();
        return texts;
    }

    // The records of a name on a chart, and how many of them have the flag.
    static QPair<int, int> parts(const Chart* on, const QString& name,
                                 bool (Channel::*flag)() const)
    {
        QPair<int, int> counted;
        for (const Channel& c : on->channels()) {
            if (c.name() != name)
                continue;
            ++counted.first;
            counted.second += (c.*flag)();
        }
        return counted;
    }

    // Triggers an entry of a freshly built menu, as a click would.
    static void pick(Chart* on, int submenu, const QString& name)
    {
        std::unique_ptr<QMenu> menu(on->createContextMenu());
        QAction* action = entry(menu.get(), submenu, name);
        QVERIFY(action);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^Action triggered")));
        emit menu->triggered(action);
    }

private slots:
    void cleanup() { fixture.reset(); }

    void oneEntryPerChannelInStepWithThePanel_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("records");
        // Starts of a.log, b.log, c.log an hour of ticks apart.
        QTest::newRow("overlapping") << QStringList{"a.log", "b.log"} << 2;
        QTest::newRow("a copy of a file") << QStringList{"a.log", "copy.log"} << 2;
        QTest::newRow("same file twice, read once") << QStringList{"a.log", "a.log"} << 1;
        QTest::newRow("three") << QStringList{"a.log", "b.log", "c.log"} << 3;
    }

    void oneEntryPerChannelInStepWithThePanel()
    {
        QFETCH(QStringList, files);
        QFETCH(int, records);
        fixture = std::make_unique<LoadFixture>();
        const QDateTime start(QDate(2024, 5, 6), QTime(10, 0));
        // b.log starts inside a.log; c.log after both.
        fixture->writeProtocol("a.log", start, 600, 0, {1, 2});
        fixture->writeProtocol("b.log", start.addSecs(300), 600, 0, {1, 2});
        fixture->writeProtocol("c.log", start.addSecs(3600), 600, 0, {1, 2});
        fixture->writeProtocol("copy.log", start, 600, 0, {1, 2});
        QStringList paths;
        for (const QString& file : files)
            paths << fixture->dir.filePath(file);
        fixture->window->resize(1400, 900);
        fixture->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(fixture->window.get()));
        fixture->window->readProtocols(paths);

        const QString alpha = QStringLiteral("Альфа (A1)");
        const QString beta = QStringLiteral("Бета (B1)");
        QCOMPARE(parts(chart(), alpha, &Channel::visible), qMakePair(records, records));
        {
            std::unique_ptr<QMenu> menu(chart()->createContextMenu());
            QCOMPARE(entries(menu.get(), 0), (QStringList{alpha, beta}));
            QCOMPARE(entries(menu.get(), 1), (QStringList{alpha, beta}));
        }

        // Unticked in the menu: every record hides, the panel row and the
        // channel's own chart follow; the other channel stays.
        pick(chart(), 0, alpha);
        QCOMPARE(parts(chart(), alpha, &Channel::visible), qMakePair(records, 0));
        QCOMPARE(parts(chart(), beta, &Channel::visible), qMakePair(records, records));
        QVERIFY(!panelBox(alpha)->isChecked());
        QCOMPARE(panelBox(alpha)->text(), QStringLiteral("Показать"));
        QVERIFY(panelBox(beta)->isChecked());
        QVERIFY(single(alpha)->isHidden());
        {
            std::unique_ptr<QMenu> menu(chart()->createContextMenu());
            QVERIFY(!entry(menu.get(), 0, alpha)->isChecked());
            QVERIFY(entry(menu.get(), 0, beta)->isChecked());
        }

        // Ticked in the panel: the menu shows it ticked again.
        panelBox(alpha)->click();
        QCOMPARE(parts(chart(), alpha, &Channel::visible), qMakePair(records, records));
        QVERIFY(!single(alpha)->isHidden());
        {
            std::unique_ptr<QMenu> menu(chart()->createContextMenu());
            QVERIFY(entry(menu.get(), 0, alpha)->isChecked());
        }

        // The scale entry acts on every record of the channel.
        pick(chart(), 1, beta);
        QCOMPARE(parts(chart(), beta, &Channel::showScale), qMakePair(records, 0));
        QCOMPARE(parts(chart(), alpha, &Channel::showScale), qMakePair(records, records));
        pick(chart(), 1, beta);
        QCOMPARE(parts(chart(), beta, &Channel::showScale), qMakePair(records, records));

        // A channel's own chart on "Графики" steers the same way, and a
        // tick in the panel brings its curve back.
        pick(single(beta), 0, beta);
        QCOMPARE(parts(chart(), beta, &Channel::visible), qMakePair(records, 0));
        QVERIFY(!panelBox(beta)->isChecked());
        QVERIFY(single(beta)->isHidden());
        panelBox(beta)->click();
        QCOMPARE(parts(single(beta), beta, &Channel::visible), qMakePair(records, records));
        QCOMPARE(parts(chart(), beta, &Channel::visible), qMakePair(records, records));
    }
};

QTEST_MAIN(TestChannelMenu)
#include "test_channelmenu.moc"
