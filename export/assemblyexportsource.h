#pragma once

#include "export/exportsource.h"

#include <QDateTime>
#include <QStringList>

#include <vector>

class ChannelLookup;
class ProtocolAssembly;

// The loaded protocols as an export reads them: the rows between two instants
// (both included; an invalid one leaves that end open) in time order, and the
// channels of the given codes in the given order, computed ones included.
// Codes the assembly does not have are left out (missingCodes() names them).
// The assembly and the catalogue must outlive the source.
class AssemblyExportSource : public ExportSource
{
public:
    AssemblyExportSource(const ProtocolAssembly& assembly, const ChannelLookup& catalogue,
                         const QStringList& codes, const QDateTime& from, const QDateTime& to);

    const QStringList& missingCodes() const { return m_missing; }

    int rowCount() const override { return m_rowCount; }
    qint64 msecsSinceEpoch(int row) const override;
    int channelCount() const override { return int(m_channels.size()); }
    const Channel& channel(int index) const override { return m_channels[size_t(index)]; }
    bool value(int row, int channel, double& value) const override;
    bool raw(int row, int channel, qint32& value) const override;
    QString stateText(int channel, qint32 raw) const override;

private:
    const ProtocolAssembly& m_assembly;
    const ChannelLookup& m_catalogue;
    std::vector<Channel> m_channels;
    std::vector<std::vector<int>> m_channelOf; // [protocol][export channel] → channel or -1
    QStringList m_missing;
    bool m_whole = true;     // no limits: every row, without a list of them
    std::vector<int> m_rows; // rows in time order, with limits
    int m_rowCount = 0;

    int timeRow(int row) const { return m_whole ? row : m_rows[size_t(row)]; }
};

// What an export of the assembly says about its rows: time zero at the
// common start (the charts' zero), the tick, the files (one per added
// protocol, in order) with their starts, and the program's version.
ExportInfo assemblyExportInfo(const ProtocolAssembly& assembly, const QStringList& files,
                              const QString& version);
