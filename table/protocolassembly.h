#pragma once

#include "chart/channelseries.h"
#include "protocol/streamloger.h"
#include "table/timetextformatter.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

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
    int protocol = 0;                // index among the added protocols
    int column = 0;                  // table column of the code
    ChannelSeries* series = nullptr; // owned by the assembly until takeSeries()
    double minimum = 0;
    double maximum = 0;
};

// Merges the protocols of one read onto one time base: the channel columns,
// the rows in time order, the cell texts, one series per channel and file and
// the value ranges of the chart channels. It knows no widgets; the table and
// the charts are filled from it.
//
// Use: addProtocol() per file in read order, build(), then read rows, cells and
// channels. Cell texts are made on request, so that a table of a hundred
// thousand rows does not exist twice.
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

    // StreamLoger's catalogue; the common start is searched from the current time.
    ProtocolAssembly();
    // `now` bounds the common start: a start after it is not taken.
    explicit ProtocolAssembly(const ChannelLookup& catalogue,
                              const QDateTime& now = QDateTime::currentDateTime());
    ~ProtocolAssembly();
    Q_DISABLE_COPY_MOVE(ProtocolAssembly)

    // Reading phase.
    AddResult addProtocol(const QDateTime& start, quint16 tickMs, ChannelRecords records);
    int protocolCount() const { return int(m_protocols.size()); }
    const QStringList& codes() const { return m_codes; }
    const QStringList& titles() const { return m_titles; }
    QDateTime commonStart() const { return m_commonStart; }
    quint16 tickMs() const { return m_tickMs; }

    // Series, ranges and row order. `proceed` is asked before each protocol;
    // when it answers false everything built is dropped and build() fails.
    bool build(const std::function<bool(int protocol)>& proceed = {});
    bool isBuilt() const { return m_built; }

    // Rows: one per record index of a protocol's first channel.
    int rowCount() const { return int(m_order.size()); }
    int recordCount(int protocol) const;
    qint32 offset(int protocol) const;
    // Position of a row in time order (stable: protocol order, then record order).
    int tableRow(int protocol, int record) const;
    RowRef rowAt(int tableRow) const { return m_order[size_t(tableRow)]; }
    qint32 globalTick(int protocol, int record) const;
    qint64 msecsSinceEpoch(int protocol, int record) const;
    QDateTime dateTime(int protocol, int record) const;
    QString timeText(int protocol, int record) const;

    // Cells of a row: the protocol's channels in ascending code order.
    int channelCount(int protocol) const;
    int column(int protocol, int channel) const;
    // False when the row has no cell for that channel.
    bool cell(int protocol, int channel, int record, Cell& cell) const;

    // Chart channels: protocol order, then ascending code; ranges already joined
    // across protocols per title.
    const std::vector<AssembledChannel>& channels() const { return m_channels; }
    // Hands the series over; the channels keep pointing at them.
    std::vector<std::unique_ptr<ChannelSeries>> takeSeries();

    static QString numberText(double value);

private:
    struct Protocol;

    const Protocol& protocol(int index) const { return *m_protocols[size_t(index)]; }
    void buildProtocol(int index);
    void joinRanges();
    void buildOrder();
    void clearBuild();

    const ChannelLookup& m_catalogue;
    QDateTime m_commonStart;
    quint16 m_tickMs = 0;
    QStringList m_codes;
    QStringList m_titles;
    std::vector<std::unique_ptr<Protocol>> m_protocols;
    std::array<double, 256> m_divisor{};
    std::vector<AssembledChannel> m_channels;
    std::vector<std::unique_ptr<ChannelSeries>> m_series;
    std::vector<RowRef> m_order;
    bool m_built = false;
};
