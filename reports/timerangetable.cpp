#include "reports/timerangetable.h"

#include "table/timetextformatter.h"
#include "table/localclock.h"

namespace {
// "dd/MM/yyyy hh:mm:ss.zzz" as local time.
bool textInstant(const QString& text, qint64& msecs)
{
    QDate date;
    QTime time;
    if (!TimeTextFormatter::fields(text, date, time))
        return false;
    return localclock::toMSecs(date, time, msecs) == localclock::Result::Instant;
}
} // namespace

TimeRangeReportTable::TimeRangeReportTable(const ReportTable& table, const QDateTime& from,
                                           const QDateTime& to)
    : TimeRangeReportTable(
          table,
          [&table](int row, qint64& msecs) { return textInstant(table.text(row, 1), msecs); }, from,
          to)
{
}

TimeRangeReportTable::TimeRangeReportTable(const ReportTable& table, const RowInstant& instantOf,
                                           const QDateTime& from, const QDateTime& to)
    : m_table(table)
{
    m_whole = !from.isValid() && !to.isValid();
    if (m_whole)
        return;
    const int rows = table.rowCount();
    m_rows.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        qint64 msecs = 0;
        if (instantOf(row, msecs) && holds(msecs, from, to))
            m_rows.push_back(row);
    }
}
