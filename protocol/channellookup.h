#pragma once

#include <QString>
#include <QVector>

// The questions the table, the charts and the palette put to the channel
// catalogue, behind an interface so that they can be answered without a log
// definition.
class ChannelLookup
{
public:
    virtual ~ChannelLookup() = default;

    virtual QString channelName(const QString& code) const = 0;
    virtual int rateById(int id) const = 0;
    virtual int rateByCode(const QString& code) const = 0;
    virtual bool hasRefs(const QString& code) const = 0;
    virtual QString refText(const QString& code, int raw) const = 0;
    virtual QString codeByTitle(const QString& title) const = 0;

    // The catalogue of the process-wide StreamLoger.
    static const ChannelLookup& streamLoger();

    // Channels the program adds to the catalogue's (those computed by
    // formula): streamLoger() answers for them as for its own, with their
    // decimals as RATE and no value texts.
    struct AddedChannel
    {
        QString code;
        QString name; // empty: the title shows the code twice
        int rate = 0;
    };
    static void setAddedChannels(const QVector<AddedChannel>& channels);
};
