#pragma once

#include "table/bookmarkfile.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QStringList>
#include <QVector>

// The bookmarks of a loaded view, kept beside its protocol files.
//
// Every bookmark read from a file goes back to that file as it was read: its
// time to the millisecond, its note (of any JSON type) and whatever else the
// entry holds, even when the view cannot show it (a time far outside the
// view). A new bookmark goes to the protocol whose ticks hold it (else the
// one that ended last before it), as the time that tick stands for there.
// A protocol loaded twice has one file. Several bookmarks on one tick stay
// several: the view shows one mark, their notes joined.
//
// Use: setView() after a load, load() for the bookmarks found in the files,
// then save() after every change of the bookmarks or their notes; clear()
// before the view goes, so that clearing the chart's bookmarks is not saved.
// undo() takes the last changes back, one at a time.
class BookmarkStore
{
public:
    struct Protocol
    {
        QString path;         // the protocol file; its bookmarks go to path.bookmarks
        BookmarkOwner owner;  // header start and tick length
        qint64 offset = 0;    // global tick of the protocol's tick 0
        qint64 firstTick = 0; // global ticks of its first and last record
        qint64 lastTick = 0;
    };

    struct Problem
    {
        QString path; // the bookmark file
        BookmarkFile::Status status;
    };

    // One bookmark of a file.
    struct Entry
    {
        Bookmark bookmark; // on this machine's clock
        QJsonObject raw;   // as read; empty for a new one
        bool noteEdited = false;
        bool shown = false; // the view has a tick for it
        qint64 tick = 0;

        bool operator==(const Entry& other) const
        {
            return bookmark == other.bookmark && raw == other.raw &&
                   noteEdited == other.noteEdited && shown == other.shown && tick == other.tick;
        }
    };

    // The bookmarks at one moment, for undo.
    struct State
    {
        QVector<QVector<Entry>> entries; // per file
        QVector<qint64> ticks;
    };

    void setView(const QVector<Protocol>& protocols);
    void clear();
    bool isEmpty() const { return m_protocols.isEmpty(); }

    // Reads the bookmark files of every protocol; missing files are no
    // problem. Ticks: ascending, each once.
    QVector<Problem> load();
    const QVector<qint64>& ticks() const { return m_ticks; }

    // The notes of the bookmarks on the tick, joined by "; ".
    QString note(qint64 tick) const;
    // note() of every tick of ticks(), in one pass.
    QStringList notes() const;
    // The note of the bookmark on the tick; with several there, the first
    // takes the text and the others lose theirs (the user edited them all).
    void setNote(qint64 tick, const QString& note);

    // Takes the bookmarks to the given ticks: bookmarks on ticks no longer
    // there are deleted, new ticks become new bookmarks. Then writes the files
    // whose bookmarks changed since they were read or last written; a file
    // that could not be read is kept as path.bookmarks.bak (.bak1, … when that
    // exists) before it is first replaced. Returns English errors, one per file.
    QStringList save(const QVector<qint64>& ticks);

    // Every bookmark of the view's files with its time and note, ascending
    // time, those the view cannot show included.
    QVector<Bookmark> bookmarks() const;

    qint64 msecsOf(qint64 tick) const;

    // Each change by save() or setNote() since load() can be taken back,
    // the last first, up to kUndoDepth of them; undo() writes the files.
    static constexpr int kUndoDepth = 50;
    bool canUndo() const { return !m_undo.isEmpty(); }
    QStringList undo();

private:
    struct File
    {
        QString path;
        int protocol = 0;     // the first protocol of the view with this file
        qint64 shift = 0;     // this machine's clock minus the file's
        QJsonObject document; // as read; empty for a new file
        bool keepOld = false; // the file was unreadable: back it up first
        QJsonArray written;   // the bookmarks as the file holds them
    };

    int ownerOf(qint64 tick) const;
    qint64 msecsOf(qint64 tick, int protocol) const;
    QJsonArray entriesOf(int file) const;
    QStringList writeChanged();

    QVector<Protocol> m_protocols;
    QVector<ProtocolSpan> m_spans;
    QVector<int> m_fileOf; // per protocol
    QVector<File> m_files;
    QVector<QVector<Entry>> m_entries; // per file
    QVector<qint64> m_ticks;
    QVector<State> m_undo;           // the states before each change, the last at the end
    QMap<qint64, QString> m_pending; // notes of ticks not yet bookmarked
    void remember();
};
