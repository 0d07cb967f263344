#pragma once

#include "table/bookmarkfile.h"

#include <QMap>
#include <QStringList>
#include <QVector>

// The bookmarks of a loaded view, kept beside its protocol files: each
// bookmark is saved with the protocol whose ticks hold it (else the one that
// ended last before it) as the time that tick stands for in that protocol.
//
// Use: setView() after a load, load() for the bookmarks found in the files,
// then save() after every change of the bookmarks or their notes; clear()
// before the view goes, so that clearing the chart's bookmarks is not saved.
class BookmarkStore
{
public:
    struct Protocol
    {
        QString path;         // the protocol file; its bookmarks go to path.bookmarks
        BookmarkOwner owner;  // header start and tick length
        qint32 offset = 0;    // global tick of the protocol's tick 0
        qint32 firstTick = 0; // global ticks of its first and last record
        qint32 lastTick = 0;
    };

    struct Problem
    {
        QString path; // the bookmark file
        BookmarkFile::Status status;
    };

    void setView(const QVector<Protocol>& protocols);
    void clear();
    bool isEmpty() const { return m_protocols.isEmpty(); }

    // Reads the bookmark files of every protocol; missing files are no
    // problem. Ticks: ascending, each once.
    QVector<Problem> load();
    QVector<qint32> ticks() const;

    QString note(qint32 tick) const { return m_notes.value(tick); }
    void setNote(qint32 tick, const QString& note);

    // Writes the files whose bookmarks changed since they were read or last
    // written; a file that could not be read is kept as path.bookmarks.bak
    // before it is first replaced. Returns English errors, one per file.
    QStringList save(const QVector<qint32>& ticks);

    // The bookmarks with their times and notes, ascending time.
    QVector<Bookmark> bookmarks(const QVector<qint32>& ticks) const;

    qint64 msecsOf(qint32 tick) const;

private:
    int ownerOf(qint32 tick) const;
    qint64 msecsOf(qint32 tick, int protocol) const;

    QVector<Protocol> m_protocols;
    QVector<ProtocolSpan> m_spans;
    QVector<QVector<Bookmark>> m_written; // per protocol, as the file holds them
    QVector<bool> m_keepOld;              // the file was unreadable: back it up first
    QMap<qint32, QString> m_notes;
    QVector<qint32> m_loaded;
};
