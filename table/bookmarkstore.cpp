#include "table/bookmarkstore.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
const QString kNote = QStringLiteral("note");
const QString kBookmarks = QStringLiteral("bookmarks");

bool earlier(const BookmarkStore::Entry& a, const BookmarkStore::Entry& b)
{
    return a.bookmark.msecs < b.bookmark.msecs;
}

QVector<qint64> sortedUnique(QVector<qint64> ticks)
{
    std::sort(ticks.begin(), ticks.end());
    ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
    return ticks;
}

// Ticks of a that b lacks; both ascending.
QVector<qint64> without(const QVector<qint64>& a, const QVector<qint64>& b)
{
    QVector<qint64> result;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(result));
    return result;
}

// One file per protocol file, however it was named or how often loaded.
QString identity(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical;
}
} // namespace

void BookmarkStore::setView(const QVector<Protocol>& protocols)
{
    clear();
    m_protocols = protocols;
    QStringList identities;
    for (int i = 0; i < protocols.size(); ++i) {
        const Protocol& protocol = protocols[i];
        m_spans.append({protocol.firstTick, protocol.lastTick});
        const QString id = identity(protocol.path);
        int file = identities.indexOf(id);
        if (file < 0) {
            file = m_files.size();
            identities.append(id);
            File added;
            added.path = BookmarkFile::pathFor(protocol.path);
            added.protocol = i;
            m_files.append(added);
        }
        m_fileOf.append(file);
    }
    m_entries.resize(m_files.size());
}

void BookmarkStore::clear()
{
    m_protocols.clear();
    m_spans.clear();
    m_fileOf.clear();
    m_files.clear();
    m_entries.clear();
    m_ticks.clear();
    m_undo.clear();
    m_pending.clear();
}

int BookmarkStore::ownerOf(qint64 tick) const
{
    return spanOwner(tick, m_spans);
}

qint64 BookmarkStore::msecsOf(qint64 tick, int protocol) const
{
    const Protocol& p = m_protocols[protocol];
    return p.owner.start.toMSecsSinceEpoch() + (qint64(tick) - p.offset) * p.owner.tickMs;
}

qint64 BookmarkStore::msecsOf(qint64 tick) const
{
    const int owner = ownerOf(tick);
    return owner < 0 ? 0 : msecsOf(tick, owner);
}

QVector<BookmarkStore::Problem> BookmarkStore::load()
{
    QVector<Problem> problems;
    // The view has ticks from the common start up to the last one a record
    // of its files can carry: its file's offset plus a 32-bit tick.
    double lastTick = 0;
    for (const Protocol& protocol : qAsConst(m_protocols))
        lastTick = std::max(lastTick, double(protocol.offset) + double(0xFFFFFFFFu));
    m_ticks.clear();
    m_undo.clear();
    for (int f = 0; f < m_files.size(); ++f) {
        File& file = m_files[f];
        const Protocol& protocol = m_protocols[file.protocol];
        const BookmarkFile::ReadResult result = BookmarkFile::read(file.path, protocol.owner);
        QVector<Entry>& entries = m_entries[f];
        entries.clear();
        file.keepOld = false;
        file.shift = result.shift;
        file.document = result.document;
        file.written = QJsonArray();
        if (result.status != BookmarkFile::Status::Read &&
            result.status != BookmarkFile::Status::Missing) {
            problems.append({file.path, result.status});
            file.keepOld = true;
            continue;
        }
        const qint64 start = protocol.owner.start.toMSecsSinceEpoch();
        const double tickMs = protocol.owner.tickMs;
        entries.reserve(result.bookmarks.size());
        for (int i = 0; i < result.bookmarks.size(); ++i) {
            Entry entry;
            entry.bookmark = result.bookmarks[i];
            entry.raw = result.entries[i];
            const double tick =
                protocol.offset + std::round(double(entry.bookmark.msecs - start) / tickMs);
            // A time the view has no tick for is kept, not shown.
            entry.shown = tick >= 0 && tick <= lastTick;
            entry.tick = entry.shown ? qint64(tick) : 0;
            if (entry.shown)
                m_ticks.append(entry.tick);
            entries.append(entry);
            file.written.append(entry.raw);
        }
    }
    m_ticks = sortedUnique(m_ticks);
    return problems;
}

QString BookmarkStore::note(qint64 tick) const
{
    QStringList notes;
    for (const QVector<Entry>& entries : m_entries) {
        for (const Entry& entry : entries) {
            if (entry.shown && entry.tick == tick && !entry.bookmark.note.isEmpty())
                notes.append(entry.bookmark.note);
        }
    }
    return notes.join(QStringLiteral("; "));
}

void BookmarkStore::setNote(qint64 tick, const QString& note)
{
    // A note for a bookmark about to be added waits for the next save().
    if (!std::binary_search(m_ticks.begin(), m_ticks.end(), tick)) {
        m_pending.insert(tick, note);
        return;
    }
    if (note == this->note(tick))
        return;
    remember();
    bool first = true;
    for (QVector<Entry>& entries : m_entries) {
        for (Entry& entry : entries) {
            if (!entry.shown || entry.tick != tick)
                continue;
            const QString text = first ? note : QString();
            first = false;
            if (entry.bookmark.note == text && !entry.raw.contains(kNote))
                continue;
            entry.bookmark.note = text;
            entry.noteEdited = true;
        }
    }
}

QStringList BookmarkStore::notes() const
{
    QHash<qint64, QStringList> byTick;
    for (const QVector<Entry>& entries : m_entries) {
        for (const Entry& entry : entries) {
            if (entry.shown && !entry.bookmark.note.isEmpty())
                byTick[entry.tick].append(entry.bookmark.note);
        }
    }
    QStringList result;
    result.reserve(m_ticks.size());
    for (const qint64 tick : m_ticks)
        result.append(byTick.value(tick).join(QStringLiteral("; ")));
    return result;
}

QVector<Bookmark> BookmarkStore::bookmarks() const
{
    QVector<Bookmark> result;
    for (const QVector<Entry>& entries : m_entries) {
        for (const Entry& entry : entries)
            result.append(entry.bookmark);
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const Bookmark& a, const Bookmark& b) { return a.msecs < b.msecs; });
    return result;
}

QJsonArray BookmarkStore::entriesOf(int file) const
{
    QJsonArray array;
    for (const Entry& entry : m_entries[file]) {
        if (entry.raw.isEmpty()) {
            array.append(BookmarkFile::entry(entry.bookmark, m_files[file].shift));
            continue;
        }
        QJsonObject object = entry.raw;
        if (entry.noteEdited) {
            if (entry.bookmark.note.isEmpty())
                object.remove(kNote);
            else
                object.insert(kNote, entry.bookmark.note);
        }
        array.append(object);
    }
    return array;
}

QStringList BookmarkStore::save(const QVector<qint64>& ticks)
{
    if (m_protocols.isEmpty())
        return {};
    const QVector<qint64> now = sortedUnique(ticks);
    const QVector<qint64> removed = without(m_ticks, now);
    const QVector<qint64> added = without(now, m_ticks);
    if (!removed.isEmpty() || !added.isEmpty())
        remember();
    // A deleted bookmark takes every note on its tick with it.
    if (!removed.isEmpty()) {
        for (QVector<Entry>& entries : m_entries) {
            entries.erase(std::remove_if(entries.begin(), entries.end(),
                                         [&](const Entry& entry) {
                                             return entry.shown &&
                                                    std::binary_search(removed.begin(),
                                                                       removed.end(), entry.tick);
                                         }),
                          entries.end());
        }
    }
    for (const qint64 tick : added) {
        const int owner = ownerOf(tick);
        Entry entry;
        entry.bookmark.msecs = msecsOf(tick, owner);
        entry.bookmark.note = m_pending.value(tick);
        entry.shown = true;
        entry.tick = tick;
        QVector<Entry>& entries = m_entries[m_fileOf[owner]];
        entries.insert(std::upper_bound(entries.begin(), entries.end(), entry, earlier), entry);
    }
    m_ticks = now;
    m_pending.clear();
    return writeChanged();
}

void BookmarkStore::remember()
{
    if (m_undo.size() == kUndoDepth)
        m_undo.removeFirst();
    m_undo.append({m_entries, m_ticks});
}

QStringList BookmarkStore::undo()
{
    if (m_undo.isEmpty())
        return {};
    const State state = m_undo.takeLast();
    m_entries = state.entries;
    m_ticks = state.ticks;
    return writeChanged();
}

QStringList BookmarkStore::writeChanged()
{
    QStringList errors;
    for (int f = 0; f < m_files.size(); ++f) {
        File& file = m_files[f];
        const QJsonArray entries = entriesOf(f);
        // A file that could not be read is only replaced by bookmarks of its own.
        if (file.keepOld ? entries.isEmpty() : entries == file.written)
            continue;
        if (file.keepOld && (QFileInfo::exists(file.path) || QFileInfo(file.path).isSymLink())) {
            // An older backup is the user's too: the next free name is taken.
            QString backup = file.path + QStringLiteral(".bak");
            for (int n = 1; QFileInfo::exists(backup) || QFileInfo(backup).isSymLink(); ++n)
                backup = file.path + QStringLiteral(".bak%1").arg(n);
            if (!QFile::rename(file.path, backup)) {
                errors.append(QStringLiteral("Cannot keep %1 as %2").arg(file.path, backup));
                continue;
            }
        }
        QJsonObject document = file.document;
        if (document.isEmpty())
            document = BookmarkFile::document(file.path, m_protocols[file.protocol].owner, entries);
        else
            document.insert(kBookmarks, entries);
        QString error;
        if (!BookmarkFile::writeDocument(file.path, document, &error)) {
            errors.append(error);
            continue;
        }
        file.keepOld = false;
        file.document = document;
        file.written = entries;
    }
    return errors;
}
