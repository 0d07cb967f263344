#include "app/commandline.h"

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

    void directoryIsDecodedFromCp1251AndFilesFromUtf8()
    {
        const QString cyrillic = QStringLiteral("Протоколы");
        const QByteArray cp1251 = QTextCodec::codecForName("CP1251")->fromUnicode(cyrillic);
        const StartupOptions options =
            parseCommandLine({"-d", cp1251, "-l", QStringLiteral("файл.log").toUtf8()});
        QCOMPARE(options.directory, cyrillic);
        QCOMPARE(options.files, QStringList{QStringLiteral("файл.log")});
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
