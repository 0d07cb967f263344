#pragma once

#include "table/protocolassembly.h"

#include "tests/table/fakelookup.h"

#include <QDateTime>
#include <QPair>
#include <QVector>

#include <memory>

// Compared protocols made in memory: U1 (ID 1, 0.1 V), I1 (ID 2, 0.01 A)
// and the enumerated state ST (ID 3: 0 "Стоп", 1 "Пуск", others bare).
namespace {

// One protocol: channel code -> {tick, raw value} records. The rows are the
// first code's (in code order) records; the other codes' values go by index.
using Points = QVector<QPair<quint32, qint32>>;
using Channels = QVector<QPair<QString, Points>>;

const QDateTime now(QDate(2030, 1, 1), QTime(0, 0));

FakeLookup& catalogue()
{
    static FakeLookup lookup = [] {
        FakeLookup l;
        l.addChannel(QStringLiteral("I1"), 2, QStringLiteral("Ток"), 2);
        l.addChannel(QStringLiteral("U1"), 1, QStringLiteral("Напряжение"), 1);
        l.addChannel(QStringLiteral("ST"), 3, QStringLiteral("Режим"), 0);
        l.addRef(QStringLiteral("ST"), 0, QStringLiteral("Стоп"));
        l.addRef(QStringLiteral("ST"), 1, QStringLiteral("Пуск"));
        return l;
    }();
    return lookup;
}

[[maybe_unused]] std::unique_ptr<ProtocolAssembly> protocol(const QDateTime& start, quint16 tickMs,
                                                            const Channels& channels,
                                                            const ComputedChannels& computed = {})
{
    ChannelRecords records;
    for (const auto& channel : channels) {
        QVector<LogRecord> list;
        const quint8 id = channel.first == QLatin1String("U1")   ? 1
                          : channel.first == QLatin1String("I1") ? 2
                                                                 : 3;
        for (const auto& point : channel.second)
            list.append(LogRecord{id, point.first, point.second});
        records.insert(channel.first, list);
    }
    auto assembly = std::make_unique<ProtocolAssembly>(catalogue(), now);
    assembly->addProtocol(start, tickMs, records);
    assembly->setComputedChannels(computed);
    assembly->build();
    return assembly;
}

} // namespace
