#pragma once

#include "table/range.h"

#include <QColor>
#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVector>

// What the user looks at, shared by every chart, the table and the
// parameters panel: which channels are shown and in what colour, where the
// time axis stands and how far it reaches, the value line and the reference
// cursor, and the table's filter. Widgets show it and send the user's
// changes here; each change is one call and one signal, sent only when the
// value really changes, so a widget that sets what it shows hears no echo
// of its own change.
class ViewState : public QObject
{
    Q_OBJECT
public:
    explicit ViewState(QObject* parent = nullptr);

    // getters:
    bool isChannelShown(const QString& title) const { return !m_hidden.contains(title); }
    // The colour chosen for the title; invalid when none was.
    QColor channelColor(const QString& title) const { return m_colors.value(title); }
    // The titles hidden and the colours chosen, for a project to keep.
    QStringList hiddenChannels() const;
    const QMap<QString, QColor>& channelColors() const { return m_colors; }
    double position() const { return m_position; }
    double zoom() const { return m_zoom; }
    qint64 line() const { return m_line; }
    bool hasReference() const { return m_hasReference; }
    qint64 reference() const { return m_reference; }
    // While the filter is on, the table shows the rows in the time window
    // whose filtered channels lie in their value ranges (TableFilter).
    bool isFilterOn() const { return m_filterOn; }
    QDateTime timeFrom() const { return m_timeFrom; }
    QDateTime timeTo() const { return m_timeTo; }
    const QVector<Range>& valueRanges() const { return m_ranges; }

    // setters:
    void setChannelShown(const QString& title, bool shown);
    void setChannelColor(const QString& title, const QColor& color);
    // Whole ticks, as the charts go from one position to the other.
    void setPosition(double position);
    // The factor on the chart's own span; not above zero is refused.
    void setZoom(double zoom);
    void setLine(qint64 tick);
    void setReference(qint64 tick);
    void clearReference();
    void setFilter(bool on, const QDateTime& from, const QDateTime& to);
    void setValueRanges(const QVector<Range>& ranges);
    // A new load: every channel shown, the view at its start, no reference,
    // no filter. Colours stay, they belong to the channel codes.
    void reset(double position, qint64 line);

signals:
    void channelShownChanged(const QString& title, bool shown);
    void channelColorChanged(const QString& title, const QColor& color);
    void positionChanged(double position);
    void zoomChanged(double zoom);
    void lineChanged(qint64 tick);
    // With or without a reference cursor, or the cursor moved.
    void referenceChanged();
    void filterChanged();
    // After reset(): everything may differ.
    void viewReset();

private:
    QSet<QString> m_hidden;
    QMap<QString, QColor> m_colors;
    double m_position = 0;
    double m_zoom = 1.0;
    qint64 m_line = 0;
    bool m_hasReference = false;
    qint64 m_reference = 0;
    bool m_filterOn = false;
    QDateTime m_timeFrom;
    QDateTime m_timeTo;
    QVector<Range> m_ranges;
};
