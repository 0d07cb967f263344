#include "protocol/readablefile.h"
#include "protocolfiles.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

// The check every reader makes before it opens a file.
class TestReadableFile : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp;

private slots:
    void onlyRegularFilesAreReadAndNeverPastTheBound_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("result"); // readablefile::Result
        QTest::addColumn<QString>("russian");
        using R = readablefile::Result;
        QTest::newRow("file within the bound") << "10" << int(R::Opened) << "";
        QTest::newRow("file at the bound") << "16" << int(R::Opened) << "";
        QTest::newRow("one byte past the bound")
            << "17" << int(R::TooLarge) << "файл слишком велик";
        QTest::newRow("link to a file") << "link" << int(R::Opened) << "";
        QTest::newRow("missing") << "missing" << int(R::Missing) << "файл не найден";
        QTest::newRow("dangling link") << "dangling" << int(R::Missing) << "файл не найден";
        QTest::newRow("FIFO") << "fifo" << int(R::NotRegular)
                              << "это не обычный файл, а канал FIFO";
        QTest::newRow("device node")
            << "device" << int(R::NotRegular) << "это не обычный файл, а устройство";
        // A device claims size 0 and would give bytes for ever.
        QTest::newRow("link to /dev/zero")
            << "zero" << int(R::NotRegular) << "это не обычный файл, а устройство";
        QTest::newRow("folder") << "folder" << int(R::NotRegular) << "это не обычный файл, а папка";
    }

    void onlyRegularFilesAreReadAndNeverPastTheBound()
    {
        QFETCH(QString, kind);
        QFETCH(int, result);
        QFETCH(QString, russian);
        const QString path = tmp.filePath(kind);
        const QByteArray name = QFile::encodeName(path);
        bool digits = false;
        const int size = kind.toInt(&digits);
        if (digits)
            QVERIFY(protocolfiles::write(path, QByteArray(size, 'x')));
        else if (kind == "link")
            QVERIFY(protocolfiles::write(path + ".target", "abc") &&
                    QFile::link(path + ".target", path));
        else if (kind == "dangling")
            QVERIFY(QFile::link(path + ".nowhere", path));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else if (kind == "device") // the same device as /dev/null
            QCOMPARE(::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)), 0);
        else if (kind == "zero")
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        else if (kind == "folder")
            QVERIFY(QDir().mkpath(path));

        QByteArray bytes("old");
        const readablefile::Status status = readablefile::readAll(path, 16, bytes);
        QCOMPARE(int(status.result), result);
        QCOMPARE(status.russianReason(), russian);
        QCOMPARE(bytes, digits && size <= 16 ? QByteArray(size, 'x')
                        : kind == "link"     ? QByteArray("abc")
                                             : QByteArray());
        // Opening alone knows no bound.
        const bool opens = status.ok() || status.result == readablefile::Result::TooLarge;
        QFile file;
        QCOMPARE(readablefile::open(file, path).ok(), opens);
        QCOMPARE(file.isOpen(), opens);
    }
};

QTEST_GUILESS_MAIN(TestReadableFile)
#include "test_readablefile.moc"
