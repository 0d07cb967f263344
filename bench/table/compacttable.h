#pragma once

// A loaded protocol of `rows` ticks x 16 channels for the table benchmarks:
// the assembly with its model, and the same compact columns for the bare
// loops.

#include "protocol/channellookup.h"
#include "table/protocolassembly.h"
#include "table/protocoltablemodel.h"

#include <QDateTime>

#include <memory>
#include <vector>

namespace compacttable {

constexpr int kChannels = 16;
const QDateTime kStart(QDate(2024, 5, 10), QTime(12, 0));

// Names and RATE 2 for channels C1 … C16; no REFS.
class Catalogue : public ChannelLookup
{
public:
    QString channelName(const QString& code) const override
    {
        return QStringLiteral("Канал ") + code;
    }
    int rateById(int id) const override { return id >= 1 && id <= kChannels ? 2 : 0; }
    int rateByCode(const QString&) const override { return 2; }
    bool hasRefs(const QString&) const override { return false; }
    QString refText(const QString&, int) const override { return QString(); }
    QString codeByTitle(const QString&) const override { return QString(); }
};

inline ProtocolColumns columns(int rows)
{
    ProtocolColumns result;
    result.ticks.resize(size_t(rows));
    for (int r = 0; r < rows; ++r)
        result.ticks[size_t(r)] = quint32(r);
    for (int c = 1; c <= kChannels; ++c) {
        ChannelColumn column;
        column.code = QStringLiteral("C%1").arg(c, 2, 10, QLatin1Char('0'));
        column.id = quint8(c);
        column.values.resize(size_t(rows));
        quint32 state = quint32(c) * 2654435761u;
        for (int r = 0; r < rows; ++r) {
            state = state * 1664525u + 1013904223u;
            column.values[size_t(r)] = qint32(state >> 12) % 20000 - 5000; // -50.00 … 149.99
        }
        result.channels.push_back(std::move(column));
    }
    return result;
}

struct Loaded
{
    Catalogue catalogue;
    ProtocolAssembly assembly{catalogue, kStart.addYears(1)};
    ProtocolTableModel model;

    explicit Loaded(int rows)
    {
        assembly.addProtocol(kStart, 10, columns(rows));
        assembly.build();
        model.setAssembly(&assembly);
    }
};

// Bytes per table cell the loaded table keeps, beyond the rows on screen.
inline double bytesPerCell(const Loaded& loaded)
{
    const double cells = double(loaded.assembly.rowCount()) * kChannels;
    return double(loaded.assembly.dataBytes() + loaded.model.rowBytes()) / cells;
}

} // namespace compacttable
