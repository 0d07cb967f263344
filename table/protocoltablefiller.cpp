#include "table/protocoltablefiller.h"

#include "table/doubletablewidgetitem.h"
#include "table/protocolassembly.h"
#include "table/timetablewidgetitem.h"

#include <QHeaderView>
#include <QTableWidget>

namespace {
constexpr int timeColumn = 1;
}

ProtocolTableFiller::ProtocolTableFiller(QTableWidget& table, const ProtocolAssembly& assembly)
    : m_table(table), m_assembly(assembly)
{
}

void ProtocolTableFiller::setupColumns()
{
    m_table.setSortingEnabled(false);
    QStringList labels;
    for (int column = 0; column < ProtocolAssembly::firstChannelColumn; ++column) {
        const QTableWidgetItem* header = m_table.horizontalHeaderItem(column);
        labels.append(header ? header->text() : QString());
    }
    labels.append(m_assembly.titles());
    m_table.setColumnCount(labels.size());
    m_table.setHorizontalHeaderLabels(labels);
    m_table.setRowCount(m_assembly.rowCount());
}

bool ProtocolTableFiller::fillProtocol(int protocol, const Hooks& hooks)
{
    const int records = m_assembly.recordCount(protocol);
    const int channels = m_assembly.channelCount(protocol);
    if (records > 0 && hooks.cancelled && hooks.cancelled())
        return false;
    ProtocolAssembly::Cell cell;
    for (int j = 0; j < records; ++j) {
        if (hooks.beforeRow)
            hooks.beforeRow(j);
        const int row = m_assembly.tableRow(protocol, j);
        m_table.setItem(row, timeColumn,
                        new TimeTableWidgetItem(m_assembly.timeText(protocol, j),
                                                m_assembly.msecsSinceEpoch(protocol, j),
                                                m_assembly.globalTick(protocol, j)));
        for (int c = 0; c < channels; ++c) {
            if (!m_assembly.cell(protocol, c, j, cell))
                continue;
            QTableWidgetItem* item = cell.isText ? new QTableWidgetItem(cell.text)
                                                 : new DoubleTableWidgetItem(cell.text);
            m_table.setItem(row, m_assembly.column(protocol, c), item);
        }
        if (j + 1 < records && hooks.cancelled && hooks.cancelled())
            return false;
    }
    return true;
}

void ProtocolTableFiller::sortByTime()
{
    // With sorting off the indicator change sorts nothing; switching sorting on
    // then sorts once by it.
    m_table.setSortingEnabled(false);
    m_table.horizontalHeader()->setSortIndicator(timeColumn, Qt::AscendingOrder);
    m_table.setSortingEnabled(true);
}
