#include "table/bookmarkfile.h"
#include "tests/zonescope.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

QByteArray readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
        QVERIFY(json.contains("\"time\": \"2024-05-10T12:00:05.300"));
        QVERIFY(json.contains("\"time\": \"2024-05-11T12:00:00.001"));
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

    // Every time carries the writer's offset, so that the hour repeated when
    // summer time ends reads back as written, in the writer's zone and in any other.
    void timesCarryTheirOffset_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QStringList>("texts");
        // 00:30Z and 01:30Z are 02:30 twice in Berlin.
        QTest::newRow("UTC") << QByteArray("UTC")
                             << QStringList{"2023-10-29T00:30:00.000+00:00",
                                            "2023-10-29T01:30:00.499+00:00"};
        QTest::newRow("Berlin") << QByteArray("Europe/Berlin")
                                << QStringList{"2023-10-29T02:30:00.000+02:00",
                                               "2023-10-29T02:30:00.499+01:00"};
        QTest::newRow("Moscow") << QByteArray("Europe/Moscow")
                                << QStringList{"2023-10-29T03:30:00.000+03:00",
                                               "2023-10-29T04:30:00.499+03:00"};
    }

    void timesCarryTheirOffset()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QStringList, texts);
        ZoneScope scope(zone.constData());
        const qint64 first =
            QDateTime(QDate(2023, 10, 29), QTime(0, 30), Qt::UTC).toMSecsSinceEpoch();
        const QVector<Bookmark> bookmarks = {{first, QStringLiteral("первая")},
                                             {first + 3600499, QStringLiteral("вторая")}};
        const BookmarkOwner local{QDateTime::fromMSecsSinceEpoch(first - 3600000), 1000};
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.log.bookmarks"));
        QVERIFY(BookmarkFile::write(path, local, bookmarks));
        const QByteArray json = readText(path);
        for (const QString& text : texts)
            QVERIFY2(json.contains(text.toLatin1()), json.constData());
        const BookmarkFile::ReadResult result = BookmarkFile::read(path, local);
        QCOMPARE(result.status, BookmarkFile::Status::Read);
        QCOMPARE(result.bookmarks, bookmarks);
    }

    // The protocol's header keeps wall-clock time, so the same protocol
    // starts at another instant on a machine in another zone. Its bookmarks
    // keep their place from its start.
    void fileFromAnotherZoneBelongsToItsProtocol()
    {
        ZoneScope scope("Europe/Moscow");
        const QDateTime moscowStart(QDate(2024, 5, 10), QTime(12, 0));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.log.bookmarks"));
        // As a UTC machine writes it for the protocol starting 12:00.
        writeText(path, R"({"start": "2024-05-10T12:00:00.000+00:00", "tickMs": 100,
            "bookmarks": [{"time": "2024-05-10T12:00:05.300+00:00", "note": "Пуск"}]})");
        const BookmarkFile::ReadResult result = BookmarkFile::read(path, {moscowStart, 100});
        QCOMPARE(result.status, BookmarkFile::Status::Read);
        QCOMPARE(result.bookmarks, (QVector<Bookmark>{{moscowStart.toMSecsSinceEpoch() + 5300,
                                                       QStringLiteral("Пуск")}}));
        // Another protocol still does not match.
        QCOMPARE(BookmarkFile::read(path, {moscowStart.addSecs(1), 100}).status,
                 BookmarkFile::Status::Foreign);
    }

    // Entries with and without an offset in one file (an older file to which
    // this program added a bookmark in Berlin) keep their distance from the
    // start in every zone.
    void entriesShareTheBasisOfTheirStart_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QByteArray>("startText");
        for (const char* zone : {"UTC", "Europe/Berlin", "Europe/Moscow"}) {
            QTest::addRow("%s, start without offset", zone)
                << QByteArray(zone) << QByteArray("2024-05-10T12:00:00.000");
            QTest::addRow("%s, start with offset", zone)
                << QByteArray(zone) << QByteArray("2024-05-10T12:00:00.000+02:00");
        }
    }

    void entriesShareTheBasisOfTheirStart()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QByteArray, startText);
        ZoneScope scope(zone.constData());
        const QDateTime localStart(QDate(2024, 5, 10), QTime(12, 0));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.log.bookmarks"));
        writeText(path, R"({"start": ")" + startText + R"(", "tickMs": 100, "bookmarks": [
            {"time": "2024-05-10T12:00:05.300"},
            {"time": "2024-05-10T12:00:10.000+02:00"},
            {"time": "2024-05-10T12:00:00.000"}]})");
        const BookmarkFile::ReadResult result = BookmarkFile::read(path, {localStart, 100});
        QCOMPARE(result.status, BookmarkFile::Status::Read);
        const qint64 first = localStart.toMSecsSinceEpoch();
        QCOMPARE(result.bookmarks,
                 (QVector<Bookmark>{
                     {first, QString()}, {first + 5300, QString()}, {first + 10000, QString()}}));
    }

    // Bookmarks are the user's: what cannot be read is said, never taken
    // for "no bookmarks".
    void unreadableFilesAreNotMissing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("status");
        QTest::newRow("dangling link") << "link" << int(BookmarkFile::Status::CannotOpen);
        QTest::newRow("pipe") << "fifo" << int(BookmarkFile::Status::CannotOpen);
        QTest::newRow("deep nesting") << "nested" << int(BookmarkFile::Status::Corrupt);
        QTest::newRow("entry no object") << "number" << int(BookmarkFile::Status::Corrupt);
    }

    void unreadableFilesAreNotMissing()
    {
        QFETCH(QString, kind);
        QFETCH(int, status);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.log.bookmarks"));
        if (kind == QLatin1String("link")) {
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), path));
        } else if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == QLatin1String("nested")) {
            writeText(path, QByteArray(200000, '[') + QByteArray(200000, ']'));
        } else {
            writeText(path, R"({"start": "2024-05-10T12:00:00.000", "tickMs": 100,
                "bookmarks": [5]})");
        }
        QCOMPARE(int(BookmarkFile::read(path, owner).status), status);
    }

    // A disk that fills up while the file is written: the write fails and
    // the old file stays whole.
    void fullDiskKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.log.bookmarks"));
        QVERIFY(BookmarkFile::write(path, owner, {{at(0), QStringLiteral("старая")}}));
        const QByteArray old = readText(path);
        QVector<Bookmark> many;
        for (int i = 0; i < 40; ++i)
            many.append({at(i * 100), QStringLiteral("заметка %1").arg(i)});

        // Small enough to stay in the write buffer until the flush.
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 512;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool written = BookmarkFile::write(path, owner, many, &error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!written);
        QVERIFY2(error.contains(path), qPrintable(error));
        QCOMPARE(readText(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.log.bookmarks"});
    }

    void positionsGoToTheProtocolThatHoldsThem()
    {
        // Two protocols with a gap between them and a third inside the first.
        const QVector<ProtocolSpan> spans = {{0, 1000}, {5000, 6000}, {200, 300}};
        QVector<int> owners;
        // Each span's own last position stays with it.
        for (const qint64 position : {-10, 250, 300, 1000, 2000, 5000, 5500, 6000, 9000})
            owners.append(spanOwner(position, spans));
        QCOMPARE(owners, (QVector<int>{0, 0, 0, 0, 0, 1, 1, 1, 1}));
        QCOMPARE(spanOwner(0, {}), -1);
    }
};

QTEST_GUILESS_MAIN(TestBookmarkFile)
#include "test_bookmarkfile.moc"
