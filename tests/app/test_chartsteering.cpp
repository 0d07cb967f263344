#include "app/shortcuthelp.h"
#include "chart/chartprotocol.h"
#include "loadfixture.h"
#include "table/frozencolumnstableview.h"
#include "protocol/protocolformat.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QFile>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <cmath>

// Steering the charts from the window: the whole span, the value line by
// keys, the keys' list.
class TestChartSteering : public QObject
{
    Q_OBJECT

    std::unique_ptr<LoadFixture> fixture;

    ChartProtocol* chart() const { return fixture->find<ChartProtocol>("chart"); }
    QList<ChartProtocol*> singles() const { return fixture->window->singleCharts().values(); }
    QAction* action(const char* name) const { return fixture->find<QAction>(name); }
    QTabWidget* tabs() const { return fixture->find<QTabWidget>("tabWidget"); }

    // Every chart shows the value line on the same tick.
    void expectLineEverywhere(qint64 x) const
    {
        QCOMPARE(chart()->lineValueX(), x);
        for (ChartProtocol* single : singles())
            QCOMPARE(single->lineValueX(), x);
    }

private slots:
    void init()
    {
        fixture = std::make_unique<LoadFixture>();
        // Two files an hour apart: 3600 ticks of a second each, and a gap.
        const QString first = fixture->writeProtocol(
            "one.log", QDateTime(QDate(2024, 5, 6), QTime(10, 0)), 3600, 0, {1, 2});
        const QString second = fixture->writeProtocol(
            "two.log", QDateTime(QDate(2024, 5, 6), QTime(12, 0)), 3600, 0, {1, 2});
        fixture->window->resize(1400, 900);
        fixture->window->show();
        QVERIFY(QTest::qWaitForWindowActive(fixture->window.get()));
        fixture->window->readProtocols({first, second});
        QCOMPARE(fixture->window->lastTick(), 3 * 3600 - 1);
        // The progress window took the focus with it.
        fixture->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fixture->window.get()));
    }
    void cleanup() { fixture.reset(); }

    // A stray record 2^32 ticks on: the value line, the view and the scroll
    // bar reach it and come back as in a short protocol.
    void ticksPast2To31()
    {
        const qint64 far = 0xFFFFFFF0u;
        const QString path = fixture->writeProtocol(
            "far.log", QDateTime(QDate(2024, 5, 6), QTime(10, 0)), 50, 0, {1, 2}, 100);
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write(protocolformat::encodeRecord(LogRecord{1, quint32(far), 7}));
        file.close();
        fixture->window->readProtocols({path});
        QCOMPARE(fixture->window->lastTick(), far);
        fixture->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fixture->window.get()));

        tabs()->setCurrentWidget(fixture->find<QWidget>("tabChart"));
        QTest::keyClick(chart(), Qt::Key_End);
        expectLineEverywhere(far);
        const ScaleSettings& view = chart()->scaleSettings();
        QVERIFY2(view.position <= far && far <= view.position + view.visibleSpan,
                 qPrintable(QString::number(view.position, 'f', 0)));
        auto* bar = fixture->find<QScrollBar>("chartScrollBar");
        QCOMPARE(bar->value(), bar->maximum());
        QTest::keyClick(bar, Qt::Key_Home);
        QCOMPARE(chart()->scaleSettings().position, 0.0);
        QTest::keyClick(bar, Qt::Key_End);
        QVERIFY2(chart()->scaleSettings().position > far - 2 * view.visibleSpan,
                 qPrintable(QString::number(chart()->scaleSettings().position, 'f', 0)));
        QTest::keyClick(chart(), Qt::Key_Home);
        expectLineEverywhere(0);
    }

    void showAllShowsTheWholeLoadOnEveryChart()
    {
        QVERIFY(action("actShowAll"));
        action("actShowAll")->trigger();
        const int last = fixture->window->lastTick();
        for (ChartProtocol* c : QList<ChartProtocol*>{chart()} + singles()) {
            const ScaleSettings& view = c->scaleSettings();
            QCOMPARE(c->position(), 0);
            QVERIFY2(qAbs(view.visibleSpan - last) < 1,
                     qPrintable(QString::number(view.visibleSpan)));
        }
        // Back to the initial view.
        action("actZoomOrigin")->trigger();
        QCOMPARE(chart()->scaleSettings().visibleSpan, 1000.0);
        // The key does the same.
        tabs()->setCurrentWidget(fixture->find<QWidget>("tabChart"));
        QTest::keyClick(chart(), Qt::Key_0, Qt::ControlModifier);
        QVERIFY(qAbs(chart()->scaleSettings().visibleSpan - last) < 1);
    }

    void aBoxZoomOrTheWholeSpanCanBeUndone()
    {
        QAction* back = action("actViewBack");
        QVERIFY(back && !back->isEnabled());
        const auto expectView = [&](double span, qint64 position) {
            for (ChartProtocol* c : QList<ChartProtocol*>{chart()} + singles()) {
                QVERIFY2(qAbs(c->scaleSettings().visibleSpan - span) < 1e-6,
                         qPrintable(QString::number(c->scaleSettings().visibleSpan)));
                QCOMPARE(c->position(), position);
            }
        };
        // A box drawn on one channel's chart, from tick 200 to tick 400.
        tabs()->setCurrentWidget(fixture->find<QWidget>("tabCharts"));
        ChartProtocol* single = singles().first();
        QTRY_VERIFY(single->isPaintOver());
        const auto pixel = [&](double tick) {
            const double left = single->scalesWidth();
            return QPoint(int(std::lround(left + tick * (single->width() - left) / 1000.0)),
                          single->height() / 3);
        };
        const auto send = [&](QEvent::Type type, const QPoint& at, Qt::MouseButtons held) {
            QMouseEvent event(type, at, single->mapToGlobal(at), Qt::LeftButton, held,
                              Qt::NoModifier);
            QApplication::sendEvent(single, &event);
        };
        send(QEvent::MouseButtonPress, pixel(200), Qt::LeftButton);
        send(QEvent::MouseMove, pixel(300), Qt::LeftButton);
        send(QEvent::MouseButtonRelease, pixel(400), Qt::NoButton);
        QVERIFY(qAbs(chart()->scaleSettings().visibleSpan - 200) < 3);
        QVERIFY(back->isEnabled());
        const double boxSpan = single->scaleSettings().visibleSpan;
        action("actShowAll")->trigger();
        expectView(fixture->window->lastTick(), 0);

        // Back twice: the box, then the view of the start; then nothing.
        back->trigger();
        QVERIFY(qAbs(chart()->scaleSettings().visibleSpan - boxSpan) < 1e-6);
        QTest::keyClick(single, Qt::Key_Backspace);
        expectView(1000, 0);
        QVERIFY(!back->isEnabled());
        back->trigger();
        expectView(1000, 0);

        // A new load starts without a way back.
        action("actShowAll")->trigger();
        QVERIFY(back->isEnabled());
        fixture->window->readProtocols({fixture->dir.filePath(QStringLiteral("one.log"))});
        QVERIFY(!back->isEnabled());
    }

    void keysMoveTheValueLineOnEveryChart()
    {
        tabs()->setCurrentWidget(fixture->find<QWidget>("tabChart"));
        QCOMPARE(QApplication::focusWidget(), chart());
        const int start = chart()->lineValueX();
        QTest::keyClick(chart(), Qt::Key_Right);
        QTest::keyClick(chart(), Qt::Key_Right);
        expectLineEverywhere(start + 2);
        QTest::keyClick(chart(), Qt::Key_Left);
        expectLineEverywhere(start + 1);

        // Shift moves by the time axis' step: whole seconds, minutes ...
        const int step = int(std::llround(chart()->gridStep()));
        QVERIFY(step > 1);
        QTest::keyClick(chart(), Qt::Key_Right, Qt::ShiftModifier);
        expectLineEverywhere(start + 1 + step);

        // End and Home: to the last and first tick, brought into view.
        QTest::keyClick(chart(), Qt::Key_End);
        const int last = fixture->window->lastTick();
        expectLineEverywhere(last);
        const ScaleSettings& view = chart()->scaleSettings();
        QVERIFY(view.position <= last && last <= view.position + view.visibleSpan);
        // Not beyond the loaded ticks.
        QTest::keyClick(chart(), Qt::Key_Right);
        expectLineEverywhere(last);
        QTest::keyClick(chart(), Qt::Key_Home);
        expectLineEverywhere(0);
        QCOMPARE(chart()->position(), 0);

        // Plus and minus zoom.
        const double zoom = chart()->zoom();
        QTest::keyClick(chart(), Qt::Key_Plus);
        QCOMPARE(chart()->zoom(), zoom / 1.1);
        QTest::keyClick(chart(), Qt::Key_Minus);
        QCOMPARE(chart()->zoom(), zoom);

        // On the per-channel tab the keys move the same line.
        tabs()->setCurrentWidget(fixture->find<QWidget>("tabCharts"));
        QVERIFY(singles().contains(qobject_cast<ChartProtocol*>(QApplication::focusWidget())));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        expectLineEverywhere(1);
    }

    void theTableKeepsItsKeys()
    {
        auto* table = fixture->find<FrozenColumnsTableView>("twEntry");
        tabs()->setCurrentWidget(fixture->find<QWidget>("tabTable"));
        table->setFocus();
        const int line = chart()->lineValueX();
        const double zoom = chart()->zoom();
        for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Home, Qt::Key_End,
                                  Qt::Key_Plus, Qt::Key_Minus, Qt::Key_Delete})
            QTest::keyClick(table, key);
        QCOMPARE(chart()->lineValueX(), line);
        QCOMPARE(chart()->zoom(), zoom);
    }

    void bookmarksShowOnEveryChart()
    {
        chart()->addBookmark(1200);
        for (ChartProtocol* single : singles())
            QCOMPARE(single->bookmarks(), QVector<qint64>{1200});
        // Drawn as the common chart draws it: a white line (the value line,
        // which went to the bookmark, moves aside).
        chart()->placeLineValue(1100);
        ChartProtocol* single = singles().first();
        const QImage image = single->renderToImage();
        const ScaleSettings& view = single->scaleSettings();
        const double left = single->scalesWidth();
        const int at =
            int(left + (1200 - view.position) * (single->width() - left) / view.visibleSpan);
        bool line = false;
        for (int x = at - 2; x <= at + 2 && !line; ++x) {
            int white = 0;
            for (int y = 0; y < image.height(); ++y)
                white += image.pixelColor(x, y) == QColor(Qt::white);
            line = white > image.height() / 3;
        }
        QVERIFY(line);
        chart()->deleteBookmark(1200);
        for (ChartProtocol* single : singles())
            QVERIFY(single->bookmarks().isEmpty());
        // Bookmarks set as a whole in the workspace (as undo restores them)
        // reach every chart.
        fixture->window->workspace().setBookmarkTicks({10, 20});
        for (ChartProtocol* single : QList<ChartProtocol*>{chart()} + singles())
            QCOMPARE(single->bookmarks(), (QVector<qint64>{10, 20}));
    }

    void keysAreListedShownAndHelped()
    {
        // In the menus (by the action's shortcut) and the tool tips.
        const QList<QPair<const char*, QString>> keys = {
            {"actLoad", "Ctrl+O"},
            {"actSave", "Ctrl+S"},
            {"actPDF", "Ctrl+P"},
            {"actRefresh", "F5"},
            {"actFilter", "Ctrl+F"},
            {"actZoomIn", "+"},
            {"actZoomOut", "-"},
            {"actBookmarkAdd", "Ctrl+B"},
            {"actBookmarkDelete", "Del"},
            {"actLineStart", "Home"},
            {"actLineEnd", "End"},
            {"actLineLeft", "Left"},
            {"actLineStepRight", "Shift+Right"},
            {"actShowAll", "Ctrl+0"},
            {"actShortcutHelp", "F1"},
        };
        for (const auto& key : keys) {
            QAction* a = action(key.first);
            QVERIFY2(a, key.first);
            QCOMPARE(a->shortcut().toString(QKeySequence::PortableText), key.second);
            QVERIFY2(a->toolTip().contains(a->shortcut().toString(QKeySequence::NativeText)),
                     qPrintable(a->toolTip()));
        }
        QVERIFY(fixture->find<QToolButton>("buttonZoomIn")->toolTip().endsWith("(+)"));

        // F1 opens the list, which names every key of every action.
        QVERIFY(!fixture->window->findChild<ShortcutHelp*>());
        QTest::keyClick(fixture->window.get(), Qt::Key_F1);
        auto* help = fixture->window->findChild<ShortcutHelp*>();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        auto* list = help->findChild<QTableWidget*>();
        QStringList listed;
        for (int row = 0; row < list->rowCount(); ++row)
            listed << list->item(row, 0)->text() + " | " + list->item(row, 1)->text();
        for (const auto& key : keys) {
            const QString caption = action(key.first)->text();
            QVERIFY2(std::any_of(listed.cbegin(), listed.cend(),
                                 [&](const QString& row) { return row.endsWith("| " + caption); }),
                     qPrintable(caption));
        }
        QVERIFY(listed.contains(QStringLiteral("Двойной щелчок | Поставить курсор")));
        // The bookmarks' undo has its key too.
        QVERIFY2(listed.contains(QStringLiteral("Ctrl+Z | Отменить")),
                 qPrintable(listed.join("\n")));
        help->close();
    }
};

QTEST_MAIN(TestChartSteering)
#include "test_chartsteering.moc"
