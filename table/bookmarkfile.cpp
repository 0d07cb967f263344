#include "table/bookmarkfile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>
#include <limits>
#include <numeric>

#include "table/decimaldigits.h"
#include "table/localclock.h"

namespace {

const QString kProtocol = QStringLiteral("protocol");
const QString kStart = QStringLiteral("start");
const QString kTickMs = QStringLiteral("tickMs");
const QString kBookmarks = QStringLiteral("bookmarks");
const QString kTime = QStringLiteral("time");
const QString kNote = QStringLiteral("note");

// Local date and time to milliseconds since the epoch. A time-zone lookup
// per bookmark would cost more than the rest of the file, so the offset is
// looked up once per hour; hours in which it changes go the slow way.
class LocalTime
{
public:
    bool msecs(const QDate& date, const QTime& time, qint64& result)
    {
        const qint64 naive = localclock::wallClockMSecs(date, time);
        const qint64 hour = naive / kHour - (naive % kHour < 0 ? 1 : 0);
        if (hour != m_hour) {
            m_hour = hour;
            qint64 begin = 0;
            // Steady when the hours before and after have the same offset:
            // then the hour is neither skipped nor repeated.
            m_steady = localclock::toMSecs(date, QTime(time.hour(), 0), begin) ==
                           localclock::Result::Instant &&
                       offsetAt(begin - kHour) == offsetAt(begin) &&
                       offsetAt(begin + kHour) == offsetAt(begin);
            m_offset = begin - hour * kHour;
        }
        if (!m_steady)
            return localclock::toMSecs(date, time, result) == localclock::Result::Instant;
        result = naive + m_offset;
        return true;
    }

private:
    static int offsetAt(qint64 msecs)
    {
        return QDateTime::fromMSecsSinceEpoch(msecs).offsetFromUtc();
    }

    static constexpr qint64 kHour = 3600 * 1000;
    qint64 m_hour = std::numeric_limits<qint64>::min();
    qint64 m_offset = 0;
    bool m_steady = false;
};

// A time as the file holds it: its instant and the wall-clock time it spells;
// localForm tells a time written without an offset.
bool parseTime(const QString& text, qint64& msecs, qint64* wallClock, LocalTime& local,
               bool* localForm = nullptr)
{
    if (localForm)
        *localForm = false;
    // The form this program writes, "yyyy-MM-ddTHH:mm:ss.zzz" with "+hh:mm",
    // "Z" or nothing after it, is read directly: ten thousand bookmarks must
    // not wait for the general parser.
    const int size = text.size();
    if ((size == 23 || size == 24 || size == 29) && text.at(4) == QLatin1Char('-') &&
        text.at(7) == QLatin1Char('-') && text.at(10) == QLatin1Char('T') &&
        text.at(13) == QLatin1Char(':') && text.at(16) == QLatin1Char(':') &&
        text.at(19) == QLatin1Char('.')) {
        const QDate date(decimalDigits(text, 0, 4), decimalDigits(text, 5, 2),
                         decimalDigits(text, 8, 2));
        const QTime time(decimalDigits(text, 11, 2), decimalDigits(text, 14, 2),
                         decimalDigits(text, 17, 2), decimalDigits(text, 20, 3));
        if (!date.isValid() || !time.isValid())
            return false;
        const qint64 wall = localclock::wallClockMSecs(date, time);
        if (wallClock)
            *wallClock = wall;
        if (size == 23) {
            if (localForm)
                *localForm = true;
            return local.msecs(date, time, msecs);
        }
        if (size == 24) {
            if (text.at(23) != QLatin1Char('Z'))
                return false;
            msecs = wall;
            return true;
        }
        const QChar sign = text.at(23);
        const int hours = decimalDigits(text, 24, 2);
        const int minutes = decimalDigits(text, 27, 2);
        if ((sign != QLatin1Char('+') && sign != QLatin1Char('-')) ||
            text.at(26) != QLatin1Char(':') || hours < 0 || hours > 14 || minutes < 0 ||
            minutes > 59)
            return false;
        const qint64 offset = (hours * 60 + minutes) * 60000LL;
        msecs = sign == QLatin1Char('+') ? wall - offset : wall + offset;
        return true;
    }
    if (localclock::parseIso(text, msecs) != localclock::Result::Instant)
        return false;
    if (wallClock) {
        // Only the fast form above is written; others count by their instant.
        *wallClock = std::numeric_limits<qint64>::min();
    }
    return true;
}

// An entry read on the basis of its file's start: a file that gives its start
// without an offset measures every entry on this machine's local clock, as
// the start, even an entry that a later writer gave with its own offset (the
// wall clock it spells is the writer's, and so was the start's); a file that
// gives its start with an offset reads an entry without one at that offset.
class EntryClock
{
public:
    // A start in another form than this program writes counts by its instant.
    EntryClock(qint64 start, qint64 startWall, bool startLocal, LocalTime& local)
        : m_known(startWall != kUnspelt), m_startLocal(startLocal),
          m_startOffset(m_known ? startWall - start : 0), m_local(local)
    {
    }

    bool msecs(const QString& text, qint64& result) const
    {
        qint64 wall = 0;
        bool entryLocal = false;
        if (!parseTime(text, result, &wall, m_local, &entryLocal))
            return false;
        if (!m_known || entryLocal == m_startLocal || wall == kUnspelt)
            return true;
        if (!m_startLocal) {
            result = wall - m_startOffset;
            return true;
        }
        const QDateTime spelt = QDateTime::fromMSecsSinceEpoch(wall, Qt::UTC);
        return m_local.msecs(spelt.date(), spelt.time(), result);
    }

private:
    static constexpr qint64 kUnspelt = std::numeric_limits<qint64>::min();
    bool m_known;
    bool m_startLocal;
    qint64 m_startOffset; // the start's wall clock minus its instant
    LocalTime& m_local;
};

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

QString BookmarkFile::pathFor(const QString& protocolPath)
{
    return QFileInfo(protocolPath).absoluteFilePath() + QStringLiteral(".bookmarks");
}

QString BookmarkFile::timeText(qint64 msecs)
{
    return localclock::isoText(msecs);
}

bool BookmarkFile::parseTime(const QString& text, qint64& msecs)
{
    LocalTime local;
    return ::parseTime(text, msecs, nullptr, local);
}

BookmarkFile::ReadResult BookmarkFile::read(const QString& path, const BookmarkOwner& owner)
{
    ReadResult result;
    const QFileInfo info(path);
    // A link that leads nowhere is a file the user made, not a missing one.
    if (!info.exists() && !info.isSymLink())
        return result;
    result.status = Status::CannotOpen;
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return result;

    result.status = Status::Corrupt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    const QJsonObject root = document.object();
    const QJsonValue bookmarks = root.value(kBookmarks);
    LocalTime local;
    qint64 start = 0;
    qint64 startWall = 0;
    bool startLocal = false;
    if (!document.isObject() || !bookmarks.isArray() ||
        !::parseTime(root.value(kStart).toString(), start, &startWall, local, &startLocal) ||
        !root.value(kTickMs).isDouble())
        return result;
    const qint64 ownStart = owner.start.toMSecsSinceEpoch();
    const qint64 ownWall = localclock::wallClockMSecs(owner.start.date(), owner.start.time());
    if ((start != ownStart && startWall != ownWall) ||
        root.value(kTickMs).toDouble() != owner.tickMs) {
        result.status = Status::Foreign;
        return result;
    }
    result.shift = ownStart - start;
    const EntryClock clock(start, startWall, startLocal, local);

    const QJsonArray entries = bookmarks.toArray();
    QVector<Bookmark> read;
    QVector<QJsonObject> objects;
    read.reserve(entries.size());
    objects.reserve(entries.size());
    for (const QJsonValue& entry : entries) {
        const QJsonObject object = entry.toObject();
        Bookmark bookmark;
        if (!clock.msecs(object.value(kTime).toString(), bookmark.msecs))
            return result;
        bookmark.msecs += result.shift;
        bookmark.note = object.value(kNote).toString();
        read.append(bookmark);
        objects.append(object);
    }
    QVector<int> order(read.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return read[a].msecs < read[b].msecs; });
    result.bookmarks.reserve(read.size());
    result.entries.reserve(read.size());
    for (const int i : order) {
        result.bookmarks.append(read[i]);
        result.entries.append(objects[i]);
    }
    result.document = root;
    result.status = Status::Read;
    return result;
}

QJsonObject BookmarkFile::entry(const Bookmark& bookmark, qint64 shift)
{
    QJsonObject entry{{kTime, timeText(bookmark.msecs - shift)}};
    if (!bookmark.note.isEmpty())
        entry.insert(kNote, bookmark.note);
    return entry;
}

QJsonObject BookmarkFile::document(const QString& path, const BookmarkOwner& owner,
                                   const QJsonArray& entries)
{
    return QJsonObject{{kProtocol, QFileInfo(path).completeBaseName()},
                       {kStart, timeText(owner.start.toMSecsSinceEpoch())},
                       {kTickMs, int(owner.tickMs)},
                       {kBookmarks, entries}};
}

bool BookmarkFile::write(const QString& path, const BookmarkOwner& owner,
                         const QVector<Bookmark>& bookmarks, QString* error)
{
    QJsonArray entries;
    for (const Bookmark& bookmark : bookmarks)
        entries.append(entry(bookmark));
    return writeDocument(path, document(path, owner, entries), error);
}

bool BookmarkFile::writeDocument(const QString& path, const QJsonObject& document, QString* error)
{
    if (document.value(kBookmarks).toArray().isEmpty()) {
        if (QFileInfo(path).isFile() && !QFile::remove(path))
            return fail(error, QStringLiteral("Cannot remove %1").arg(path));
        return true;
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    const QByteArray json = QJsonDocument(document).toJson(QJsonDocument::Indented);
    // The last buffered bytes reach the disk only on flush; a full disk shows
    // there, and the old file must then stay as it was.
    if (file.write(json) != json.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        file.commit();
        return fail(error, QStringLiteral("Cannot write %1: %2").arg(path, reason));
    }
    if (!file.commit())
        return fail(error, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

int spanOwner(qint64 position, const QVector<ProtocolSpan>& spans)
{
    for (int i = 0; i < spans.size(); ++i) {
        if (spans[i].first <= position && position <= spans[i].last)
            return i;
    }
    int owner = -1;
    for (int i = 0; i < spans.size(); ++i) {
        if (spans[i].last < position && (owner < 0 || spans[i].last > spans[owner].last))
            owner = i;
    }
    return owner < 0 && !spans.isEmpty() ? 0 : owner;
}
