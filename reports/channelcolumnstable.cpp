#include "reports/channelcolumnstable.h"

ChannelColumnsReportTable::ChannelColumnsReportTable(const ReportTable& table,
                                                     std::vector<int> columns)
    : m_table(table), m_columns(std::move(columns))
{
}
