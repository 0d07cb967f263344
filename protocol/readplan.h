#pragma once

#include "protocol/readproblem.h"

#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>

// Which log definition the protocols of one read are decoded with, and
// which of them are read at all. A protocol belongs to the log directory
// whose log.def names its folder as ROOT: that is its own folder, or the
// folder above it. Channel IDs mean nothing without the definition they were
// logged under, so a protocol from elsewhere is read with its own, and a
// read never mixes two definitions.
namespace readplan {

// The log directory that `protocolPath` belongs to; empty when neither its
// folder nor the one above holds a log.def that names its folder.
QString ownerOf(const QString& protocolPath);

// The definition in force when the read is asked for.
struct Applied
{
    QString definition; // absolute path of the applied log.def; empty: none
    QDir protocolDir;   // where bare names lie
    bool hasProtocolDir = false;
    bool keep = false; // the user named the definition for this read ("-d"): no other is taken
    // A comparison may hold one protocol twice (two runs of one day, each
    // aligned at its own bookmark): a name given again is kept.
    bool repeats = false;
};

struct Plan
{
    QString logDirectory;        // to apply before reading; empty: the applied one stays
    QStringList files;           // to read, each file once, in the order first named
    QList<ReadProblem> problems; // notices, and the protocols left out
};

// The protocols given, in their order: bare names lie in the protocol
// folder, full paths anywhere. The definition is the applied one when it is
// kept, or when a protocol lies in its folder; else that of the first
// protocol that has one. Protocols of another definition are left out,
// unless their log.def reads the same.
Plan plan(const QStringList& files, const Applied& applied);

} // namespace readplan
