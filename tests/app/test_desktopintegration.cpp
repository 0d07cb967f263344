#include "app/projectactions.h"
#include "app/protocoldrop.h"
#include "app/toolkittranslation.h"
#include "chart/chartprotocol.h"
#include "loadfixture.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLibraryInfo>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTest>
#include <QTranslator>

namespace {

const QDateTime kStart(QDate(2024, 3, 1), QTime(8, 0));

QString cancelText()
{
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Cancel)->text();
}

// Sends a drag entering the window, proposing a move where one is offered,
// and the drop when the window took it; returns the action it took.
Qt::DropAction drop(QWidget& window, const QStringList& paths,
                    Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(path.contains(QLatin1String("://")) ? QUrl(path) : QUrl::fromLocalFile(path));
    data.setUrls(urls);
    const QPoint centre = window.rect().center();
    QDragEnterEvent enter(centre, offered, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setDropAction(offered & Qt::MoveAction ? Qt::MoveAction : Qt::CopyAction);
    QCoreApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    QDropEvent dropped(centre, offered, &data, Qt::LeftButton, Qt::NoModifier);
    dropped.setDropAction(enter.dropAction());
    QCoreApplication::sendEvent(&window, &dropped);
    return dropped.isAccepted() ? dropped.dropAction() : Qt::IgnoreAction;
}

} // namespace

class TestDesktopIntegration : public QObject
{
    Q_OBJECT

    QTemporaryDir config;

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit()); }

    void toolkitTextsSpeakRussianUnlessTheLocaleHasItsOwn_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("cancel");
        QTest::newRow("C") << "C" << QStringLiteral("Отмена");
        QTest::newRow("English") << "en_US" << QStringLiteral("Отмена");
        QTest::newRow("Russian") << "ru_RU" << QStringLiteral("Отмена");
        QTest::newRow("German") << "de_DE" << QStringLiteral("Abbrechen");
    }

    void toolkitTextsSpeakRussianUnlessTheLocaleHasItsOwn()
    {
        QFETCH(QString, locale);
        QFETCH(QString, cancel);
        const QDir translations(QLibraryInfo::location(QLibraryInfo::TranslationsPath));
        if (!translations.exists(QStringLiteral("qtbase_ru.qm")))
            QSKIP("the toolkit's translations (qttranslations5-l10n) are not installed");
        std::unique_ptr<QTranslator> translator(
            installToolkitTranslation(*QCoreApplication::instance(), QLocale(locale)));
        QVERIFY(translator);
        QCOMPARE(cancelText(), cancel);
        translator.reset();
        QCOMPARE(cancelText(), QStringLiteral("Cancel"));
    }

    void dropsReadProtocolsOrOpenALogFolderAndRefuseTheRest()
    {
        LoadFixture fixture;
        const QString first = fixture.writeProtocol("first.log", kStart, 10, 5, {1, 2});
        const QString second = fixture.writeProtocol("SECOND.LOG", kStart.addSecs(60), 5, 1, {1});
        const QString notes = fixture.dir.filePath("notes.txt");
        QVERIFY(protocolfiles::write(notes, "text"));
        const QString plainFolder = fixture.dir.filePath("plain");
        const QString logFolder = fixture.dir.filePath("other");
        QVERIFY(QDir().mkpath(plainFolder) && QDir().mkpath(logFolder));
        QVERIFY(protocolfiles::writeDefinition(logFolder, R"({"ROOT": "", "CONTENT": []})"));
        fixture.writeProtocol("other/only.log", kStart, 3, 0, {1});

        MainWindow& window = *fixture.window;
        for (const QStringList& refused : {QStringList{first, notes},
                                           {plainFolder},
                                           {logFolder, first},
                                           {notes},
                                           {fixture.dir.filePath("missing.log")},
                                           {"https://example.org/a.log"},
                                           {}})
            QVERIFY2(drop(window, refused) == Qt::IgnoreAction, qPrintable(refused.join(' ')));
        // A source that moved the files would delete them once dropped.
        QCOMPARE(drop(window, {first}, Qt::MoveAction), Qt::IgnoreAction);
        QCoreApplication::processEvents();
        QCOMPARE(window.tableRowCount(), 0);

        // Reading starts after the drop has returned to the source.
        QCOMPARE(drop(window, {first, second, first}), Qt::CopyAction);
        QCOMPARE(window.tableRowCount(), 0);
        QTRY_COMPARE(window.tableRowCount(), 15);

        // A project opens alone, as a double click opens it.
        const QString project = fixture.dir.filePath("view.vtproj");
        QVERIFY(window.projects().save(project));
        window.clearProtocolView();
        QCOMPARE(drop(window, {project, first}), Qt::IgnoreAction);
        QCOMPARE(drop(window, {project}), Qt::CopyAction);
        QTRY_COMPARE(window.tableRowCount(), 15);

        auto* files = fixture.find<QTableWidget>("twFiles");
        QCOMPARE(drop(window, {logFolder}), Qt::CopyAction);
        QTRY_COMPARE(files->rowCount(), 1);
        QCOMPARE(window.tableRowCount(), 0);
    }

    void settingsStayInTheWorkingDirectoryOnlyWhenOneIsThere()
    {
        const QString userFile =
            config.filePath(QCoreApplication::applicationName() + QStringLiteral("/settings.conf"));
        const QString gridKey = QStringLiteral("Chart/GridColor");
        QFile::remove(QStringLiteral("settings.conf"));
        QFile::remove(userFile);

        // A window started anywhere keeps its colours in the user's folder.
        {
            MainWindow window;
        }
        QVERIFY(!QFile::exists(QStringLiteral("settings.conf")));
        QSettings(userFile, QSettings::IniFormat).setValue(gridKey, QStringLiteral("#102030"));
        {
            MainWindow window;
            QCOMPARE(window.findChild<ChartProtocol*>(QStringLiteral("chart"))->gridColor(),
                     QColor(0x10, 0x20, 0x30));
        }

        // An existing file in the working directory wins and is the one written.
        QSettings(QStringLiteral("settings.conf"), QSettings::IniFormat)
            .setValue(gridKey, QStringLiteral("#405060"));
        {
            MainWindow window;
            auto* chart = window.findChild<ChartProtocol*>(QStringLiteral("chart"));
            QCOMPARE(chart->gridColor(), QColor(0x40, 0x50, 0x60));
            chart->setGridColor(QColor(0x70, 0x80, 0x90));
        }
        QCOMPARE(QSettings(QStringLiteral("settings.conf"), QSettings::IniFormat).value(gridKey),
                 QVariant(QStringLiteral("#708090")));
        QCOMPARE(QSettings(userFile, QSettings::IniFormat).value(gridKey),
                 QVariant(QStringLiteral("#102030")));
        QFile::remove(QStringLiteral("settings.conf"));
    }
};

QTEST_MAIN(TestDesktopIntegration)
#include "test_desktopintegration.moc"
