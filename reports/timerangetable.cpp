#include "reports/timerangetable.h"

#include "table/decimaldigits.h"
#include "table/localclock.h"

namespace {
// "dd/MM/yyyy hh:mm:ss.zzz" as local time.
bool textInstant(const QString& text, qint64& msecs)
{
    if (text.size() != 23 || text.at(2) != QLatin1Char('/') || text.at(5) != QLatin1Char('/') ||
        text.at(10) != QLatin1Char(' ') || text.at(13) != QLatin1Char(':') ||
        text.at(16) != QLatin1Char(':') || text.at(19) != QLatin1Char('.'))
        return false;
    const QDate date(decimalDigits(text, 6, 4), decimalDigits(text, 3, 2),
                     decimalDigits(text, 0, 2));
    const QTime time(decimalDigits(text, 11, 2), decimalDigits(text, 14, 2),
                     decimalDigits(text, 17, 2), decimalDigits(text, 20, 3));
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
