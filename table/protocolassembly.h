#pragma once

#include "chartdata/columnseries.h"
#include "formula/computedchannel.h"
#include "formula/formulaevaluator.h"
#include "protocol/protocolcolumns.h"
#include "protocol/streamloger.h"
#include "table/timetextformatter.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class ChannelLookup;

// One chart channel of an assembly: one channel code of one protocol file.
struct AssembledChannel
{
    QString code;
    QString title;
    int protocol = 0;    // index among the added protocols
    int channel = 0;     // index among the protocol's channels
    int column = 0;      // table column of the code
    ColumnSeries series; // view of the assembly's columns
    double minimum = 0;
    double maximum = 0;
};

// Merges the protocols of one read onto one time base: the channel columns,
// the rows in time order, the cell texts, one series per channel and file and
// the value ranges of the chart channels. It knows no widgets; the table and
// the charts read from it.
//
// Use: addProtocol() per file in read order, build(), then read rows, cells and
// channels. The assembly owns the loaded data for as long as the view shows
// it, in the reader's compact form (4 bytes per row for the tick, 4 bytes per
// cell for the raw value, 8 for a computed result, which may be any finite
// double): cell texts are made on request for the rows that
// are shown or written, and the charts read the same columns in place.
//
// Rows have two numberings: (protocol, record), and the global row, which
// counts the records of protocol 0 first, then those of protocol 1, and so on.
class ProtocolAssembly
{
public:
    enum class AddResult {
        Added,
        Skipped, // no records, no tick length or no valid start: left out like an unreadable file
        TickMismatch // tick length differs from the previous file's: the read must stop
    };

    struct RowRef
    {
        int protocol = 0;
        int record = 0;
    };

    struct Cell
    {
        bool isText = false; // enumeration text, else a number
        QString text;
    };

    static constexpr int firstChannelColumn = 2;
    static constexpr int timeColumn = 1;

    // StreamLoger's catalogue; the common start is searched from the current time.
    ProtocolAssembly();
    // `now` bounds the common start: a start after it is not taken.
    explicit ProtocolAssembly(const ChannelLookup& catalogue,
                              const QDateTime& now = QDateTime::currentDateTime());
    ~ProtocolAssembly();
    Q_DISABLE_COPY_MOVE(ProtocolAssembly)

    // Reading phase. `file` names the protocol where rows tell where they come from.
    AddResult addProtocol(const QDateTime& start, quint16 tickMs, ProtocolColumns columns,
                          const QString& file = QString());
    // Per-record series: the rows are the first channel's records.
    AddResult addProtocol(const QDateTime& start, quint16 tickMs, const ChannelRecords& records);
    int protocolCount() const { return int(m_protocols.size()); }
    QDateTime protocolStart(int protocol) const;
    // Channels computed by formula from the others, checked and in an order
    // in which they can be computed (checkComputedChannels). build() computes
    // them for every protocol that has all their inputs and puts their
    // columns after the logged ones; their cells are empty where a row has no
    // result.
    void setComputedChannels(ComputedChannels channels);
    const QStringList& codes() const { return m_codes; }
    const QStringList& titles() const { return m_titles; }
    QDateTime commonStart() const { return m_commonStart; }
    quint16 tickMs() const { return m_tickMs; }

    // Offsets, ranges and row order. `proceed` is asked before each protocol;
    // when it answers false everything built is dropped and build() fails.
    bool build(const std::function<bool(int protocol)>& proceed = {});
    bool isBuilt() const { return m_built; }

    // Rows by (protocol, record); none until built.
    int rowCount() const { return int(m_timeOrder.size()); }
    int recordCount(int protocol) const;
    QString protocolFile(int protocol) const;
    qint64 offset(int protocol) const;
    // Position of a row in time order (stable: protocol order, then record
    // order). A search: for single look-ups only.
    int tableRow(int protocol, int record) const;
    RowRef rowAt(int tableRow) const { return row(m_timeOrder[size_t(tableRow)]); }
    qint64 globalTick(int protocol, int record) const;
    qint64 msecsSinceEpoch(int protocol, int record) const;
    QDateTime dateTime(int protocol, int record) const;
    QString timeText(int protocol, int record) const;

    // Cells of a row: the protocol's channels in ascending code order.
    int channelCount(int protocol) const;
    int column(int protocol, int channel) const;
    // False when the row has no cell for that channel. `cell.text` keeps its
    // buffer from call to call.
    bool cell(int protocol, int channel, int record, Cell& cell) const;

    // Rows by global row.
    RowRef row(int globalRow) const;
    int globalRow(int protocol, int record) const;
    // Global rows in time order.
    const std::vector<int>& timeOrder() const { return m_timeOrder; }
    // Channel index of a table column in a protocol, -1 where it has none.
    int channelAt(int protocol, int column) const;
    // The raw value and its divisor (10^RATE) of a logged channel; false when
    // there is no cell and for computed channels, which keep real values.
    bool raw(int protocol, int channel, int record, qint32& value, double& divisor) const;
    // The number a cell's text reads as; false when there is no cell.
    bool number(int protocol, int channel, int record, double& value) const;
    // A channel's column as formulas read it, for scans over whole columns;
    // false when the protocol has no channel of that code.
    bool formulaInput(int protocol, const QString& code, FormulaInput& input) const;
    // The protocol's record ticks, ascending (add offset() for global ticks).
    const std::vector<quint32>& recordTicks(int protocol) const;
    bool hasRefs(int protocol, int channel) const;
    // A logged channel without value texts: its cells are numbers alone.
    bool isPlainNumber(int protocol, int channel) const;
    // The text of such a channel's cell into `out` (at least 32 chars), as
    // cell() makes it; returns its length, 0 when there is no cell.
    int numberChars(int protocol, int channel, int record, char* out) const;
    // The ID the channel's records carry (the first record's where they carry
    // several); -1 for a computed channel.
    int channelId(int protocol, int channel) const;
    QString refText(int protocol, int channel, qint32 raw) const;

    // Chart channels: protocol order, then ascending code; ranges already joined
    // across protocols per title.
    const std::vector<AssembledChannel>& channels() const { return m_channels; }

    // Bytes held for the loaded data (columns and row order).
    qint64 dataBytes() const;

private:
    struct Protocol;

    const Protocol& protocol(int index) const { return *m_protocols[size_t(index)]; }
    void buildProtocol(int index);
    void stripComputed();
    void addComputedCodes();
    void computeProtocol(int index);
    void joinRanges();
    void buildOrder();
    void clearBuild();

    const ChannelLookup& m_catalogue;
    QDateTime m_commonStart;
    quint16 m_tickMs = 0;
    QStringList m_codes;
    QStringList m_titles;
    ComputedChannels m_computed;
    int m_loggedCodes = 0; // codes before the computed ones
    std::vector<std::unique_ptr<Protocol>> m_protocols;
    std::vector<int> m_rowBase; // global row of each protocol's record 0
    int m_rowCount = 0;
    std::array<double, 256> m_divisor{};
    std::array<int, 256> m_rate{};
    std::vector<AssembledChannel> m_channels;
    std::vector<int> m_timeOrder;
    bool m_built = false;
};
