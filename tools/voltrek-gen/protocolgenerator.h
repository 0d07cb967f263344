#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// Synthetic logger data: protocol files and matching log definitions.

enum class Pattern { Sine, Ramp, Steps, Noise, States };

struct ChannelPlan
{
    QString code;
    int id = 0;
    QString name;
    int rate = 0;
    QString group = QStringLiteral("Генератор");
    Pattern pattern = Pattern::Sine;
    QVector<double> parameters; // pattern parameters in real units; see --help
    QStringList states;         // texts of the enumerated values (States only)
};

struct ProtocolPlan
{
    QDateTime start;
    quint16 tickMs = 100;
    QString description;
    qint64 ticks = 1000;
    qint64 maxRecords = -1; // no limit
    QList<ChannelPlan> channels;
    bool onChange = false;        // a record only when the raw value changed
    double gapPercent = 0;        // chance that a record is left out
    double outOfOrderPercent = 0; // chance that a tick's records swap with the next tick's
    quint32 seed = 1;
    int trailingBytes = 0; // a partial record after the last whole one
};

// "CODE:ID:PATTERN[,P1[,P2[,P3]]][:RATE[:NAME]]"; false with a message if malformed.
bool parseChannel(const QString& text, ChannelPlan& channel, QString& error);

// Real value of a channel at a tick (deterministic for a seed).
double patternValue(const ChannelPlan& channel, qint64 tick, quint32 seed);

// Writes the whole protocol to `path` (atomically); returns the number of
// records written, or -1 with a message.
qint64 writeProtocol(const ProtocolPlan& plan, const QString& path, QString& error);

QByteArray logDefinition(const QList<ChannelPlan>& channels, const QString& root);

QList<ChannelPlan> demoChannels();

// A complete demo log directory; files already there are kept as they are.
// `created` lists the files written by this call.
bool writeDemo(const QString& dir, QStringList& created, QString& error);
