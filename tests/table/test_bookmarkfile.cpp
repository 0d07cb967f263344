#include "table/bookmarkfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

namespace {
const QDateTime start(QDate(2024, 5, 10), QTime(12, 0));
const BookmarkOwner owner{start, 100};

// Plain numbers, so that the data rows need no registered type.
namespace Status {
constexpr int Read = int(BookmarkFile::Status::Read);
constexpr int Corrupt = int(BookmarkFile::Status::Corrupt);
constexpr int Foreign = int(BookmarkFile::Status::Foreign);
} // namespace Status

qint64 at(int msecs)
{
    return start.toMSecsSinceEpoch() + msecs;
}

void writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}
} // namespace

class TestBookmarkFile : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsTimesAndNotes()
    {
        QTemporaryDir dir;
        const QString path = BookmarkFile::pathFor(dir.filePath(QStringLiteral("a.log")));
        // Beside its protocol, one per protocol file, and never listed as a protocol.
        QCOMPARE(QFileInfo(path).absolutePath(), QDir(dir.path()).absolutePath());
        QVERIFY(path != BookmarkFile::pathFor(dir.filePath(QStringLiteral("a.LOG"))));
        QVERIFY(path != BookmarkFile::pathFor(dir.filePath(QStringLiteral("a"))));
        QVERIFY(!QDir::match(QStringLiteral("*.log"), QFileInfo(path).fileName()));
        const QVector<Bookmark> bookmarks = {{at(5300), QStringLiteral("Пуск, \"насос\"")},
                                             {at(86400001), QString()}};
        QVERIFY(BookmarkFile::write(path, owner, bookmarks));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray json = file.readAll();
        QVERIFY(json.contains("\"time\": \"2024-05-10T12:00:05.300\""));
        QVERIFY(json.contains("\"time\": \"2024-05-11T12:00:00.001\""));
        QCOMPARE(json.count("\"note\""), 1);

        const BookmarkFile::ReadResult result = BookmarkFile::read(path, owner);
        QCOMPARE(result.status, BookmarkFile::Status::Read);
        QCOMPARE(result.bookmarks, bookmarks);

        // No bookmarks left: the file goes.
        QVERIFY(BookmarkFile::write(path, owner, {}));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(BookmarkFile::read(path, owner).status, BookmarkFile::Status::Missing);
    }

    void badFilesAreRecognised_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("status");
        const QByteArray good = R"({"start": "2024-05-10T12:00:00.000", "tickMs": 100,
            "bookmarks": [{"time": "2024-05-10T12:00:01.000"}]})";
        QTest::newRow("good") << good << Status::Read;
        QTest::newRow("cut short") << good.left(60) << Status::Corrupt;
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe{", 4) << Status::Corrupt;
        QTest::newRow("no owner") << QByteArray(R"({"bookmarks": []})") << Status::Corrupt;
        QTest::newRow("bad time") << QByteArray(
                                         R"({"start": "2024-05-10T12:00:00.000", "tickMs": 100,
                "bookmarks": [{"time": "2024-13-10T12:00:01.000"}]})")
                                  << Status::Corrupt;
        QTest::newRow("other start")
            << QByteArray(R"({"start": "2024-05-10T12:00:00.001", "tickMs": 100,
                "bookmarks": []})")
            << Status::Foreign;
        QTest::newRow("other tick")
            << QByteArray(R"({"start": "2024-05-10T12:00:00.000", "tickMs": 10,
                "bookmarks": []})")
            << Status::Foreign;
    }

    void badFilesAreRecognised()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, status);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.log.bookmarks"));
        writeText(path, content);
        const BookmarkFile::ReadResult result = BookmarkFile::read(path, owner);
        QCOMPARE(int(result.status), status);
        QCOMPARE(result.bookmarks.size(), status == Status::Read ? 1 : 0);
    }

    void writeFailuresLeaveTheOldFile()
    {
        QTemporaryDir dir;
        // A folder where the file should be cannot be read or replaced.
        const QString folder = dir.filePath(QStringLiteral("b.log.bookmarks"));
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(BookmarkFile::read(folder, owner).status, BookmarkFile::Status::CannotOpen);
        QString error;
        QVERIFY(!BookmarkFile::write(folder, owner, {{at(0), QString()}}, &error));
        QVERIFY(error.contains(folder));
        // A plain file where the folder should be.
        writeText(dir.filePath(QStringLiteral("blocker")), "x");
        QVERIFY(!BookmarkFile::write(dir.filePath(QStringLiteral("blocker/c.log.bookmarks")), owner,
                                     {{at(0), QString()}}, &error));
    }

    // Read times against QDateTime's own reading, across the two clock
    // changes of a zone with summer time.
    void timesAcrossClockChanges()
    {
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
        QStringList texts;
        for (const QDate day : {QDate(2024, 3, 31), QDate(2024, 10, 27)}) {
            for (int minute = 0; minute < 5 * 60; minute += 7)
                texts.append(QDateTime(day, QTime(0, 0))
                                 .addSecs(minute * 60)
                                 .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")));
        }
        QByteArray json = R"({"start": "2024-05-10T12:00:00.000", "tickMs": 100, "bookmarks": [)";
        for (const QString& text : texts)
            json += "{\"time\": \"" + text.toLatin1() + "\"},";
        json.chop(1);
        json += "]}";
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("z.log.bookmarks"));
        writeText(path, json);
        const BookmarkOwner berlin{QDateTime(QDate(2024, 5, 10), QTime(12, 0)), 100};
        const auto result = BookmarkFile::read(path, berlin);
        QVector<qint64> expected;
        QVector<qint64> actual;
        for (int i = 0; i < texts.size(); ++i) {
            expected.append(QDateTime::fromString(texts[i], Qt::ISODateWithMs).toMSecsSinceEpoch());
            actual.append(result.bookmarks.value(i).msecs);
        }
        std::sort(expected.begin(), expected.end()); // the file is read in time order
        QCOMPARE(actual, expected);
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
        tzset();
    }

    void positionsGoToTheProtocolThatHoldsThem()
    {
        // Two protocols with a gap between them and a third inside the first.
        const QVector<ProtocolSpan> spans = {{0, 1000}, {5000, 6000}, {200, 300}};
        QVector<int> owners;
        for (const qint64 position : {-10, 250, 2000, 5500, 9000})
            owners.append(spanOwner(position, spans));
        QCOMPARE(owners, (QVector<int>{0, 0, 0, 1, 1}));
        QCOMPARE(spanOwner(0, {}), -1);
    }
};

QTEST_GUILESS_MAIN(TestBookmarkFile)
#include "test_bookmarkfile.moc"
