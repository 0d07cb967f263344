#include "app/commandline.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void noArgumentsKeepsDefaults()
    {
        const StartupOptions options = parseCommandLine({});
        QVERIFY(options.directory.isEmpty());
        QVERIFY(options.files.isEmpty());
    }

    void optionsAreCaseInsensitiveAndLastDirectoryWins()
    {
        const StartupOptions options = parseCommandLine({"-D", "a", "-d", "b", "-L", "x"});
        QCOMPARE(options.directory, QStringLiteral("b"));
        QCOMPARE(options.files, QStringList{QStringLiteral("x")});
    }

    void filesKeepTheirOrder()
    {
        const StartupOptions options = parseCommandLine({"-l", "x", "other", "-l", "y"});
        QCOMPARE(options.files, (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
        QCOMPARE(options.unknown, QStringList{QStringLiteral("other")});
    }

    // "-p FILE", or a project's name alone as the desktop hands it over.
    void projectIsNamedByOptionOrSuffix_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::addColumn<QString>("project");
        QTest::addColumn<QStringList>("unknown");
        QTest::addColumn<bool>("error");
        QTest::newRow("option") << QList<QByteArray>{"-p", "a.json"} << "a.json" << QStringList()
                                << false;
        QTest::newRow("upper case")
            << QList<QByteArray>{"-P", "a.vtproj"} << "a.vtproj" << QStringList() << false;
        QTest::newRow("bare name") << QList<QByteArray>{"/home/u/Анализ.VTPROJ"}
                                   << "/home/u/Анализ.VTPROJ" << QStringList() << false;
        QTest::newRow("second bare name is unknown")
            << QList<QByteArray>{"a.vtproj", "b.vtproj"} << "a.vtproj" << QStringList{"b.vtproj"}
            << false;
        QTest::newRow("other file is unknown")
            << QList<QByteArray>{"a.log"} << QString() << QStringList{"a.log"} << false;
        QTest::newRow("with -l and a report")
            << QList<QByteArray>{"-p", "a.vtproj", "-l", "x.log", "--png", "o.png"} << "a.vtproj"
            << QStringList() << false;
        QTest::newRow("without its file")
            << QList<QByteArray>{"-p"} << QString() << QStringList() << true;
        QTest::newRow("followed by an option")
            << QList<QByteArray>{"-p", "-l", "x.log"} << QString() << QStringList() << true;
    }

    void projectIsNamedByOptionOrSuffix()
    {
        QFETCH(QList<QByteArray>, arguments);
        QFETCH(QString, project);
        QFETCH(QStringList, unknown);
        QFETCH(bool, error);
        const StartupOptions options = parseCommandLine(arguments);
        QCOMPARE(options.projectFile, project);
        QCOMPARE(options.unknown, unknown);
        QCOMPARE(!options.error.isEmpty(), error);
    }

    void unknownArgumentsAreListedAndNamed_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::addColumn<QString>("complaint");
        QTest::newRow("none") << QList<QByteArray>{"-d", "a", "--csv", "x.csv"} << QString();
        QTest::newRow("typo of an option")
            << QList<QByteArray>{"--csv", "out.csv", "--cvs", "x.csv"}
            << "неизвестные параметры «--cvs», «x.csv»; см. voltrek --help";
        QTest::newRow("option of another program")
            << QList<QByteArray>{"--verbose", "-l", "a.log"}
            << "неизвестный параметр «--verbose»; см. voltrek --help";
        // A value is never taken for an option of its own.
        QTest::newRow("values") << QList<QByteArray>{"-l", "--cvs", "-d", "--x"} << QString();
    }

    void unknownArgumentsAreListedAndNamed()
    {
        QFETCH(QList<QByteArray>, arguments);
        QFETCH(QString, complaint);
        QCOMPARE(unknownArgumentsText(parseCommandLine(arguments)), complaint);
    }

    void fileNamesAreDecodedAsTheSystemEncodesThem()
    {
        // A name in a one-byte locale encoding, which is no valid UTF-8.
        QTextCodec* before = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("KOI8-R"));
        const QString name = QStringLiteral("Протокол.log");
        const QByteArray raw = QTextCodec::codecForName("KOI8-R")->fromUnicode(name);
        const StartupOptions options = parseCommandLine({"-l", raw});
        const QByteArray encoded = QFile::encodeName(options.files.value(0));
        QTextCodec::setCodecForLocale(before);
        QCOMPARE(options.files, QStringList{name});
        QCOMPARE(encoded, raw);
    }

    void optionWithoutValueIsIgnored()
    {
        QVERIFY(parseCommandLine({"-d"}).directory.isEmpty());
        const StartupOptions options = parseCommandLine({"-d", "a", "-l"});
        QCOMPARE(options.directory, QStringLiteral("a"));
        QVERIFY(options.files.isEmpty());
    }

    void valueThatLooksLikeAnOptionIsStillAValue()
    {
        const StartupOptions options = parseCommandLine({"-d", "-l", "x"});
        QCOMPARE(options.directory, QStringLiteral("-l"));
        QVERIFY(options.files.isEmpty());
    }

    void directoryIsDecodedAsTheSystemHandsItOverAndFilesFromUtf8()
    {
        const QString cyrillic = QStringLiteral("Протоколы");
#ifdef Q_OS_WIN
        const QByteArray directory = QTextCodec::codecForName("CP1251")->fromUnicode(cyrillic);
#else
        // Elsewhere the arguments come in the locale's encoding, today UTF-8.
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
        const QByteArray directory = cyrillic.toUtf8();
#endif
        const StartupOptions options =
            parseCommandLine({"-d", directory, "-l", QStringLiteral("файл.log").toUtf8()});
        QCOMPARE(options.directory, cyrillic);
        QCOMPARE(options.files, QStringList{QStringLiteral("файл.log")});
    }

    void relativeFileIsTakenFromTheWorkingDirectoryWhenItIsThere()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("demo/protocols")));
        QFile here(dir.filePath(QStringLiteral("demo/protocols/x.log")));
        QVERIFY(here.open(QIODevice::WriteOnly));
        here.close();
        const QString workingDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const QStringList resolved =
            resolveStartupFiles({"demo/protocols/x.log", "y.log", "demo", "/elsewhere/z.log"});
        QDir::setCurrent(workingDir);
        QCOMPARE(resolved, QStringList({QFileInfo(here).absoluteFilePath(), "y.log", "demo",
                                        "/elsewhere/z.log"}));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
