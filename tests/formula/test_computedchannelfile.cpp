#include "formula/computedchannelfile.h"

#include <QtTest>

namespace {
QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}
} // namespace

class TestComputedChannelFile : public QObject
{
    Q_OBJECT

private slots:
    void definitionsSurviveARoundTrip()
    {
        QTemporaryDir dir;
        const QString path = ComputedChannelFile::pathIn(dir.path());
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("computed.def"));
        const ComputedChannels channels{{"P", QStringLiteral("Мощность, Вт"), 1, "U1*I1"},
                                        {"D", QString(), 0, QStringLiteral("T1 - T2 // «»")},
                                        {"F", "F", ComputedChannel::maxDecimals, "U1>250 ? 1 : 0"}};
        QString error;
        QVERIFY2(ComputedChannelFile::save(path, channels, error), qPrintable(error));
        ComputedChannels read;
        QVERIFY2(ComputedChannelFile::load(path, read, error), qPrintable(error));
        QVERIFY(read == channels);

        // A later save replaces the list whole, down to none.
        QVERIFY(ComputedChannelFile::save(path, {}, error));
        QVERIFY(ComputedChannelFile::load(path, read, error));
        QVERIFY(read.empty());
    }

    void missingFileIsNoChannels()
    {
        QTemporaryDir dir;
        ComputedChannels read{{"X", "X", 1, "1"}};
        QString error;
        QVERIFY(ComputedChannelFile::load(ComputedChannelFile::pathIn(dir.path()), read, error));
        QVERIFY(read.empty());
        QVERIFY(error.isEmpty());
    }

    void brokenFileIsNamedAndKept_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("cause");
        QTest::newRow("not JSON") << QByteArray("{\"channels\": [") << "ошибка JSON";
        QTest::newRow("no list") << QByteArray("{\"version\": 1}") << "нет списка";
        QTest::newRow("later version")
            << QByteArray("{\"version\": 99, \"channels\": []}") << "версия 99 не поддерживается";
        QTest::newRow("version no number")
            << QByteArray("{\"version\": \"2\", \"channels\": []}") << "версия «2»";
        QTest::newRow("array root") << QByteArray("[]") << "нет списка";
        QTest::newRow("entry no object") << QByteArray("{\"channels\": [1]}") << "канал 1";
        QTest::newRow("no code") << QByteArray("{\"channels\": [{\"formula\": \"U1\"}]}")
                                 << "нет кода";
        QTest::newRow("no formula")
            << QByteArray("{\"channels\": [{\"code\": \"P\"}]}") << "нет формулы";
        QTest::newRow("decimals")
            << QByteArray(
                   "{\"channels\": [{\"code\": \"P\", \"formula\": \"1\", \"decimals\": 2.5}]}")
            << "число знаков";
        QTest::newRow("repeated") << QByteArray(
                                         "{\"channels\": [{\"code\": \"P\", \"formula\": \"1\"},"
                                         "{\"code\": \"P\", \"formula\": \"2\"}]}")
                                  << "повторяется";
    }
    void brokenFileIsNamedAndKept()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, cause);
        QTemporaryDir dir;
        const QString path = ComputedChannelFile::pathIn(dir.path());
        write(path, bytes);
        ComputedChannels read{{"X", "X", 1, "1"}};
        QString error;
        QVERIFY(!ComputedChannelFile::load(path, read, error));
        QVERIFY(read.empty());
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
        QVERIFY2(error.contains(cause), qPrintable(error));
        QCOMPARE(contents(path), bytes);
    }

    void failedSaveKeepsTheOldFile()
    {
        QTemporaryDir dir;
        // A folder where the file's folder should be: nothing can be written.
        const QString blocked = dir.filePath(QStringLiteral("file"));
        write(blocked, "x");
        QString error;
        QVERIFY(!ComputedChannelFile::save(ComputedChannelFile::pathIn(blocked),
                                           {{"P", "P", 1, "U1"}}, error));
        QVERIFY(error.contains(QStringLiteral("не сохранен")));
        QCOMPARE(contents(blocked), QByteArray("x"));
    }
};

QTEST_GUILESS_MAIN(TestComputedChannelFile)
#include "test_computedchannelfile.moc"
