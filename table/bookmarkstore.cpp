#include "table/bookmarkstore.h"

#include <QFile>

#include <algorithm>
#include <cmath>

void BookmarkStore::setView(const QVector<Protocol>& protocols)
{
    clear();
    m_protocols = protocols;
    for (const Protocol& protocol : protocols)
        m_spans.append({protocol.firstTick, protocol.lastTick});
    m_written.resize(protocols.size());
    m_keepOld.fill(false, protocols.size());
}

void BookmarkStore::clear()
{
    m_protocols.clear();
    m_spans.clear();
    m_written.clear();
    m_keepOld.clear();
    m_notes.clear();
    m_loaded.clear();
}

int BookmarkStore::ownerOf(qint32 tick) const
{
    return spanOwner(tick, m_spans);
}

qint64 BookmarkStore::msecsOf(qint32 tick, int protocol) const
{
    const Protocol& p = m_protocols[protocol];
    return p.owner.start.toMSecsSinceEpoch() + (qint64(tick) - p.offset) * p.owner.tickMs;
}

qint64 BookmarkStore::msecsOf(qint32 tick) const
{
    const int owner = ownerOf(tick);
    return owner < 0 ? 0 : msecsOf(tick, owner);
}

QVector<BookmarkStore::Problem> BookmarkStore::load()
{
    QVector<Problem> problems;
    m_loaded.clear();
    m_notes.clear();
    for (int i = 0; i < m_protocols.size(); ++i) {
        const Protocol& protocol = m_protocols[i];
        const QString path = BookmarkFile::pathFor(protocol.path);
        const BookmarkFile::ReadResult result = BookmarkFile::read(path, protocol.owner);
        m_written[i] = result.bookmarks;
        if (result.status != BookmarkFile::Status::Read &&
            result.status != BookmarkFile::Status::Missing) {
            problems.append({path, result.status});
            m_keepOld[i] = true;
        }
        const qint64 start = protocol.owner.start.toMSecsSinceEpoch();
        const double tickMs = protocol.owner.tickMs;
        for (const Bookmark& bookmark : result.bookmarks) {
            const double ticks = std::round(double(bookmark.msecs - start) / tickMs);
            const qint32 tick =
                qint32(std::clamp<double>(protocol.offset + ticks, INT32_MIN, INT32_MAX));
            m_loaded.append(tick);
            if (!bookmark.note.isEmpty())
                m_notes.insert(tick, bookmark.note);
        }
    }
    std::sort(m_loaded.begin(), m_loaded.end());
    m_loaded.erase(std::unique(m_loaded.begin(), m_loaded.end()), m_loaded.end());
    return problems;
}

QVector<qint32> BookmarkStore::ticks() const
{
    return m_loaded;
}

void BookmarkStore::setNote(qint32 tick, const QString& note)
{
    if (note.isEmpty())
        m_notes.remove(tick);
    else
        m_notes.insert(tick, note);
}

QVector<Bookmark> BookmarkStore::bookmarks(const QVector<qint32>& ticks) const
{
    QVector<Bookmark> result;
    for (const qint32 tick : ticks)
        result.append({msecsOf(tick), m_notes.value(tick)});
    std::stable_sort(result.begin(), result.end(),
                     [](const Bookmark& a, const Bookmark& b) { return a.msecs < b.msecs; });
    return result;
}

QStringList BookmarkStore::save(const QVector<qint32>& ticks)
{
    QStringList errors;
    if (m_protocols.isEmpty())
        return errors;
    // A deleted bookmark takes its note with it.
    for (auto it = m_notes.begin(); it != m_notes.end();) {
        if (ticks.contains(it.key()))
            ++it;
        else
            it = m_notes.erase(it);
    }
    QVector<QVector<Bookmark>> shares(m_protocols.size());
    for (const qint32 tick : ticks) {
        const int owner = ownerOf(tick);
        shares[owner].append({msecsOf(tick, owner), m_notes.value(tick)});
    }
    for (int i = 0; i < m_protocols.size(); ++i) {
        std::stable_sort(shares[i].begin(), shares[i].end(),
                         [](const Bookmark& a, const Bookmark& b) { return a.msecs < b.msecs; });
        // A file that could not be read is only replaced by bookmarks of its own.
        if (m_keepOld[i] ? shares[i].isEmpty() : shares[i] == m_written[i])
            continue;
        const QString path = BookmarkFile::pathFor(m_protocols[i].path);
        if (m_keepOld[i] && QFile::exists(path)) {
            const QString backup = path + QStringLiteral(".bak");
            QFile::remove(backup);
            if (!QFile::rename(path, backup)) {
                errors.append(QStringLiteral("Cannot keep %1 as %2").arg(path, backup));
                continue;
            }
        }
        QString error;
        if (!BookmarkFile::write(path, m_protocols[i].owner, shares[i], &error)) {
            errors.append(error);
            continue;
        }
        m_keepOld[i] = false;
        m_written[i] = shares[i];
    }
    return errors;
}
