#include "app/rememberedplaces.h"
#include "chart/chartprotocol.h"
#include "loadfixture.h"
#include "parameters/chartparameters.h"
#include "table/frozencolumnstableview.h"
#include "table/protocoltablemodel.h"

#include <QAction>
#include <QDockWidget>
#include <QSplitter>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>

namespace {

// Object names in order, "|" for a separator.
QStringList actionNames(const QList<QAction*>& actions)
{
    QStringList names;
    for (QAction* action : actions)
        names.append(action->isSeparator() ? QStringLiteral("|") : action->objectName());
    return names;
}

QStringList names(const char* list)
{
    return QString::fromLatin1(list).split(QLatin1Char(' '));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QFile::remove(QStringLiteral("settings.conf"));
        QFile::remove(settingsFilePath());
    }

    void startsWithItsTitleActionsMenusAndStates()
    {
        MainWindow window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Voltrek 0.2"));
        QCOMPARE(window
                     .findChildren<QAction*>(QRegularExpression(QStringLiteral("^act")),
                                             Qt::FindDirectChildrenOnly)
                     .size(),
                 43); // with "Предыдущий вид", "Экспорт данных…", the two project actions and "Сравнить"
        // The icons live in a static library: they must be registered to show.
        QVERIFY(!window.findChild<QAction*>(QStringLiteral("actSave"))->icon().pixmap(32).isNull());

        const QList<QAction*> menus = window.menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus.at(0)->text(), QStringLiteral("Файл"));
        QCOMPARE(actionNames(menus.at(0)->menu()->actions()),
                 names("actOpenProject actSaveProject actRecentProjects | actFLASH actCopy "
                       "actLogger | actInitLoger actRefresh actSave actPDF "
                       "actExportData actParameter actStatistics actLoad actCompare actFilter"));
        QCOMPARE(menus.at(1)->text(), QStringLiteral("График"));
        QCOMPARE(
            actionNames(menus.at(1)->menu()->actions()),
            names(
                "actGrid actLegend | actComputed | actZoomIn actZoomOrigin actZoomOut "
                "actShowAll actViewBack | actLeft actZeroPoint actRight | actLineStart actLineEnd "
                "actLineLeft actLineRight actLineStepLeft actLineStepRight | "
                "actColorTopBackground actColorBottomBackground "
                "actColorGrid | actBookmarkPrevious actBookmark actBookmarkNext "
                "actBookmarkAdd actBookmarkDelete | actEvents actEventsDock actEventBookmarks "
                "actPreviousEvent actNextEvent | actSaveChart"));
        QCOMPARE(
            actionNames(window.findChild<QToolBar*>(QStringLiteral("mainToolBar"))->actions()),
            names("actFLASH actCopy actLogger | actInitLoger actRefresh actSave actPDF "
                  "actParameter actStatistics actLoad actFilter | actGrid actLegend | actZoomIn "
                  "actZoomOrigin actZoomOut actShowAll | actLeft actZeroPoint actRight | "
                  "actBookmarkPrevious actBookmark actBookmarkNext actBookmarkAdd "
                  "actBookmarkDelete"));
        QCOMPARE(menus.at(2)->text(), QStringLiteral("Справка"));
        QCOMPARE(actionNames(menus.at(2)->menu()->actions()), names("actShortcutHelp"));

        // Nothing loaded: no reading, no bookmarks, nothing to mark.
        for (const char* name : {"actLoad", "actBookmark", "actBookmarkNext", "actBookmarkPrevious",
                                 "actBookmarkAdd", "actBookmarkDelete"})
            QVERIFY(!window.findChild<QAction*>(QLatin1String(name))->isEnabled());
        for (const char* name : {"btRead", "buttonBookmarkAddTable", "buttonBookmarkDeleteTable",
                                 "buttonBookmark", "buttonBookmarkAdd"})
            QVERIFY(!window.findChild<QWidget*>(QLatin1String(name))->isEnabled());
        for (const char* name : {"edName", "pushButton", "cbChan", "sbValue", "btAdd"})
            QVERIFY(window.findChild<QWidget*>(QLatin1String(name))->isHidden());
        // Narrower than the header's default minimum section.
        QCOMPARE(
            window.findChild<FrozenColumnsTableView*>(QStringLiteral("twEntry"))->columnWidth(0),
            30);
    }

    void chartColoursAreRestoredAndWritten_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QColor>("top");
        QTest::addColumn<QColor>("grid");
        QTest::addColumn<QString>("savedGrid");
        const QColor top(0, 0, 150);
        const QColor grid(40, 40, 180);
        QTest::newRow("no settings") << QString() << QString() << top << grid << "#2828b4";
        QTest::newRow("grid only") << "Chart/GridColor"
                                   << "#10ff20" << top << QColor(0x10, 0xff, 0x20) << "#10ff20";
        QTest::newRow("unparsable") << "Chart/TopBackgroundColor"
                                    << "no colour" << QColor() << grid << "#2828b4";
    }

    void chartColoursAreRestoredAndWritten()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QColor, top);
        QFETCH(QColor, grid);
        QFETCH(QString, savedGrid);
        if (!key.isEmpty())
            QSettings(QStringLiteral("settings.conf"), QSettings::IniFormat).setValue(key, stored);
        {
            MainWindow window;
            auto* chart = window.findChild<ChartProtocol*>(QStringLiteral("chart"));
            QCOMPARE(chart->topBackgroundColor(), top);
            QCOMPARE(chart->gridColor(), grid);
            QCOMPARE(chart->bottomBackgroundColor(), QColor(Qt::black));
            // An invalid colour leaves its button as it was.
            QCOMPARE(window.findChild<QWidget*>(QStringLiteral("buttonTopColor"))
                         ->styleSheet()
                         .isEmpty(),
                     !top.isValid());
            QVERIFY(window.findChild<QWidget*>(QStringLiteral("buttonGridColor"))
                        ->styleSheet()
                        .contains(QStringLiteral("background-color: %1;").arg(savedGrid)));
        }
        // Written where the window found them, or in the user's folder.
        QSettings settings(settingsFilePath(), QSettings::IniFormat);
        QCOMPARE(settings.value("Chart/BottomBackgroundColor").toString(),
                 QStringLiteral("#000000"));
        QCOMPARE(settings.value("Chart/GridColor").toString(), savedGrid);
        QVERIFY(settings.contains("Chart/TopBackgroundColor"));
    }

    void missingLogDefinitionNamesTheFolderAndOffersAnother()
    {
        LoadFixture fixture;
        const QString nowhere = fixture.dir.filePath(QStringLiteral("nowhere"));
        const QString text = QStringLiteral("Нет настроек для логера\n") +
                             QDir::toNativeSeparators(nowhere) + QStringLiteral("\nпапки нет");
        // A batch run only says so.
        fixture.window->setInteractive(false);
        QVERIFY(!fixture.window->setupLoger(nowhere));
        QCOMPARE(fixture.dialogs->warnings, QStringList{QStringLiteral("Внимание!|") + text});
        fixture.window->setupLoger(QString());
        QCOMPARE(fixture.dialogs->warnings.size(), 1);

        // With a user: declined, nothing more is asked.
        fixture.window->setInteractive(true);
        QVERIFY(!fixture.window->setupLoger(nowhere));
        QCOMPARE(fixture.dialogs->questions.size(), 1);
        QVERIFY(fixture.dialogs->questions[0].startsWith(text + QStringLiteral("\n\n")));
        QVERIFY(fixture.dialogs->openFolders.isEmpty());
        QCOMPARE(fixture.window->windowTitle(), QStringLiteral("Voltrek 0.2"));

        // Accepted: the file dialog opens where the last definition came from.
        fixture.dialogs->questionAnswer = QMessageBox::Yes;
        fixture.dialogs->openFileAnswer = fixture.dir.filePath(QStringLiteral("log.def"));
        QVERIFY(fixture.window->setupLoger(nowhere));
        QCOMPARE(fixture.dialogs->openFolders, QStringList{fixture.dir.path()});
        QCOMPARE(fixture.window->windowTitle(),
                 QStringLiteral("Voltrek 0.2 — ") + QDir::toNativeSeparators(fixture.dir.path()));
    }

    void protocolOfAnotherLogDirectoryBringsItsDefinition()
    {
        LoadFixture fixture;
        const QString other = fixture.dir.filePath(QStringLiteral("other"));
        QVERIFY(protocolfiles::writeDefinition(other, R"({"ROOT": "protocols", "CONTENT": [
            {"VALUES": [{"CODE": "A1", "ID": 1, "NAME": "Другая", "RATE": 2}]}]})"));
        QVERIFY(QDir().mkpath(other + QStringLiteral("/protocols")));
        const QDateTime start(QDate(2024, 6, 1), QTime(12, 0));
        const QString foreign =
            fixture.writeProtocol("other/protocols/x.log", start, 3, 12345, {1});
        fixture.window->setInteractive(true);

        // Dropped or opened: the window takes the protocol's definition and says so.
        fixture.window->readProtocols({foreign});
        ProtocolTableModel* model = fixture.window->tableModel();
        QCOMPARE(model->headerLabels().value(2), QStringLiteral("Другая (A1)"));
        QString text;
        QVERIFY(model->cellText(model->globalRowAt(0), 2, text));
        QCOMPARE(text, QStringLiteral("123.45"));
        QVERIFY(fixture.window->windowTitle().endsWith(QDir::toNativeSeparators(other)));
        QVERIFY(fixture.window->statusBar()->currentMessage().contains(
            QDir::toNativeSeparators(other + QStringLiteral("/log.def"))));
        QVERIFY(fixture.dialogs->warnings.isEmpty());

        // The current row names its protocol; the table's menu adds its column.
        auto* view = fixture.find<QAbstractItemView>("twEntry");
        view->setCurrentIndex(model->index(1, 1));
        QCOMPARE(fixture.find<QLabel>("labelRowProtocol")->text(),
                 QStringLiteral("Протокол: x.log"));
        fixture.find<QAction>("actProtocolColumn")->trigger();
        QCOMPARE(model->headerLabels().last(), QStringLiteral("Протокол"));
        fixture.find<QAction>("actProtocolColumn")->trigger();
        QCOMPARE(model->headerLabels().last(), QStringLiteral("Другая (A1)"));

        // Named for the read ("-d"): kept, and the user is told.
        QVERIFY(fixture.window->setupLoger(fixture.dir.path()));
        fixture.window->readProtocols({foreign}, MainWindow::Definition::Applied);
        QCOMPARE(model->headerLabels().value(2), QStringLiteral("Альфа (A1)"));
        QCOMPARE(fixture.dialogs->warnings.size(), 1);
        QVERIFY2(fixture.dialogs->warnings[0].contains(QStringLiteral("Обратите внимание:\n") +
                                                       QDir::toNativeSeparators(foreign)),
                 qPrintable(fixture.dialogs->warnings[0]));
    }

    void appliedDirectoryIsRememberedForTheNextStart()
    {
        QTemporaryDir other;
        QString remembered;
        {
            LoadFixture fixture;
            // Nothing remembered yet: the file dialog starts at home.
            QFile::remove(settingsFilePath());
            fixture.find<QAction>("actInitLoger")->trigger();
            QCOMPARE(fixture.dialogs->openFolders, QStringList{QDir::homePath()});
            fixture.dialogs->openFileAnswer = fixture.dir.filePath(QStringLiteral("log.def"));
            fixture.find<QAction>("actInitLoger")->trigger();
            remembered = RememberedPlaces(settingsFilePath()).logDirectory();
            QCOMPARE(remembered, fixture.dir.path());
            // A folder without a definition is not remembered.
            fixture.window->setupLoger(other.path());
            QCOMPARE(RememberedPlaces(settingsFilePath()).logDirectory(), fixture.dir.path());
            // Started from the menu, the folder beside the program has none.
            QCOMPARE(startDirectory(QString(), other.path(), remembered), remembered);
        }
        // Once the remembered one is gone, the default is reported as before.
        QVERIFY(QDir(remembered).removeRecursively());
        QCOMPARE(startDirectory(QString(), other.path(), remembered), other.path());
    }

    void batchRunRemembersNothing()
    {
        LoadFixture fixture;
        QFile::remove(settingsFilePath());
        fixture.window->setInteractive(false);
        QVERIFY(fixture.window->setupLoger(fixture.dir.path()));
        QVERIFY(RememberedPlaces(settingsFilePath()).logDirectory().isEmpty());
    }

    void fileListShowsWholeDescriptionsAsTooltips()
    {
        LoadFixture fixture;
        const QString description = QStringLiteral("Испытание стенда под нагрузкой, вторая серия");
        protocolfiles::write(
            fixture.dir.filePath(QStringLiteral("a.log")),
            protocolfiles::bytes(
                protocolfiles::header(QDateTime(QDate(2024, 3, 1), QTime(8, 0)), 1000, description),
                {protocolfiles::rec(1, 0, 1)}));
        fixture.find<QAction>("actRefresh")->trigger();
        auto* files = fixture.find<QTableWidget>("twFiles");
        QCOMPARE(files->rowCount(), 1);
        QCOMPARE(files->item(0, 1)->toolTip(), description);
    }

    void sidePanelsMayTakeHalfOfASmallScreen()
    {
        MainWindow window;
        window.resize(1280, 720);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The central area gives way down to half the window.
        QVERIFY2(window.centralWidget()->minimumSizeHint().width() <= 640,
                 qPrintable(QString::number(window.centralWidget()->minimumSizeHint().width())));
        auto* dock = window.findChild<QDockWidget*>(QStringLiteral("parametersDock"));
        window.resizeDocks({dock}, {640}, Qt::Horizontal);
        QTRY_VERIFY(dock->width() >= 600);
        // Every button of the tabs is still inside the window.
        for (const char* name : {"buttonBookmarkDeleteTable", "btRead"}) {
            auto* button = window.findChild<QWidget*>(QLatin1String(name));
            const QRect shown(button->mapTo(&window, QPoint(0, 0)), button->size());
            QVERIFY2(window.rect().contains(shown), name);
        }
    }

    void sidePanelsOpenAsWideAsTheirRows_data()
    {
        QTest::addColumn<int>("windowWidth");
        QTest::newRow("wide enough") << 1600;
        QTest::newRow("capped at 40 per cent") << 1280;
    }

    void sidePanelsOpenAsWideAsTheirRows()
    {
        // Nothing of a panel's rows is cut off at its first width, unless
        // the rows would take more than 40 % of the window.
        QFETCH(int, windowWidth);
        LoadFixture fixture;
        fixture.window->resize(windowWidth, 1000);
        fixture.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(fixture.window.get()));
        fixture.window->readProtocols({fixture.writeProtocol(
            "a.log", QDateTime(QDate(2024, 5, 10), QTime(8, 0)), 10, 5, {1, 2, 3})});
        auto* dock = fixture.find<QDockWidget>("parametersDock");
        fixture.find<QAction>("actStatistics")->trigger();
        fixture.find<QDockWidget>("statisticsDock")->raise();
        dock->raise();
        auto* panel = fixture.window->findChild<ChartParameters*>();
        const int share = windowWidth * 2 / 5;
        const int wanted = panel->preferredWidth();
        const auto expected = [&] {
            const int frame = dock->width() - panel->width();
            return qMax(dock->minimumSizeHint().width(), qMin(wanted + frame, share));
        };
        QTRY_VERIFY2(qAbs(dock->width() - expected()) <= 4,
                     qPrintable(QStringLiteral("%1 %2").arg(dock->width()).arg(expected())));
        if (wanted < share - 30)
            QVERIFY(!panel->findChild<QScrollArea*>()->horizontalScrollBar()->isVisible());
    }

    void tableSplitIsKeptAcrossRuns()
    {
        QList<int> moved;
        {
            MainWindow window;
            window.resize(1600, 1000);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            auto* splitter = window.findChild<QSplitter*>(QStringLiteral("splitter"));
            // The table has the larger part from the start.
            QVERIFY(splitter->sizes().value(1) > splitter->sizes().value(0));
            const int total = splitter->sizes().value(0) + splitter->sizes().value(1);
            splitter->setSizes({total / 4, total - total / 4});
            // As the user's drag would; setSizes alone does not say it moved.
            emit splitter->splitterMoved(total / 4, 1);
            moved = splitter->sizes();
        }
        MainWindow window;
        window.resize(1600, 1000);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.findChild<QSplitter*>(QStringLiteral("splitter"))->sizes(), moved);
    }

    void batchRunShowsNoWindowAtAll()
    {
        LoadFixture fixture;
        const QString file =
            fixture.writeProtocol("a.log", QDateTime::currentDateTime(), 3, 0, {1});
        struct ShownWindows : QObject
        {
            int count = 0;
            bool eventFilter(QObject* object, QEvent* event) override
            {
                count += event->type() == QEvent::Show && object->isWidgetType() &&
                         static_cast<QWidget*>(object)->isWindow();
                return false;
            }
        } shown;
        qApp->installEventFilter(&shown);
        fixture.window->setInteractive(false);
        fixture.window->setupLoger(fixture.dir.path());
        fixture.window->readProtocols({file});
        QCOMPARE(shown.count, 0);
        // The same search with a window shows its progress.
        fixture.window->setInteractive(true);
        fixture.window->setupLoger(fixture.dir.path());
        QVERIFY(shown.count > 0);
        qApp->removeEventFilter(&shown);
    }

    void oneProtocolSearchAtATime()
    {
        LoadFixture fixture;
        for (const char* name : {"a.log", "b.log", "c.log"})
            fixture.writeProtocol(name, QDateTime(QDate(2024, 3, 1), QTime(8, 0)), 2, 0, {1});
        auto* refresh = fixture.find<QAction>("actRefresh");
        auto* settings = fixture.find<QAction>("actInitLoger");
        fixture.dialogs->openFileAnswer = fixture.dir.filePath(QStringLiteral("log.def"));
        // Pressed while the search of the files runs.
        bool enabledDuringSearch = true;
        QTimer::singleShot(0, [&] {
            enabledDuringSearch = refresh->isEnabled() || settings->isEnabled();
            refresh->trigger();
            settings->trigger();
        });
        refresh->trigger();
        QVERIFY(!enabledDuringSearch);
        QCOMPARE(fixture.find<QTableWidget>("twFiles")->rowCount(), 3);
        QVERIFY(refresh->isEnabled() && settings->isEnabled());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
