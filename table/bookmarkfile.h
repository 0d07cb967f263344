#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QVector>

// A bookmark as it is kept beside its protocol: an instant, to the
// millisecond, and the user's note.
struct Bookmark
{
    qint64 msecs = 0; // since the epoch
    QString note;

    bool operator==(const Bookmark& other) const
    {
        return msecs == other.msecs && note == other.note;
    }
};

// The protocol a bookmark file belongs to: the start date-time and tick
// length of its header. A file written for another protocol does not match.
struct BookmarkOwner
{
    QDateTime start;
    quint16 tickMs = 0;
};

// NAME.log.bookmarks: a small JSON document beside the protocol NAME.log with
// its owner and the bookmarks as ISO 8601 date-times with milliseconds and
// the UTC offset of the writer's clock, each with an optional note:
//   {"protocol": "NAME.log", "start": "2024-05-10T12:00:00.000+02:00",
//    "tickMs": 100,
//    "bookmarks": [{"time": "2024-05-10T12:00:05.300+02:00", "note": "Пуск"}]}
// Files written before offsets were added hold local times; they read as
// local times, a repeated hour as its first occurrence. Every entry of a file
// is read on the basis of its start: with a start without an offset, an
// entry that a later writer added with one reads as the local time it spells;
// with a start with an offset, an entry without one reads at that offset.
//
// The protocol's header holds its start as wall-clock time, so a machine in
// another zone sees the same protocol start at another instant. A file
// belongs to a protocol when its start is the protocol's start as an instant
// or as wall-clock time; its bookmarks keep their distance from the start.
class BookmarkFile
{
public:
    enum class Status {
        Read,
        Missing,    // no file: the protocol has no bookmarks yet
        CannotOpen, // there, but not readable (a folder, a dangling link, a pipe …)
        Corrupt,    // not a bookmark document
        Foreign     // a bookmark document of another protocol
    };

    struct ReadResult
    {
        Status status = Status::Missing;
        QVector<Bookmark> bookmarks;  // ascending time, on this machine's clock
        QVector<QJsonObject> entries; // each bookmark as the file holds it, same order
        QJsonObject document;         // the whole file
        qint64 shift = 0;             // this machine's clock minus the file's
    };

    // The protocol's path + ".bookmarks"; a relative protocol path is made
    // absolute against the working directory.
    static QString pathFor(const QString& protocolPath);

    static ReadResult read(const QString& path, const BookmarkOwner& owner);
    // Replaces the file as a whole or not at all; with no bookmarks the file
    // is removed. error gets an English reason on failure.
    static bool write(const QString& path, const BookmarkOwner& owner,
                      const QVector<Bookmark>& bookmarks, QString* error = nullptr);
    // The document of a new file for the owner with the given entries.
    static QJsonObject document(const QString& path, const BookmarkOwner& owner,
                                const QJsonArray& entries);
    // A new entry, its time shifted back onto the file's clock.
    static QJsonObject entry(const Bookmark& bookmark, qint64 shift = 0);
    // Writes the document whole or not at all; a document without bookmarks
    // removes the file.
    static bool writeDocument(const QString& path, const QJsonObject& document,
                              QString* error = nullptr);

    static QString timeText(qint64 msecs);
    // ISO 8601 date-time, read as local time when it carries no offset;
    // false when it is no date-time.
    static bool parseTime(const QString& text, qint64& msecs);
};

// Where a position (a time or a tick) of a view belongs among the spans of its
// protocols: the first span that holds it, else the span that ended last
// before it, else the first span; -1 without spans.
struct ProtocolSpan
{
    qint64 first = 0;
    qint64 last = 0;
};
int spanOwner(qint64 position, const QVector<ProtocolSpan>& spans);
