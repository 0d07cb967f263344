// Arbitrary bytes as the bookmark file of a protocol, read by the bookmark
// store of a view with one or two protocols, which then adds a bookmark,
// perhaps deletes one, edits a note and takes it all back. Nothing the file
// held may be lost on the way: every entry read is written back (but those on
// a deleted tick), an unreadable file is kept as it was under .bak, and the
// undos bring back exactly the entries read.

#include "fuzzsupport.h"
#include "table/bookmarkfile.h"
#include "table/bookmarkstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <cmath>

using fuzz::require;

namespace {
QTemporaryDir* g_dir = nullptr;

const QDateTime kStart(QDate(2024, 5, 10), QTime(8, 0));

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The entries a file holds now, as its reader sees them.
QVector<QJsonObject> entriesOf(const QString& path, const BookmarkOwner& owner)
{
    const BookmarkFile::ReadResult result = BookmarkFile::read(path, owner);
    require(result.status == BookmarkFile::Status::Read ||
                result.status == BookmarkFile::Status::Missing,
            "a file the store wrote reads back");
    return result.entries;
}

bool holdsAll(const QVector<QJsonObject>& all, const QVector<QJsonObject>& part)
{
    QVector<QJsonObject> left = all;
    for (const QJsonObject& entry : part) {
        const int at = left.indexOf(entry);
        if (at < 0)
            return false;
        left.remove(at);
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // A zone with summer time.
    g_dir = &fuzz::startCore(argc, argv, "Europe/Berlin");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Bytes in(data, size);
    const uint8_t flags = in.byte();
    const quint16 tickMs = flags & 1 ? 1000 : 100;
    const bool twoFiles = flags & 2;
    const bool deleteOne = flags & 4;
    const bool editNote = flags & 8;
    const qint64 newTick = in.u32() % 100000;
    const QByteArray content = in.rest();

    QDir dir(g_dir->path());
    for (const QString& name : dir.entryList(QDir::Files))
        dir.remove(name);
    const QString first = dir.filePath(QStringLiteral("k.log"));
    const QString second = dir.filePath(QStringLiteral("m.log"));
    const QString path = BookmarkFile::pathFor(first);
    QFile file(path);
    require(file.open(QIODevice::WriteOnly) && file.write(content) == content.size(),
            "bookmark file written");
    file.close();

    const BookmarkOwner owner{kStart, tickMs};
    const BookmarkOwner later{kStart.addSecs(3600), tickMs};
    const qint64 laterOffset = 3600 * 1000 / tickMs;
    QVector<BookmarkStore::Protocol> protocols{{first, owner, 0, 0, laterOffset / 2}};
    if (twoFiles)
        protocols.append({second, later, laterOffset, laterOffset, laterOffset + 5000});

    const BookmarkFile::ReadResult before = BookmarkFile::read(path, owner);
    require(before.entries.size() == before.bookmarks.size(), "an entry per bookmark");
    const bool readable = before.status == BookmarkFile::Status::Read;

    BookmarkStore store;
    store.setView(protocols);
    const QVector<BookmarkStore::Problem> problems = store.load();
    require(problems.isEmpty() == readable, "an unreadable file is a problem of the load");
    for (int i = 1; i < store.ticks().size(); ++i)
        require(store.ticks()[i - 1] < store.ticks()[i], "ticks ascending, each once");

    // The tick of an entry in the first file, as the store places it.
    const auto tickOf = [&](const Bookmark& b) {
        return std::llround(double(b.msecs - kStart.toMSecsSinceEpoch()) / tickMs);
    };

    QVector<qint64> ticks = store.ticks();
    const bool added = !ticks.contains(newTick);
    qint64 deleted = -1;
    if (deleteOne && !ticks.isEmpty()) {
        deleted = ticks[int(newTick % ticks.size())];
        ticks.removeAll(deleted);
    }
    if (!ticks.contains(newTick))
        ticks.append(newTick);
    require(store.save(ticks).isEmpty(), "the bookmarks are saved");
    // An unreadable file is backed up before it is first replaced.
    if (!readable)
        require(contentOf(path + QStringLiteral(".bak")) == content || contentOf(path) == content,
                "an unreadable file is kept as it was");

    // Every entry read is still there, but those on the deleted tick.
    QVector<QJsonObject> kept;
    for (int i = 0; i < before.entries.size() && readable; ++i) {
        if (tickOf(before.bookmarks[i]) != deleted)
            kept.append(before.entries[i]);
    }
    // An unreadable file the save did not touch stays as it was.
    const auto firstEntries = [&] {
        return readable || contentOf(path) != content ? entriesOf(path, owner)
                                                      : QVector<QJsonObject>();
    };
    QVector<QJsonObject> now = firstEntries();
    require(holdsAll(now, kept), "no entry read is lost by a save");
    if (twoFiles)
        now += entriesOf(BookmarkFile::pathFor(second), later);
    require(now.size() >= kept.size() + (added ? 1 : 0), "the new bookmark is written");

    if (editNote) {
        store.setNote(newTick, QStringLiteral("заметка \"; x"));
        require(store.save(ticks).isEmpty(), "the note is saved");
        require(store.note(newTick) == QStringLiteral("заметка \"; x"), "the note is kept");
        QVector<QJsonObject> others;
        for (int i = 0; i < before.entries.size() && readable; ++i) {
            if (tickOf(before.bookmarks[i]) != deleted && tickOf(before.bookmarks[i]) != newTick)
                others.append(before.entries[i]);
        }
        require(holdsAll(firstEntries(), others), "a note edit keeps the other entries");
    }

    while (store.canUndo())
        require(store.undo().isEmpty(), "an undo is written");
    if (readable) {
        const QVector<QJsonObject> back = entriesOf(path, owner);
        require(back.size() == before.entries.size() && holdsAll(back, before.entries),
                "the undos bring back the entries read");
    }
    if (twoFiles && added)
        require(entriesOf(BookmarkFile::pathFor(second), later).isEmpty(),
                "the undos take the new bookmark back");
    return 0;
}
