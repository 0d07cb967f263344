#include "workspace/channelcolumns.h"

ChannelColumnsTable::ChannelColumnsTable(const ReportTable& table, const QStringList& channels)
    : m_table(table), m_all(channels.isEmpty())
{
    if (m_all)
        return;
    // Bookmark and time columns always; channels in the table's order.
    constexpr int kFirstChannelColumn = 2;
    for (int column = 0; column < table.columnCount(); ++column) {
        const QString header = table.headerText(column);
        if (column < kFirstChannelColumn || channels.contains(header) ||
            channels.contains(codeOf(header)))
            m_columns.push_back(column);
    }
}

QString ChannelColumnsTable::codeOf(const QString& header)
{
    const int open = header.lastIndexOf(QLatin1Char('('));
    if (open < 0 || !header.endsWith(QLatin1Char(')')))
        return header;
    return header.mid(open + 1, header.size() - open - 2);
}
