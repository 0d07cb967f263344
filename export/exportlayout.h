#pragma once

#include "export/exportsource.h"

#include <QStringList>

#include <limits>
#include <set>
#include <vector>

// The names and shapes an export gives its data, the same in HDF5 and MAT
// files, where a group of HDF5 is a structure of MATLAB:
//   time_s          float64, seconds from file.start
//   time_unix_ms    int64, milliseconds since 1970-01-01 UTC
//   <variable>      float64 per channel, NaN where the row has no value
//   <variable>_raw  int32 per state channel, kNoRaw where no value
//   channels.<variable>   code, name, id, rate, computed, state_values, state_texts
//   file            start, tick_ms, protocols, protocol_starts, version,
//                   channel_codes and channel_variables (the name map)
// Vectors are columns (rows × 1 in MATLAB).
namespace exportlayout {

inline constexpr char kSeconds[] = "time_s";
inline constexpr char kUnixMsecs[] = "time_unix_ms";
inline constexpr char kChannels[] = "channels";
inline constexpr char kFile[] = "file";
inline constexpr qint32 kNoRaw = std::numeric_limits<qint32>::min();

// Names MATLAB takes for variables and fields: an ASCII letter, then letters,
// digits and underscores, at most 63, no keyword. Other characters become
// "_", a name that starts otherwise gets "x" before it, a keyword "_" after
// it, and a name already given (or reserved) a suffix "_2", "_3", …
QStringList matlabNames(const QStringList& wanted, const QStringList& reserved);

} // namespace exportlayout

// The variables of one export and the values of its rows, filled into the
// writers' buffers a stretch of rows at a time.
class ExportColumns
{
public:
    ExportColumns(const ExportSource& source, const ExportInfo& info);

    const ExportSource& source() const { return m_source; }
    const ExportInfo& info() const { return m_info; }
    const QString& variable(int channel) const { return m_variables[size_t(channel)]; }
    // Empty for a channel that is no state channel.
    const QString& rawVariable(int channel) const { return m_rawVariables[size_t(channel)]; }

    void times(int first, int count, double* seconds, qint64* msecs) const;
    // NaN where a row has no value; raws (may be null) get kNoRaw there.
    void values(int channel, int first, int count, double* values, qint32* raws);
    // The raw values a state channel had in the rows filled so far, ascending.
    std::vector<qint32> statesSeen(int channel) const;

private:
    const ExportSource& m_source;
    const ExportInfo& m_info;
    qint64 m_startMsecs = 0;
    std::vector<QString> m_variables;
    std::vector<QString> m_rawVariables;
    std::vector<std::set<qint32>> m_states;
};
