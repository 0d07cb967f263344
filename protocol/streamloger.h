#pragma once

#include "protocol/channelcatalogue.h"
#include "protocol/protocolcolumns.h"
#include "protocol/protocolformat.h"
#include "protocol/readproblem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QVector>

struct ProtocolInfo
{
    QDateTime start;
    QString description;
    QString fileName;
};

using ChannelRecords = QMap<QString, QVector<LogRecord>>;

// The process-wide holder of the channel catalogue (log.def) and of the one
// protocol file that is open for reading or writing.
class StreamLoger : public QObject
{
    Q_OBJECT
public:
    static StreamLoger* instance();
    static void release();
    static void cancelLoad();

    // Catalogue
    bool init(const QString& path);
    QString lastError() const;
    QString russianError() const;
    // The applied log.def, absolute; empty while none is.
    QString definitionPath() const;
    QStringList codes() const;
    int channelId(const QString& code) const;
    QString channelName(const QString& code) const;
    QString channelTitle(const QString& code) const;
    QString codeByTitle(const QString& title) const;
    int rateById(int id) const;
    int rateByCode(const QString& code) const;
    bool hasRefs(const QString& code) const;
    QString refText(const QString& code, int raw) const;
    QStringList groupsOfCode(const QString& code) const;
    QDir protocolDir() const;
    // False until a log definition has named an existing protocol directory.
    bool hasProtocolDir() const;

    // Protocol files
    QList<ProtocolInfo> protocolList();
    bool openProtocol(int mode, quint16 tickMs, const QString& name);
    void closeProtocol();
    void protocolTimeBase(QDateTime& start, quint16& tickMs) const;
    QDateTime tickToDateTime(quint32 tick) const;
    ChannelRecords readProtocol();
    // The same read in compact form: one tick per row, raw values per channel.
    ProtocolColumns readProtocolColumns();
    // What kept the last open for reading, or the last read, from the whole
    // file; Kind::None when nothing did.
    const ReadProblem& readProblem() const { return m_readProblem; }
    // The last read's channel IDs that the catalogue lacks (Kind::UnknownIds;
    // the protocol is read, with their raw values); Kind::None when all were known.
    const ReadProblem& channelProblem() const { return m_channelProblem; }
    // A read keeps 4 bytes per record and per gap-filled value, and the phase
    // sizes travel as int in the progress signals, so a read is bounded in
    // records and in gap-filled values (1.6 GB of values at most); tests lower
    // the bounds.
    static constexpr qint64 kMaxRecords = 400'000'000;
    static constexpr qint64 kMaxFilledValues = 400'000'000;
    // `memoryBytes`: the memory a read may take, -1 for the system's free memory.
    void setReadLimits(qint64 maxRecords, qint64 maxFilledValues, qint64 memoryBytes = -1);
    // Columns the assembly will compute over every row of a read (8 bytes a
    // cell): the memory check counts them before they are computed.
    void setComputedColumns(int count) { m_computedColumns = count; }
    // Whether a read processes pending events now and then (about every
    // 50 ms), so that a window and its progress dialog stay alive; runs
    // without a window switch it off. On by default.
    void setEventsWhileReading(bool on) { m_eventsWhileReading = on; }
    bool eventsWhileReading() const { return m_eventsWhileReading; }
    bool writeValue(const QString& code, qint32 raw, bool force, quint32 tick);
    bool writeReal(const QString& code, double value, bool force, quint32 tick);

signals:
    void startLoad(int count, QString file);
    void progressLoad(int);

private:
    StreamLoger() = default;
    Q_DISABLE_COPY_MOVE(StreamLoger)

    enum Mode { Closed = -1, Reading = 0, Writing = 1 };

    bool openForReading(const QString& name);
    bool failRead(ReadProblem::Kind kind, const QString& detail = QString());
    bool openForWriting(quint16 tickMs, const QString& description);

    ChannelCatalogue m_catalogue;
    QFile m_file;
    int m_mode = Closed;
    QDateTime m_start;
    ProtocolHeader m_header;
    QMap<QString, qint32> m_lastValues;
    ReadProblem m_readProblem;
    ReadProblem m_channelProblem;
    qint64 m_maxRecords = kMaxRecords;
    qint64 m_memoryBytes = -1;
    qint64 m_maxFilledValues = kMaxFilledValues;
    qint64 m_computedColumns = 0;
    bool m_eventsWhileReading = true;
    qint64 m_openRecords = 0; // whole records in the file when it was opened
};
