#include "export/assemblyexportsource.h"

#include "protocol/channellookup.h"
#include "reports/timerangetable.h"
#include "table/protocolassembly.h"

#include <QFileInfo>

AssemblyExportSource::AssemblyExportSource(const ProtocolAssembly& assembly,
                                           const ChannelLookup& catalogue, const QStringList& codes,
                                           const QDateTime& from, const QDateTime& to)
    : m_assembly(assembly), m_catalogue(catalogue)
{
    m_channelOf.resize(size_t(assembly.protocolCount()));
    for (const QString& code : codes) {
        const int index = assembly.codes().indexOf(code);
        if (index < 0) {
            m_missing.append(code);
            continue;
        }
        Channel channel;
        channel.code = code;
        channel.name = catalogue.channelName(code);
        channel.rate = catalogue.rateByCode(code);
        channel.state = catalogue.hasRefs(code);
        const int column = ProtocolAssembly::firstChannelColumn + index;
        for (int p = 0; p < assembly.protocolCount(); ++p) {
            const int c = assembly.channelAt(p, column);
            m_channelOf[size_t(p)].push_back(c);
            if (c >= 0 && channel.id < 0 && !channel.computed) {
                channel.id = assembly.channelId(p, c);
                channel.computed = channel.id < 0;
            }
        }
        m_channels.push_back(channel);
    }

    // The same rule and the same rows as the table's reports.
    m_rowCount = assembly.rowCount();
    if (from.isValid() || to.isValid()) {
        m_whole = false;
        for (int row = 0; row < assembly.rowCount(); ++row) {
            const ProtocolAssembly::RowRef ref = assembly.rowAt(row);
            if (TimeRangeReportTable::holds(assembly.msecsSinceEpoch(ref.protocol, ref.record),
                                            from, to))
                m_rows.push_back(row);
        }
        m_rowCount = int(m_rows.size());
    }
}

qint64 AssemblyExportSource::msecsSinceEpoch(int row) const
{
    const ProtocolAssembly::RowRef ref = m_assembly.rowAt(timeRow(row));
    return m_assembly.msecsSinceEpoch(ref.protocol, ref.record);
}

bool AssemblyExportSource::value(int row, int channel, double& value) const
{
    const ProtocolAssembly::RowRef ref = m_assembly.rowAt(timeRow(row));
    const int c = m_channelOf[size_t(ref.protocol)][size_t(channel)];
    return c >= 0 && m_assembly.number(ref.protocol, c, ref.record, value);
}

bool AssemblyExportSource::raw(int row, int channel, qint32& value) const
{
    const ProtocolAssembly::RowRef ref = m_assembly.rowAt(timeRow(row));
    const int c = m_channelOf[size_t(ref.protocol)][size_t(channel)];
    double divisor = 1;
    return c >= 0 && m_assembly.raw(ref.protocol, c, ref.record, value, divisor);
}

QString AssemblyExportSource::stateText(int channel, qint32 raw) const
{
    return m_catalogue.refText(m_channels[size_t(channel)].code, raw);
}

ExportInfo assemblyExportInfo(const ProtocolAssembly& assembly, const QStringList& files,
                              const QString& version)
{
    ExportInfo info;
    info.start = assembly.commonStart();
    info.tickMs = assembly.tickMs();
    for (int p = 0; p < assembly.protocolCount(); ++p) {
        info.protocolFiles.append(QFileInfo(files.value(p)).fileName());
        info.protocolStarts.append(assembly.protocolStart(p));
    }
    info.version = version;
    return info;
}
