#include "device/safefilecopy.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Stops after a number of pieces, as a pulled card or a full disk would.
class FailingCopy : public SafeFileCopy
{
public:
    explicit FailingCopy(int goodChunks) : m_goodChunks(goodChunks) {}
    int chunks = 0;

protected:
    bool writeChunk(QIODevice& target, const QByteArray& chunk) override
    {
        if (chunks++ >= m_goodChunks)
            return false;
        return SafeFileCopy::writeChunk(target, chunk);
    }

private:
    int m_goodChunks;
};

QByteArray pattern(qint64 size)
{
    QByteArray data(static_cast<int>(size), Qt::Uninitialized);
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7 + i / 251);
    return data;
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                               QDir::NoDotAndDotDot);
}

} // namespace

class TestSafeFileCopy : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_root;
    QString m_from;
    QString m_to;

private slots:
    void init()
    {
        m_from = m_root.filePath(QStringLiteral("card"));
        m_to = m_root.filePath(QStringLiteral("protocols"));
        QDir(m_from).removeRecursively();
        QDir(m_to).removeRecursively();
        QVERIFY(QDir().mkpath(m_from));
        QVERIFY(QDir().mkpath(m_to));
    }

    void copiesAndReplacesWholeFiles()
    {
        const QByteArray big = pattern(3 * SafeFileCopy::kChunkSize + 17);
        QVERIFY(protocolfiles::write(m_from + "/a.log", big));
        SafeFileCopy copier;
        QVERIFY(copier.copy(m_from + "/a.log", m_to + "/a.log"));
        QCOMPARE(readFile(m_to + "/a.log"), big);

        QVERIFY(protocolfiles::write(m_from + "/a.log", "short"));
        QVERIFY(copier.copy(m_from + "/a.log", m_to + "/a.log"));
        QCOMPARE(readFile(m_to + "/a.log"), QByteArray("short"));

        QVERIFY(protocolfiles::write(m_from + "/empty.log", QByteArray()));
        QVERIFY(copier.copy(m_from + "/empty.log", m_to + "/empty.log"));
        QVERIFY(QFile::exists(m_to + "/empty.log"));
        QCOMPARE(entries(m_to), (QStringList{"a.log", "empty.log"}));
        QVERIFY(copier.lastError().isEmpty());
    }

    void failureHalfwayKeepsTheOldTargetAndLeavesNoPartialFile()
    {
        QVERIFY(protocolfiles::write(m_from + "/a.log", pattern(4 * SafeFileCopy::kChunkSize)));
        QVERIFY(protocolfiles::write(m_to + "/a.log", "old protocol"));
        FailingCopy copier(2);
        QVERIFY(!copier.copy(m_from + "/a.log", m_to + "/a.log"));
        QCOMPARE(copier.chunks, 3);
        QVERIFY(!copier.lastError().isEmpty());
        QCOMPARE(readFile(m_to + "/a.log"), QByteArray("old protocol"));
        QCOMPARE(entries(m_to), QStringList{"a.log"});

        // Without an old target nothing at all is left behind.
        FailingCopy fresh(1);
        QVERIFY(!fresh.copy(m_from + "/a.log", m_to + "/b.log"));
        QCOMPARE(entries(m_to), QStringList{"a.log"});
    }

    void copyOntoItselfIsRefused()
    {
        QVERIFY(protocolfiles::write(m_to + "/a.log", "protocol"));
        SafeFileCopy copier;
        QVERIFY(!copier.copy(m_to + "/a.log", m_to + "/a.log"));
        QVERIFY(!copier.copy(m_to + "/a.log", m_to + "/../protocols/./a.log"));
        QCOMPARE(readFile(m_to + "/a.log"), QByteArray("protocol"));
        QCOMPARE(entries(m_to), QStringList{"a.log"});
    }

    void impossibleSourcesAndTargetsFailWithoutHarm()
    {
        QVERIFY(protocolfiles::write(m_from + "/a.log", "new"));
        QVERIFY(protocolfiles::write(m_to + "/a.log", "old"));
        SafeFileCopy copier;

        // Vanished source: the old target stays.
        QVERIFY(!copier.copy(m_from + "/gone.log", m_to + "/a.log"));
        QCOMPARE(readFile(m_to + "/a.log"), QByteArray("old"));
        // A folder is no source.
        QVERIFY(!copier.copy(m_from, m_to + "/a.log"));
        QCOMPARE(readFile(m_to + "/a.log"), QByteArray("old"));
        // A file where the target's folder should be.
        QVERIFY(!copier.copy(m_from + "/a.log", m_to + "/a.log/x.log"));
        QVERIFY(!copier.lastError().isEmpty());
        // A folder in the target's place stays a folder.
        QVERIFY(QDir().mkpath(m_to + "/dir.log/inner"));
        QVERIFY(!copier.copy(m_from + "/a.log", m_to + "/dir.log"));
        QVERIFY(QFileInfo(m_to + "/dir.log/inner").isDir());
        QCOMPARE(entries(m_to), (QStringList{"a.log", "dir.log"}));
        QCOMPARE(readFile(m_from + "/a.log"), QByteArray("new"));
    }
};

QTEST_GUILESS_MAIN(TestSafeFileCopy)
#include "test_safefilecopy.moc"
