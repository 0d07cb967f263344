#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// What a data export reads: rows in time order, each with its instant, and
// the channels chosen for the file, each with a value where the row has one. It knows nothing of
// files; the HDF5 and MAT writers read it a block of rows at a time, so an implementation should
// answer by index without preparing anything per call.
class ExportSource
{
public:
    struct Channel
    {
        QString code;
        QString name;
        int id = -1; // the logger's channel ID; -1 for a computed channel
        int rate = 0;
        bool computed = false;
        bool state = false; // values stand for texts (a state channel)
    };

    virtual ~ExportSource() = default;

    virtual int rowCount() const = 0;
    virtual qint64 msecsSinceEpoch(int row) const = 0;
    virtual int channelCount() const = 0;
    virtual const Channel& channel(int index) const = 0;
    // The value the table shows; false where the row has none.
    virtual bool value(int row, int channel, double& value) const = 0;
    // The raw value of a state channel; false where the row has none.
    virtual bool raw(int row, int channel, qint32& value) const = 0;
    // The text a state channel shows for a raw value; empty when it has none.
    virtual QString stateText(int channel, qint32 raw) const = 0;
};

// What the file says about where its rows come from.
struct ExportInfo
{
    QDateTime start; // time zero of the time vector in seconds
    int tickMs = 0;
    QStringList protocolFiles;
    QVector<QDateTime> protocolStarts; // one per file
    QString version;                   // of this program
};
