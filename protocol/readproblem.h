#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

// Why a protocol of a read was left out, or read only in part.
struct ReadProblem
{
    enum class Kind {
        None,
        CannotOpen,      // the file did not open; detail holds the system's reason
        NotProtocol,     // too short for a header, or no "LOG" signature
        NoRecords,       // a valid header and nothing after it
        NoTimeBase,      // no valid start date-time or no tick length
        RecordLimit,     // more records than a read holds: only the first `limit` were read
        FilledStepLimit, // more gap-filled values than a read holds: nothing was read
        TooLarge,        // more than the free memory can hold: nothing was read
        CutShort,        // the file shrank while it was read: only `handled` records were read
        NotRegularFile,  // a FIFO, a device or a folder; detail says which (English)
        UnknownIds,      // records of `ids` that `definition` lacks: read with their raw values
        OtherDefinition, // belongs to the log directory `definition`, not to the one of the read
        // Notices: the protocol was read as it should be, but the user is told.
        Duplicate,         // named more than once: read once
        ForeignDefinition, // outside the protocol folder of `definition`; read with it as asked
        NoDefinition       // no log directory of its own was found; read with `definition`
    };

    Kind kind = Kind::None;
    QString file;
    QString detail;
    qint64 limit = 0;   // a limit in records or values, the free memory in bytes, or the
                        // records the file held when its read began
    qint64 needed = 0;  // TooLarge: the memory the read needs, in bytes
    qint64 handled = 0; // CutShort: the records that were read
    QVector<int> ids;   // UnknownIds
    QString definition; // a log.def path; empty where none was applied

    bool isNone() const { return kind == Kind::None; }
    // Whether the protocol still took part in the read.
    bool isPartial() const
    {
        return kind == Kind::RecordLimit || kind == Kind::CutShort || kind == Kind::UnknownIds;
    }
    // Told, but no fault: the protocol was read whole and as it should be.
    bool isNotice() const
    {
        return kind == Kind::Duplicate || kind == Kind::ForeignDefinition ||
               kind == Kind::NoDefinition;
    }

    // "<file>: <reason>", for standard error.
    QString englishText() const;
    // The reason alone, for the user; `cause`, where given, stands for the
    // system's own (English) detail.
    QString russianReason(const QString& cause = QString()) const;
};
