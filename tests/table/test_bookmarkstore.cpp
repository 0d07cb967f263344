#include "table/bookmarkstore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QDateTime startA(QDate(2024, 5, 10), QTime(12, 0));
const QDateTime startB(QDate(2024, 5, 10), QTime(12, 0, 20, 50));

QByteArray content(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
        QCOMPARE(alone.ticks(), (QVector<qint32>{50, 200}));
        QCOMPARE(alone.note(50), QStringLiteral("Пуск"));
        QCOMPARE(alone.bookmarks({200}).value(0).msecs, startB.addMSecs(20000).toMSecsSinceEpoch());

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
