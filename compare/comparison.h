#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class ProtocolAssembly;

// Protocols of different runs side by side: each keeps its own time base and
// tick length, and its records sit on one relative axis, the milliseconds
// since the protocol's zero. The zero is the instant its alignment found
// (the anchor) moved by the user's shift: a record at anchor + d - shift
// lies at d.
//
// The rows are the merged relative times: one row per instant at which any
// protocol has a record, shared by the protocols that have one there. A
// protocol with two records at one instant gives two rows.
//
// Use: addProtocol() per file, setAnchor()/setShift(), buildRows(), then
// read rows, columns and differences. Changing an anchor or a shift needs
// buildRows() again.
class Comparison
{
public:
    static constexpr int maxProtocols = 8;

    // One channel of one protocol as a column: columns go by code, logged
    // codes ascending and computed ones after them, then by protocol; a
    // protocol without the code has no column.
    struct Column
    {
        QString code;
        int protocol = 0;
        int channel = 0; // index among the protocol's channels
    };

    Comparison();
    ~Comparison();
    Q_DISABLE_COPY_MOVE(Comparison)

    // A built assembly of one protocol; its anchor starts at its first record.
    void addProtocol(std::unique_ptr<ProtocolAssembly> assembly);
    int protocolCount() const { return int(m_members.size()); }
    const ProtocolAssembly& assembly(int protocol) const;

    qint64 anchor(int protocol) const;
    void setAnchor(int protocol, qint64 msecs);
    qint64 shift(int protocol) const;
    void setShift(int protocol, qint64 msecs);
    // The instant shown at 0 on the relative axis.
    qint64 zero(int protocol) const { return anchor(protocol) - shift(protocol); }
    qint64 relativeTime(int protocol, int record) const;

    // "11.03.2024 08:00", the local start of the protocol, naming it in
    // legends ("U1 · 11.03.2024 08:00").
    QString label(int protocol) const;

    void buildRows();
    int rowCount() const { return int(m_rowTimes.size()); }
    qint64 rowTime(int row) const { return m_rowTimes[size_t(row)]; }
    // The protocol's record in the row, -1 where it has none.
    int record(int row, int protocol) const;
    // The row of each of the protocol's records, in the assembly's time
    // order (timeOrder()): ascending, so that a walk over the rows finds
    // each protocol's records without a search per row.
    const std::vector<int>& rowsOfRecords(int protocol) const;

    const std::vector<Column>& columns() const { return m_columns; }
    QString columnTitle(int column) const; // "U1 [2]"
    // The codes of the columns, each once, in column order.
    QStringList codes() const;
    // Index among the protocol's channels of a code, -1 where it has none.
    int channelOf(int protocol, const QString& code) const;

    // Protocol k's value of the code in the row minus protocol 0's at the
    // same relative time. Protocol 0's value holds for one of its ticks
    // after its record: a protocol of a longer tick has a value between its
    // records, none across a gap. False where either has none. `decimals`
    // gets those of the finer of the two values (230.5 − 229.75 shows 0.75).
    bool difference(const QString& code, int protocol, int row, double& value,
                    int* decimals = nullptr) const;
    // The same value read from the columns, without the cell texts: for
    // sorts and filters over every row.
    bool differenceValue(const QString& code, int protocol, int row, double& value) const;
    // "U1 [2−1]"
    static QString differenceTitle(const QString& code, int protocol);

    // The number a cell of a (one-protocol) assembly shows; false where it
    // has no cell or shows a text.
    static bool numberOf(const ProtocolAssembly& assembly, int channel, int record, double& value);

private:
    struct Member;

    const Member& member(int protocol) const { return *m_members[size_t(protocol)]; }
    void buildColumns();
    // The protocol's record holding at a relative time: the last at or
    // before it, when less than a tick before; -1 for none.
    int recordAt(int protocol, qint64 time) const;
    // The channels and records a difference in the row reads; false where
    // either protocol has none.
    bool differenceCells(const QString& code, int protocol, int row, int& channel, int& own,
                         int& base, int& baseRecord) const;

    std::vector<std::unique_ptr<Member>> m_members;
    std::vector<qint64> m_rowTimes;
    std::vector<Column> m_columns;
};
