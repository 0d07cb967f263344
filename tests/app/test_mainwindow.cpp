#include "app/mainwindow.h"
#include "chart/chartprotocol.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace {

// Records every message box instead of showing it.
class RecordingDialogs : public Dialogs
{
public:
    QStringList* log;
    explicit RecordingDialogs(QStringList* sink) : log(sink) {}
    QMessageBox::StandardButton warning(QWidget*, const QString& title,
                                        const QString& text) override
    {
        log->append(title + QLatin1Char('|') + text);
        return QMessageBox::Ok;
    }
};

QStringList actionNames(const QList<QAction*>& actions)
{
    QStringList names;
    for (QAction* action : actions)
        names.append(action->isSeparator() ? QStringLiteral("|") : action->objectName());
    return names;
}

// Object names in order, "|" for a separator.
QStringList names(const char* list)
{
    return QString::fromLatin1(list).split(QLatin1Char(' '));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init() { QFile::remove(QStringLiteral("settings.conf")); }

    void titleCarriesTheVersion()
    {
        MainWindow window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Voltrek 0.2"));
        QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(window.font().pointSize(), 12);
    }

    void formHasAllActionsWithTheirTexts()
    {
        MainWindow window;
        const QList<QAction*> actions = window.findChildren<QAction*>(
            QRegularExpression(QStringLiteral("^act")), Qt::FindDirectChildrenOnly);
        QCOMPARE(actions.size(), 26);
        auto* load = window.findChild<QAction*>(QStringLiteral("actLoad"));
        QVERIFY(load);
        QCOMPARE(load->text(), QStringLiteral("Загрузить"));
        QCOMPARE(load->toolTip(), QStringLiteral("Загрузить протокол из файла"));
        QVERIFY(!load->isEnabled());
        QVERIFY(!window.findChild<QWidget*>(QStringLiteral("btRead"))->isEnabled());
        QVERIFY(!window.findChild<QWidget*>(QStringLiteral("buttonBookmarkAddTable"))->isEnabled());
        QVERIFY(
            !window.findChild<QWidget*>(QStringLiteral("buttonBookmarkDeleteTable"))->isEnabled());
        // No bookmark yet: only adding one at the value line is possible.
        for (const char* name :
             {"actBookmark", "actBookmarkNext", "actBookmarkPrevious", "actBookmarkDelete"})
            QVERIFY(!window.findChild<QAction*>(QLatin1String(name))->isEnabled());
        QVERIFY(window.findChild<QAction*>(QStringLiteral("actBookmarkAdd"))->isEnabled());
        QVERIFY(!window.findChild<QWidget*>(QStringLiteral("buttonBookmark"))->isEnabled());
        auto* grid = window.findChild<QAction*>(QStringLiteral("actColorGrid"));
        QCOMPARE(grid->text(), QStringLiteral("Цвет сетки"));
        QVERIFY(grid->icon().isNull());
        QVERIFY(!window.findChild<QAction*>(QStringLiteral("actSave"))->icon().pixmap(32).isNull());
    }

    void menusAndToolbarFollowTheListedOrder()
    {
        MainWindow window;
        const QList<QAction*> menus = window.menuBar()->actions();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus.at(0)->text(), QStringLiteral("Файл"));
        QCOMPARE(actionNames(menus.at(0)->menu()->actions()),
                 names("actFLASH actCopy actLogger | actInitLoger actRefresh actSave actPDF "
                       "actParameter actLoad actFilter"));
        QCOMPARE(menus.at(1)->text(), QStringLiteral("График"));
        QCOMPARE(actionNames(menus.at(1)->menu()->actions()),
                 names("actGrid actLegend | actZoomIn actZoomOrigin actZoomOut | actLeft "
                       "actZeroPoint actRight | actColorTopBackground actColorBottomBackground "
                       "actColorGrid | actBookmarkPrevious actBookmark actBookmarkNext "
                       "actBookmarkAdd actBookmarkDelete"));
        auto* toolBar = window.findChild<QToolBar*>(QStringLiteral("mainToolBar"));
        QCOMPARE(actionNames(toolBar->actions()),
                 names("actFLASH actCopy actLogger | actInitLoger actRefresh actSave actPDF "
                       "actParameter actLoad actFilter | actGrid actLegend | actZoomIn "
                       "actZoomOrigin actZoomOut | actLeft actZeroPoint actRight | "
                       "actBookmarkPrevious actBookmark actBookmarkNext actBookmarkAdd "
                       "actBookmarkDelete"));
    }

    void tablesAreSetUp()
    {
        MainWindow window;
        auto* files = window.findChild<QTableWidget*>(QStringLiteral("twFiles"));
        QCOMPARE(files->columnCount(), 3);
        QCOMPARE(files->horizontalHeaderItem(2)->text(), QStringLiteral("Размер"));
        QCOMPARE(files->columnWidth(0), 200);
        QCOMPARE(files->selectionMode(), QAbstractItemView::ExtendedSelection);
        auto* entry = window.findChild<QTableWidget*>(QStringLiteral("twEntry"));
        QCOMPARE(entry->columnCount(), 2);
        QCOMPARE(entry->horizontalHeaderItem(0)->toolTip(), QStringLiteral("Закладка"));
        QCOMPARE(entry->horizontalHeaderItem(1)->text(), QStringLiteral("Дата"));
        QCOMPARE(entry->columnWidth(0), 30);
        QCOMPARE(entry->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(entry->isSortingEnabled());
        for (const char* hidden : {"edName", "pushButton", "cbChan", "sbValue", "btAdd"})
            QVERIFY(window.findChild<QWidget*>(QLatin1String(hidden))->isHidden());
    }

    void missingSettingsKeepDefaultsAndAreWrittenOnExit()
    {
        {
            MainWindow window;
            auto* chart = window.findChild<ChartProtocol*>(QStringLiteral("chart"));
            QCOMPARE(chart->topBackgroundColor(), QColor(0, 0, 150));
            QCOMPARE(chart->gridColor(), QColor(40, 40, 180));
        }
        QSettings settings(QStringLiteral("settings.conf"), QSettings::IniFormat);
        QCOMPARE(settings.value("Chart/TopBackgroundColor").toString(), QStringLiteral("#000096"));
        QCOMPARE(settings.value("Chart/BottomBackgroundColor").toString(),
                 QStringLiteral("#000000"));
        QCOMPARE(settings.value("Chart/GridColor").toString(), QStringLiteral("#2828b4"));
    }

    void onlyTheStoredColourIsRestored()
    {
        {
            QSettings settings(QStringLiteral("settings.conf"), QSettings::IniFormat);
            settings.setValue("Chart/GridColor", "#10ff20");
        }
        MainWindow window;
        auto* chart = window.findChild<ChartProtocol*>(QStringLiteral("chart"));
        QCOMPARE(chart->gridColor(), QColor(0x10, 0xff, 0x20));
        QCOMPARE(chart->topBackgroundColor(), QColor(0, 0, 150));
        QVERIFY(window.findChild<QWidget*>(QStringLiteral("buttonGridColor"))
                    ->styleSheet()
                    .contains(QStringLiteral("background-color: #10ff20;")));
    }

    void unparsableColourReachesTheChartInvalid()
    {
        {
            QSettings settings(QStringLiteral("settings.conf"), QSettings::IniFormat);
            settings.setValue("Chart/TopBackgroundColor", "no colour");
        }
        MainWindow window;
        auto* chart = window.findChild<ChartProtocol*>(QStringLiteral("chart"));
        QVERIFY(!chart->topBackgroundColor().isValid());
        QVERIFY(
            window.findChild<QWidget*>(QStringLiteral("buttonTopColor"))->styleSheet().isEmpty());
    }

    void missingLogDefinitionWarnsAndGoesOn()
    {
        QTemporaryDir dir;
        QStringList messages;
        MainWindow window;
        window.setDialogs(std::make_unique<RecordingDialogs>(&messages));
        window.setupLoger(dir.path() + QStringLiteral("/nowhere"));
        QCOMPARE(messages, QStringList{QStringLiteral("Внимание!|Нет настроек для логера")});
        window.setupLoger(QString());
        QCOMPARE(messages.size(), 1);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
