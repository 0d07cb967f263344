#include "reports/timerangetable.h"

#include "reports/cellvalues.h"

#include <limits>

namespace {
// Times compared as the day counts that the table's texts spell, so that no
// time zone comes between the text and its limit.
double limit(const QDateTime& dateTime, double open)
{
    return dateTime.isValid() ? cellvalues::serial(dateTime) : open;
}
} // namespace

TimeRangeReportTable::TimeRangeReportTable(const ReportTable& table, const QDateTime& from,
                                           const QDateTime& to)
    : m_table(table)
{
    m_whole = !from.isValid() && !to.isValid();
    if (m_whole)
        return;
    const int rows = table.rowCount();
    const double first = limit(from, -std::numeric_limits<double>::infinity());
    const double last = limit(to, std::numeric_limits<double>::infinity());
    // A millisecond is far above the rounding of a day count.
    const double tolerance = 1e-4 / 86400;
    m_rows.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        double time = 0;
        if (cellvalues::dateTime(table.text(row, 1), time) && time >= first - tolerance &&
            time <= last + tolerance)
            m_rows.push_back(row);
    }
}
