#pragma once

#include <QColor>
#include <QHash>
#include <QObject>
#include <QString>

class ChannelLookup;

// The lasting colour of every channel code. A code seen for the first time
// takes the next colour of a fixed palette of twenty-four, kept apart on the
// screen and in print (see chartcolor.cpp); colours chosen by the user
// replace it, and stored colours stay as they were stored. All colours are kept in "settings.conf"
// (see settingsfile.h): read on construction, written on destruction.
class ChartColor : public QObject
{
    Q_OBJECT
public:
    // Channel titles are resolved through StreamLoger's catalogue.
    explicit ChartColor(QObject* parent = nullptr);
    explicit ChartColor(const ChannelLookup& catalogue, QObject* parent = nullptr);
    ~ChartColor() override;
    Q_DISABLE_COPY_MOVE(ChartColor)

    QColor color(const QString& code);
    // `name` is a chart channel's title "name (code)"; a title without a code
    // in the catalogue changes nothing.
    void setColor(const QString& name, const QColor& color);

    void load();
    void save() const;
    // Whether destruction writes the colours (runs from a script leave no file).
    void setSaveOnExit(bool on) { m_saveOnExit = on; }

private:
    const ChannelLookup& m_catalogue;
    QHash<QString, QColor> m_colors;
    bool m_saveOnExit = true;
};
