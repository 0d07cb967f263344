#pragma once

#include "statistics/rangestatistics.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

// The figures of every channel between the reference cursor and the value
// line: the values at both, their difference, minimum, maximum, mean, RMS and
// the number of records between them (both ends included); state channels
// give the texts of their values and the number of changes instead.
//
// Use: setTimeBase(), addPart() per chart channel (the parts of one title are
// one channel), then rows() as often as a cursor moves. The parts are indexed
// when added, so rows() reads a few blocks per channel whatever the distance
// between the cursors.
class CursorStatistics
{
public:
    // Turns a state channel's value into its text.
    using StateText = std::function<QString(double value)>;

    // Columns of rows() and of the copied table.
    enum Column {
        ChannelTitle,
        ReferenceValue,
        CursorValue,
        Difference,
        Minimum,
        Maximum,
        Mean,
        Rms,
        Changes,
        Records,
        ColumnCount
    };

    CursorStatistics();
    ~CursorStatistics();
    Q_DISABLE_COPY_MOVE(CursorStatistics)

    void clear();
    void setTimeBase(const QDateTime& start, quint16 tickMs);
    // A state text makes the channel a state channel. `decimals`: those of
    // the channel's values (RATE, a computed channel's decimals), with which
    // the values, their difference and the extremes are written as the table
    // writes them; -1 for ten significant digits. Mean and RMS always have ten.
    void addPart(const QString& title, std::unique_ptr<StatisticsSource> source,
                 const StateText& stateText = {}, int decimals = -1);
    QStringList titles() const;
    bool isEmpty() const { return m_channels.empty(); }

    // The bookmarks around the value line: the last one at or before it and
    // the first one after it; false when one of them is missing.
    static bool bookmarksAround(const QVector<qint64>& bookmarks, qint64 line, qint64& first,
                                qint64& second);

    static QStringList headers();
    // One row of texts per listed title that has parts, in the listed order.
    QVector<QStringList> rows(qint64 reference, qint64 cursor, const QStringList& titles) const;

    // "hh:mm:ss.zzz" between the two cursors, with "-" when the value line
    // lies before the reference; hours go on past 24.
    QString durationText(qint64 reference, qint64 cursor) const;
    static QString durationText(qint64 msecs);
    // "dd/MM/yyyy hh:mm:ss.zzz" of a tick.
    QString timeText(qint64 tick) const;

    // The whole table as tab-separated lines for a spreadsheet: the two
    // cursor times and the duration, an empty line, the headers and the rows.
    QString tabSeparated(qint64 reference, qint64 cursor, const QStringList& titles) const;

private:
    struct Channel;

    QStringList row(const Channel& channel, qint64 reference, qint64 cursor) const;

    std::vector<std::unique_ptr<Channel>> m_channels;
    QDateTime m_start;
    quint16 m_tickMs = 1;
};
