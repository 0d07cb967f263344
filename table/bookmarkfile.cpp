#include "table/bookmarkfile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <limits>

#include "table/decimaldigits.h"

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
    qint64 msecs(const QDate& date, const QTime& time)
    {
        const qint64 naive = date.toJulianDay() * kDay + time.msecsSinceStartOfDay();
        const qint64 hour = naive / kHour;
        if (hour != m_hour) {
            // Steady when the hours before and after have the same offset:
            // then the hour is neither skipped nor repeated.
            m_hour = hour;
            const QDateTime begin(date, QTime(time.hour(), 0));
            m_offset = begin.toMSecsSinceEpoch() - hour * kHour;
            m_steady = begin.addSecs(-3600).offsetFromUtc() == begin.offsetFromUtc() &&
                       begin.addSecs(3600).offsetFromUtc() == begin.offsetFromUtc();
        }
        if (!m_steady)
            return QDateTime(date, time).toMSecsSinceEpoch();
        return naive + m_offset;
    }

private:
    static constexpr qint64 kHour = 3600 * 1000;
    static constexpr qint64 kDay = 24 * kHour;
    qint64 m_hour = std::numeric_limits<qint64>::min();
    qint64 m_offset = 0;
    bool m_steady = false;
};

bool parseTime(const QString& text, qint64& msecs, LocalTime& local)
{
    // The form this program writes, "yyyy-MM-ddTHH:mm:ss.zzz", is read
    // directly: ten thousand bookmarks must not wait for the general parser.
    if (text.size() == 23 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-') &&
        text.at(10) == QLatin1Char('T') && text.at(13) == QLatin1Char(':') &&
        text.at(16) == QLatin1Char(':') && text.at(19) == QLatin1Char('.')) {
        const QDate date(decimalDigits(text, 0, 4), decimalDigits(text, 5, 2),
                         decimalDigits(text, 8, 2));
        const QTime time(decimalDigits(text, 11, 2), decimalDigits(text, 14, 2),
                         decimalDigits(text, 17, 2), decimalDigits(text, 20, 3));
        if (!date.isValid() || !time.isValid())
            return false;
        msecs = local.msecs(date, time);
        return true;
    }
    const QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!parsed.isValid())
        return false;
    msecs = parsed.toMSecsSinceEpoch();
    return true;
}

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

QString BookmarkFile::pathFor(const QString& protocolPath)
{
    return protocolPath + QStringLiteral(".bookmarks");
}

QString BookmarkFile::timeText(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs).toString(Qt::ISODateWithMs);
}

bool BookmarkFile::parseTime(const QString& text, qint64& msecs)
{
    LocalTime local;
    return ::parseTime(text, msecs, local);
}

BookmarkFile::ReadResult BookmarkFile::read(const QString& path, const BookmarkOwner& owner)
{
    ReadResult result;
    QFile file(path);
    if (!file.exists())
        return result;
    result.status = Status::CannotOpen;
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return result;

    result.status = Status::Corrupt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    const QJsonObject root = document.object();
    const QJsonValue bookmarks = root.value(kBookmarks);
    LocalTime local;
    qint64 start = 0;
    if (!document.isObject() || !bookmarks.isArray() ||
        !::parseTime(root.value(kStart).toString(), start, local) ||
        !root.value(kTickMs).isDouble())
        return result;
    if (start != owner.start.toMSecsSinceEpoch() || root.value(kTickMs).toInt() != owner.tickMs) {
        result.status = Status::Foreign;
        return result;
    }

    const QJsonArray entries = bookmarks.toArray();
    result.bookmarks.reserve(entries.size());
    for (const QJsonValue& entry : entries) {
        const QJsonObject object = entry.toObject();
        Bookmark bookmark;
        if (!::parseTime(object.value(kTime).toString(), bookmark.msecs, local)) {
            result.bookmarks.clear();
            return result;
        }
        bookmark.note = object.value(kNote).toString();
        result.bookmarks.append(bookmark);
    }
    std::stable_sort(result.bookmarks.begin(), result.bookmarks.end(),
                     [](const Bookmark& a, const Bookmark& b) { return a.msecs < b.msecs; });
    result.status = Status::Read;
    return result;
}

bool BookmarkFile::write(const QString& path, const BookmarkOwner& owner,
                         const QVector<Bookmark>& bookmarks, QString* error)
{
    if (bookmarks.isEmpty()) {
        if (QFileInfo(path).isFile() && !QFile::remove(path))
            return fail(error, QStringLiteral("Cannot remove %1").arg(path));
        return true;
    }

    QJsonArray entries;
    for (const Bookmark& bookmark : bookmarks) {
        QJsonObject entry{{kTime, timeText(bookmark.msecs)}};
        if (!bookmark.note.isEmpty())
            entry.insert(kNote, bookmark.note);
        entries.append(entry);
    }
    const QJsonObject root{{kProtocol, QFileInfo(path).completeBaseName()},
                           {kStart, timeText(owner.start.toMSecsSinceEpoch())},
                           {kTickMs, int(owner.tickMs)},
                           {kBookmarks, entries}};

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    // The last buffered bytes reach the disk only on flush; a full disk shows
    // there, and the old file must then stay as it was.
    if (file.write(json) != json.size() || !file.flush()) {
        file.cancelWriting();
        file.commit();
        return fail(error, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
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
