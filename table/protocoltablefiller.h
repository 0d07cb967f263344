#pragma once

#include <functional>

class ProtocolAssembly;
class QTableWidget;

// Fills the protocol table from a built assembly. Every row goes straight to
// its place in time order, so the final sort by the time column finds the rows
// in order and only switches sorting on.
//
// Columns 0 (bookmark) and 1 ("Дата") keep their header items; the channel
// columns follow from column 2.
class ProtocolTableFiller
{
public:
    struct Hooks
    {
        // Before each row of a protocol, with its record index: progress, and
        // the caller's event processing every 1000 rows.
        std::function<void(int record)> beforeRow;
        // Asked before the first row of a protocol and after every row but the
        // last; true stops filling.
        std::function<bool()> cancelled;
    };

    ProtocolTableFiller(QTableWidget& table, const ProtocolAssembly& assembly);

    // Switches sorting off, sets the channel columns and header labels and
    // makes room for every row of the assembly.
    void setupColumns();
    // Adds the rows of one protocol; false when cancelled.
    bool fillProtocol(int protocol, const Hooks& hooks = Hooks());
    // Switches sorting on, ascending by the time column, in one sort.
    void sortByTime();

private:
    QTableWidget& m_table;
    const ProtocolAssembly& m_assembly;
};
