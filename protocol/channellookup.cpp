#include "protocol/channellookup.h"

#include "protocol/streamloger.h"

namespace {

class StreamLogerLookup : public ChannelLookup
{
public:
    QString channelName(const QString& code) const override
    {
        if (const AddedChannel* added = find(code))
            return added->name.isEmpty() ? added->code : added->name;
        return StreamLoger::instance()->channelName(code);
    }
    int rateById(int id) const override { return StreamLoger::instance()->rateById(id); }
    int rateByCode(const QString& code) const override
    {
        if (const AddedChannel* added = find(code))
            return added->rate;
        return StreamLoger::instance()->rateByCode(code);
    }
    bool hasRefs(const QString& code) const override
    {
        return !find(code) && StreamLoger::instance()->hasRefs(code);
    }
    QString refText(const QString& code, int raw) const override
    {
        return find(code) ? QString() : StreamLoger::instance()->refText(code, raw);
    }
    QString codeByTitle(const QString& title) const override
    {
        for (const AddedChannel& added : addedChannels) {
            if (QStringLiteral("%1 (%2)").arg(channelName(added.code), added.code) == title)
                return added.code;
        }
        return StreamLoger::instance()->codeByTitle(title);
    }

    QVector<AddedChannel> addedChannels;

private:
    const AddedChannel* find(const QString& code) const
    {
        for (const AddedChannel& added : addedChannels) {
            if (added.code == code)
                return &added;
        }
        return nullptr;
    }
};

StreamLogerLookup& streamLogerLookup()
{
    static StreamLogerLookup catalogue;
    return catalogue;
}

} // namespace

const ChannelLookup& ChannelLookup::streamLoger()
{
    return streamLogerLookup();
}

void ChannelLookup::setAddedChannels(const QVector<AddedChannel>& channels)
{
    streamLogerLookup().addedChannels = channels;
}
