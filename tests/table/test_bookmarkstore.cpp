#include "table/bookmarkstore.h"
#include "tests/zonescope.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

namespace {
const QDateTime startA(QDate(2024, 5, 10), QTime(12, 0));
const QDateTime startB(QDate(2024, 5, 10), QTime(12, 0, 20, 50));

QByteArray content(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QJsonArray entriesOf(const QString& path)
{
    return QJsonDocument::fromJson(content(path))
        .object()
        .value(QStringLiteral("bookmarks"))
        .toArray();
}

} // namespace

class TestBookmarkStore : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString a = dir.filePath(QStringLiteral("a.log"));
    QString b = dir.filePath(QStringLiteral("b.log"));

    // A at ticks 0 … 99; B starts 20.05 s later, so its tick 0 is global tick 200.
    QVector<BookmarkStore::Protocol> both() const
    {
        return {{a, {startA, 100}, 0, 0, 99}, {b, {startB, 100}, 200, 200, 299}};
    }

private slots:
    void bookmarksFollowTheirProtocolIntoAnotherView()
    {
        BookmarkStore store;
        store.setView(both());
        QVERIFY(store.load().isEmpty());
        store.setNote(250, QStringLiteral("Пуск"));
        QVERIFY(store.save({10, 150, 250, 400}).isEmpty());
        // The gap after A belongs to A; B's ticks are times of B.
        QCOMPARE(BookmarkFile::read(BookmarkFile::pathFor(a), {startA, 100}).bookmarks,
                 (QVector<Bookmark>{{startA.addMSecs(1000).toMSecsSinceEpoch(), QString()},
                                    {startA.addMSecs(15000).toMSecsSinceEpoch(), QString()}}));

        BookmarkStore alone;
        alone.setView({{b, {startB, 100}, 0, 0, 99}});
        QVERIFY(alone.load().isEmpty());
        QCOMPARE(alone.ticks(), (QVector<qint64>{50, 200}));
        QCOMPARE(alone.note(50), QStringLiteral("Пуск"));
        QCOMPARE(alone.msecsOf(200), startB.addMSecs(20000).toMSecsSinceEpoch());

        // Unchanged bookmarks write nothing; a changed note does.
        QFile::remove(BookmarkFile::pathFor(b));
        QVERIFY(alone.save({50, 200}).isEmpty());
        QVERIFY(!QFile::exists(BookmarkFile::pathFor(b)));
        alone.setNote(200, QStringLiteral("Стоп"));
        QVERIFY(alone.save({50, 200}).isEmpty());
        QCOMPARE(BookmarkFile::read(BookmarkFile::pathFor(b), {startB, 100}).bookmarks.size(), 2);

        // A cleared view saves nothing, so clearing the chart loses no file.
        alone.clear();
        QVERIFY(alone.save({}).isEmpty());
        QVERIFY(QFile::exists(BookmarkFile::pathFor(b)));
    }

    void unreadableFileIsKeptUntilReplaced()
    {
        QTemporaryDir here;
        const QString protocol = here.filePath(QStringLiteral("c.log"));
        const QString path = BookmarkFile::pathFor(protocol);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("{ not json");
        }
        BookmarkStore store;
        store.setView({{protocol, {startA, 100}, 0, 0, 99}});
        const auto problems = store.load();
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems[0].path, path);
        QCOMPARE(problems[0].status, BookmarkFile::Status::Corrupt);
        QVERIFY(store.ticks().isEmpty());

        QVERIFY(store.save({}).isEmpty());
        QCOMPARE(content(path), QByteArray("{ not json"));
        QVERIFY(store.save({5}).isEmpty());
        QCOMPARE(content(path + QStringLiteral(".bak")), QByteArray("{ not json"));
        QCOMPARE(BookmarkFile::read(path, {startA, 100}).bookmarks.size(), 1);

        // Damaged again: the first backup stays, the second takes the next name.
        writeText(path, "[ also not a bookmark file");
        store.setView({{protocol, {startA, 100}, 0, 0, 99}});
        QCOMPARE(store.load().size(), 1);
        QVERIFY(store.save({6}).isEmpty());
        QCOMPARE(content(path + QStringLiteral(".bak")), QByteArray("{ not json"));
        QCOMPARE(content(path + QStringLiteral(".bak1")), QByteArray("[ also not a bookmark file"));
    }

    // A relative protocol name is the file in the working directory; its
    // bookmarks go beside it under its absolute name.
    void relativeNameKeepsItsFileBesideTheProtocol()
    {
        const QString home = QDir::currentPath();
        QTemporaryDir here;
        QVERIFY(QDir::setCurrent(here.path()));
        BookmarkStore store;
        store.setView({{QStringLiteral("r.log"), {startA, 100}, 0, 0, 99}});
        store.load();
        const QStringList errors = store.save({7});
        QVERIFY(QDir::setCurrent(home));
        QVERIFY(errors.isEmpty());
        QVERIFY(QFile::exists(here.filePath(QStringLiteral("r.log.bookmarks"))));
        QVERIFY(BookmarkFile::pathFor(QStringLiteral("r.log")).startsWith(QLatin1Char('/')));
    }

    // The same protocol twice in one view has one file, which keeps its notes.
    void protocolLoadedTwiceKeepsItsFile()
    {
        QVERIFY(BookmarkFile::write(
            BookmarkFile::pathFor(a), {startA, 100},
            {{startA.addMSecs(500).toMSecsSinceEpoch(), QStringLiteral("Пуск")}}));
        BookmarkStore store;
        store.setView({{a, {startA, 100}, 0, 0, 99}, {a, {startA, 100}, 0, 0, 99}});
        QVERIFY(store.load().isEmpty());
        QCOMPARE(store.ticks(), QVector<qint64>{5});
        QVERIFY(store.save({5, 9}).isEmpty());
        QCOMPARE(
            BookmarkFile::read(BookmarkFile::pathFor(a), {startA, 100}).bookmarks,
            (QVector<Bookmark>{{startA.addMSecs(500).toMSecsSinceEpoch(), QStringLiteral("Пуск")},
                               {startA.addMSecs(900).toMSecsSinceEpoch(), QString()}}));
        QFile::remove(BookmarkFile::pathFor(a));
    }

    // A (08:00–09:00) and B (08:30–09:30) overlap; B's bookmark at 08:45
    // stays in B's file whatever is added, and a new one goes to one file.
    void overlappingProtocolsKeepTheirOwnBookmarks()
    {
        QTemporaryDir here;
        const QString pa = here.filePath(QStringLiteral("a.log"));
        const QString pb = here.filePath(QStringLiteral("b.log"));
        const QDateTime eight(QDate(2024, 5, 10), QTime(8, 0));
        const BookmarkOwner ownerA{eight, 1000};
        const BookmarkOwner ownerB{eight.addSecs(1800), 1000};
        QVERIFY(BookmarkFile::write(
            BookmarkFile::pathFor(pb), ownerB,
            {{eight.addSecs(2700).toMSecsSinceEpoch(), QStringLiteral("note of B")}}));
        const QByteArray fileB = content(BookmarkFile::pathFor(pb));
        BookmarkStore store;
        store.setView({{pa, ownerA, 0, 0, 3600}, {pb, ownerB, 1800, 1800, 5400}});
        QVERIFY(store.load().isEmpty());
        QCOMPARE(store.ticks(), QVector<qint64>{2700});
        QCOMPARE(store.note(2700), QStringLiteral("note of B"));
        // A bookmark added to A leaves B's file as it was.
        QVERIFY(store.save({600, 2700}).isEmpty());
        QCOMPARE(content(BookmarkFile::pathFor(pb)), fileB);
        // 2800 lies in both and goes to A, the first; 5000 only B holds.
        QVERIFY(store.save({600, 2700, 2800, 5000}).isEmpty());
        const BookmarkFile::ReadResult b = BookmarkFile::read(BookmarkFile::pathFor(pb), ownerB);
        QCOMPARE(b.bookmarks.size(), 2);
        QCOMPARE(b.bookmarks[0],
                 (Bookmark{eight.addSecs(2700).toMSecsSinceEpoch(), QStringLiteral("note of B")}));
        QCOMPARE(b.bookmarks[1].msecs, eight.addSecs(5000).toMSecsSinceEpoch());
        QCOMPARE(BookmarkFile::read(BookmarkFile::pathFor(pa), ownerA).bookmarks.size(), 2);
        // B alone still shows its own.
        BookmarkStore alone;
        alone.setView({{pb, ownerB, 0, 0, 3600}});
        alone.load();
        QCOMPARE(alone.ticks(), (QVector<qint64>{900, 3200}));
    }

    // What the view cannot show or tell apart is written back as it was:
    // a time far outside the view, two bookmarks at one time, milliseconds
    // between ticks, a note that is no text.
    void saveKeepsWhatTheViewCannotShow()
    {
        QTemporaryDir here;
        const QString protocol = here.filePath(QStringLiteral("k.log"));
        const QString path = BookmarkFile::pathFor(protocol);
        writeText(path, R"({"protocol": "k", "start": "2024-05-10T08:00:00.000", "tickMs": 1000,
            "extra": [1, 2],
            "bookmarks": [{"time": "0001-01-01T00:00:00.000"},
                          {"time": "2024-05-10T08:05:00.000", "note": "первая"},
                          {"time": "2024-05-10T08:05:00.000", "note": "вторая"},
                          {"time": "2024-05-10T08:10:00.499", "note": {"by": "script"}},
                          {"time": "9999-12-31T23:59:59.999", "note": 7, "color": "red"}]})");
        const QJsonArray before = entriesOf(path);
        const BookmarkOwner owner{QDateTime(QDate(2024, 5, 10), QTime(8, 0)), 1000};
        BookmarkStore store;
        store.setView({{protocol, owner, 0, 0, 3600}});
        QVERIFY(store.load().isEmpty());
        QCOMPARE(store.ticks(), (QVector<qint64>{300, 600}));
        QCOMPARE(store.note(300), QStringLiteral("первая; вторая"));
        QVERIFY(store.save({300, 600, 1200}).isEmpty());
        const QJsonArray after = entriesOf(path);
        QCOMPARE(after.size(), 6);
        for (const QJsonValue& entry : before)
            QVERIFY2(after.contains(entry), QJsonDocument(entry.toObject()).toJson().constData());
        QCOMPARE(QJsonDocument::fromJson(content(path)).object().value(QStringLiteral("extra")),
                 QJsonValue(QJsonArray{1, 2}));
        QCOMPARE(BookmarkFile::read(path, owner).bookmarks.size(), 6);
    }

    // 2023-10-29 in Berlin: the protocol starts 01:30 (+02:00); ticks of 1 s
    // at 02:30 before and after the clocks go back are an hour apart.
    void repeatedHourKeepsBothBookmarks()
    {
        ZoneScope zone("Europe/Berlin");
        QTemporaryDir here;
        const QString protocol = here.filePath(QStringLiteral("dst.log"));
        const QDateTime start =
            QDateTime(QDate(2023, 10, 28), QTime(23, 30), Qt::UTC).toLocalTime();
        const BookmarkStore::Protocol view{protocol, {start, 1000}, 0, 0, 3 * 3600};
        BookmarkStore store;
        store.setView({view});
        store.load();
        QVERIFY(store.save({3600, 7200}).isEmpty());
        store.setNote(7200, QStringLiteral("вторая 02:30"));
        QVERIFY(store.save({3600, 7200}).isEmpty());

        BookmarkStore again;
        again.setView({view});
        QVERIFY(again.load().isEmpty());
        QCOMPARE(again.ticks(), (QVector<qint64>{3600, 7200}));
        QCOMPARE(again.note(7200), QStringLiteral("вторая 02:30"));
        QCOMPARE(again.note(3600), QString());
    }

    // Each change can be taken back, the files with it.
    void undoTakesChangesBack()
    {
        QTemporaryDir here;
        const QString protocol = here.filePath(QStringLiteral("u.log"));
        const QString path = BookmarkFile::pathFor(protocol);
        BookmarkStore store;
        store.setView({{protocol, {startA, 100}, 0, 0, 99}});
        store.load();
        QVERIFY(!store.canUndo());
        QVERIFY(store.save({10}).isEmpty());
        store.setNote(10, QStringLiteral("Пуск"));
        QVERIFY(store.save({10}).isEmpty());
        const QByteArray withNote = content(path);
        QVERIFY(store.save({}).isEmpty());
        QVERIFY(!QFile::exists(path));

        QVERIFY(store.undo().isEmpty());
        QCOMPARE(store.ticks(), QVector<qint64>{10});
        QCOMPARE(store.note(10), QStringLiteral("Пуск"));
        QCOMPARE(content(path), withNote);
        QVERIFY(store.undo().isEmpty());
        QCOMPARE(store.note(10), QString());
        QVERIFY(store.undo().isEmpty());
        QVERIFY(store.ticks().isEmpty());
        QVERIFY(!QFile::exists(path));
        QVERIFY(!store.canUndo());

        // The oldest changes give way beyond the depth.
        for (int i = 0; i < BookmarkStore::kUndoDepth + 5; ++i)
            store.save({i});
        int steps = 0;
        while (store.canUndo()) {
            store.undo();
            ++steps;
        }
        QCOMPARE(steps, BookmarkStore::kUndoDepth);
        QCOMPARE(store.ticks(), QVector<qint64>{4});
    }

    // A stray record 2^32 ticks on: its bookmark is saved at its time and
    // shown on its tick again.
    void bookmarkPast2To31()
    {
        QTemporaryDir here;
        const QString protocol = here.filePath(QStringLiteral("f.log"));
        const QDateTime start(QDate(2024, 5, 10), QTime(8, 0));
        const BookmarkOwner owner{start, 100};
        const qint64 far = 0xFFFFFFF0u;
        BookmarkStore store;
        store.setView({{protocol, owner, 0, 0, far}});
        QVERIFY(store.load().isEmpty());
        QVERIFY(store.save({5, far}).isEmpty());
        const QVector<Bookmark> written =
            BookmarkFile::read(BookmarkFile::pathFor(protocol), owner).bookmarks;
        QCOMPARE(written.size(), 2);
        QCOMPARE(written.last().msecs, start.addMSecs(far * 100).toMSecsSinceEpoch());

        BookmarkStore again;
        again.setView({{protocol, owner, 0, 0, far}});
        QVERIFY(again.load().isEmpty());
        QCOMPARE(again.ticks(), (QVector<qint64>{5, far}));
        QCOMPARE(again.msecsOf(far), written.last().msecs);
    }

    void failedWriteIsReported()
    {
        QTemporaryDir here;
        QFile blocker(here.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        BookmarkStore store;
        store.setView({{here.filePath(QStringLiteral("blocker/d.log")), {startA, 100}, 0, 0, 9}});
        store.load();
        const QStringList errors = store.save({3});
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors[0].contains(QStringLiteral("d.log.bookmarks")));
    }
};

QTEST_GUILESS_MAIN(TestBookmarkStore)
#include "test_bookmarkstore.moc"
