#include "app/rememberedplaces.h"

#include <QtTest>

namespace {
void makeDefinition(const QString& dir)
{
    QDir().mkpath(dir);
    QFile file(QDir(dir).filePath(QStringLiteral("log.def")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{}");
}
} // namespace

class TestRememberedPlaces : public QObject
{
    Q_OBJECT
private slots:
    void startDirectoryPrefersOptionThenDefaultThenRemembered_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("defaultHasOne");
        QTest::addColumn<bool>("rememberedHasOne");
        QTest::addColumn<QString>("expected");
        QTest::newRow("option wins") << "opt" << true << true << "opt";
        QTest::newRow("default has one") << "" << true << true << "default";
        QTest::newRow("started from the menu") << "" << false << true << "remembered";
        QTest::newRow("neither") << "" << false << false << "default";
        QTest::newRow("option without one") << "opt" << false << true << "opt";
    }

    void startDirectoryPrefersOptionThenDefaultThenRemembered()
    {
        QFETCH(QString, option);
        QFETCH(bool, defaultHasOne);
        QFETCH(bool, rememberedHasOne);
        QFETCH(QString, expected);
        QTemporaryDir root;
        const QString byDefault = root.filePath(QStringLiteral("default"));
        const QString remembered = root.filePath(QStringLiteral("remembered"));
        QDir().mkpath(byDefault);
        QDir().mkpath(remembered);
        if (defaultHasOne)
            makeDefinition(byDefault);
        if (rememberedHasOne)
            makeDefinition(remembered);
        const QString given = option.isEmpty() ? QString() : root.filePath(option);
        QCOMPARE(startDirectory(given, byDefault, remembered), root.filePath(expected));
        // Nothing remembered yet.
        if (!defaultHasOne && option.isEmpty())
            QCOMPARE(startDirectory(QString(), byDefault, QString()), byDefault);
    }

    void definitionMustBeAFile()
    {
        QTemporaryDir root;
        QVERIFY(!hasLogDefinition(root.path()));
        QVERIFY(!hasLogDefinition(QString()));
        QDir(root.path()).mkdir(QStringLiteral("log.def"));
        QVERIFY(!hasLogDefinition(root.path()));
    }

    void reportIsNamedAfterTheStart()
    {
        const QDateTime start(QDate(2024, 3, 11), QTime(8, 0, 0, 250));
        QCOMPARE(suggestedReportPath(start, QStringLiteral("/home/u/Отчеты"), "xlsx"),
                 QStringLiteral("/home/u/Отчеты/2024_03_11_08_00_00.xlsx"));
        QCOMPARE(suggestedReportPath(QDateTime(), QStringLiteral("/r"), "pdf"),
                 QStringLiteral("/r/report.pdf"));
    }

    // The newest first, each once, at most eight.
    void recentProjectsKeepTheLastEight_data()
    {
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("one") << QStringList{"/p/a.vtproj"} << QStringList{"/p/a.vtproj"};
        QTest::newRow("reopened goes first")
            << QStringList{"/p/a.vtproj", "/p/b.vtproj", "/p/a.vtproj"}
            << QStringList{"/p/a.vtproj", "/p/b.vtproj"};
        QStringList nine;
        for (int i = 1; i <= 9; ++i)
            nine.append(QStringLiteral("/p/%1.vtproj").arg(i));
        QStringList lastEight;
        for (int i = 9; i >= 2; --i)
            lastEight.append(QStringLiteral("/p/%1.vtproj").arg(i));
        QTest::newRow("ninth pushes the first out") << nine << lastEight;
    }

    void recentProjectsKeepTheLastEight()
    {
        QFETCH(QStringList, opened);
        QFETCH(QStringList, expected);
        QTemporaryDir root;
        RememberedPlaces places(root.filePath(QStringLiteral("settings.conf")));
        for (const QString& path : opened)
            places.addRecentProject(path);
        QCOMPARE(places.recentProjects(), expected);
        places.forgetRecentProject(expected.first());
        QCOMPARE(places.recentProjects(), expected.mid(1));
    }

    void placesSurviveInTheSettingsFile()
    {
        QTemporaryDir root;
        const QString file = root.filePath(QStringLiteral("settings.conf"));
        {
            RememberedPlaces places(file);
            QVERIFY(places.logDirectory().isEmpty());
            places.setLogDirectory(QStringLiteral("/data/Логи"));
            places.setReportDirectory(QStringLiteral("/data/Отчеты"));
            places.setTableSplit(QByteArray("\x00\xff split", 9));
        }
        const RememberedPlaces again(file);
        QCOMPARE(again.logDirectory(), QStringLiteral("/data/Логи"));
        QCOMPARE(again.reportDirectory(), QStringLiteral("/data/Отчеты"));
        QCOMPARE(again.tableSplit(), QByteArray("\x00\xff split", 9));
    }
};

QTEST_GUILESS_MAIN(TestRememberedPlaces)
#include "test_rememberedplaces.moc"
