#include "table/tablefilter.h"

TableFilter::TableFilter(const QVector<Range>& ranges, const QStringList& headers, bool active,
                         const QDateTime& from, const QDateTime& to)
    : m_ranges(ranges), m_columns(ranges.size(), 0), m_active(active),
      m_from(from.toMSecsSinceEpoch()), m_to(to.toMSecsSinceEpoch())
{
    for (int k = 0; k < m_ranges.size(); ++k) {
        for (int column = 0; column < headers.size(); ++column) {
            if (!headers[column].isNull() && headers[column] == m_ranges[k].name) {
                m_columns[k] = column;
                break;
            }
        }
    }
}
