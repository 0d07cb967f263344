#pragma once

#include <QDateTime>
#include <QString>

// Writes the time text of table rows, "dd/MM/yyyy hh:mm:ss.zzz" of start + msecs.
// A time-zone lookup per row would cost more than the rest of the row, so the
// UTC offset is looked up once per hour of rows; hours in which the offset
// changes, and hours whose first row does not come out as QDateTime writes it,
// go through QDateTime row by row.
class TimeTextFormatter
{
public:
    explicit TimeTextFormatter(const QDateTime& start = QDateTime());

    QString text(qint64 msecs) const;
    QDateTime dateTime(qint64 msecs) const { return m_start.addMSecs(msecs); }

    static QString format() { return QStringLiteral("dd/MM/yyyy hh:mm:ss.zzz"); }
    // Reads a text of that shape back into its fields; false for any other
    // shape. The fields may still be invalid (31/02, 25:00).
    static bool fields(const QString& text, QDate& date, QTime& time);

private:
    void prepareHour(qint64 hour, qint64 msecs) const;
    QString slowText(qint64 msecs) const;

    QDateTime m_start;
    qint64 m_startEpoch = 0;
    mutable qint64 m_hour = 0;
    mutable bool m_hourKnown = false;
    mutable bool m_fast = false;
    mutable qint64 m_offsetMs = 0;
};
