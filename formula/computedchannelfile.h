#pragma once

#include "formula/computedchannel.h"

#include <QString>

// The computed channels of a log directory, kept beside its log.def in
// "computed.def" so that they travel with the directory:
//
//   {"version": 1, "channels": [{"code": "P", "name": "Мощность",
//                                 "decimals": 1, "formula": "U1*I1"}]}
//
// A missing file is no channels. A file that cannot be read is reported and
// left as it is; only an explicit save replaces it, and a save replaces it
// whole or not at all.
class ComputedChannelFile
{
public:
    static QString fileName() { return QStringLiteral("computed.def"); }
    static QString pathIn(const QString& directory);

    // False with a Russian reason when the file exists but is no readable
    // list of channels; `channels` is then empty.
    static bool load(const QString& path, ComputedChannels& channels, QString& error);
    // Writes all channels to a temporary file and puts it in place of the old
    // one; false with a Russian reason, the old file untouched.
    static bool save(const QString& path, const ComputedChannels& channels, QString& error);
};
