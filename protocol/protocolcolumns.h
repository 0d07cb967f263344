#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

// One channel of a read protocol, aligned on the protocol's row ticks: the
// raw value of row j is values[j] (gap-filled: a row without a record of the
// channel repeats its last value). Fewer values than rows only after a
// cancelled read.
struct ChannelColumn
{
    QString code;
    quint8 id = 0; // ID of the channel's first record
    std::vector<qint32> values;
    std::vector<quint8> ids; // per value, only when the records carry several IDs
    bool unknownId = false;  // an ID the log definition lacks: raw values, code "ID n"
};

// The code, and the title, of the channel of an ID that the log definition lacks.
inline QString unknownIdCode(quint8 id)
{
    return QStringLiteral("ID %1").arg(id);
}

// A read protocol in compact form: 4 bytes per row for the tick and 4 bytes
// per row and channel for the raw value.
struct ProtocolColumns
{
    std::vector<quint32> ticks;          // tick of each row, in file order
    std::vector<ChannelColumn> channels; // ascending code order

    bool isEmpty() const { return channels.empty(); }
    int rowCount() const { return int(ticks.size()); }
};
