#pragma once

// A loaded protocol of `rows` ticks x 16 channels for the table benchmarks:
// the assembly with its model, and the same compact columns for the bare
// loops.

#include "protocol/channellookup.h"
#include "table/protocolassembly.h"
#include "table/protocoltablemodel.h"

#include <QDateTime>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace compacttable {

// Takes "--rows=N" out of the arguments before the benchmark library reads
// them and sets rows to N (1000 at the least).
inline void takeRowsArgument(int& argc, char** argv, int& rows)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rows=", 7) == 0) {
            rows = std::max(1000, std::atoi(argv[i] + 7));
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            return;
        }
    }
}

// "name/rows"
inline std::string sized(const char* name, int rows)
{
    return std::string(name) + '/' + std::to_string(rows);
}

constexpr int kChannels = 16;
const QDateTime kStart(QDate(2024, 5, 10), QTime(12, 0));

// Names and RATE 2 for channels C1 … C16; REFS only for C16 as a state
// channel ("Останов", "Работа", "Авария" for 0 … 2) when asked for.
class Catalogue : public ChannelLookup
{
public:
    bool withStates = false;

    QString channelName(const QString& code) const override
    {
        return QStringLiteral("Канал ") + code;
    }
    int rateById(int id) const override { return id >= 1 && id <= kChannels ? 2 : 0; }
    int rateByCode(const QString&) const override { return 2; }
    bool hasRefs(const QString& code) const override { return withStates && code == kStateCode; }
    QString refText(const QString& code, int raw) const override
    {
        static const QStringList texts{QStringLiteral("Останов"), QStringLiteral("Работа"),
                                       QStringLiteral("Авария")};
        return hasRefs(code) ? texts.value(raw) : QString();
    }
    static inline const QString kStateCode = QStringLiteral("C16");
    QString codeByTitle(const QString&) const override { return QString(); }
};

// With states, C16 holds 0 … 3: three states and a value without a text.
inline ProtocolColumns columns(int rows, bool withStates = false)
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
            column.values[size_t(r)] = withStates && c == kChannels
                                           ? qint32(state >> 12) % 4
                                           : qint32(state >> 12) % 20000 - 5000; // -50.00 … 149.99
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

    explicit Loaded(int rows, bool withStates = false)
    {
        catalogue.withStates = withStates;
        assembly.addProtocol(kStart, 10, columns(rows, withStates));
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
