#include "protocol/channellookup.h"

#include "protocol/streamloger.h"

namespace {

class StreamLogerLookup : public ChannelLookup
{
public:
    QString channelName(const QString& code) const override
    {
        return StreamLoger::instance()->channelName(code);
    }
    int rateById(int id) const override { return StreamLoger::instance()->rateById(id); }
    int rateByCode(const QString& code) const override
    {
        return StreamLoger::instance()->rateByCode(code);
    }
    bool hasRefs(const QString& code) const override
    {
        return StreamLoger::instance()->hasRefs(code);
    }
    QString refText(const QString& code, int raw) const override
    {
        return StreamLoger::instance()->refText(code, raw);
    }
    QString codeByTitle(const QString& title) const override
    {
        return StreamLoger::instance()->codeByTitle(title);
    }
};

} // namespace

const ChannelLookup& ChannelLookup::streamLoger()
{
    static const StreamLogerLookup catalogue;
    return catalogue;
}
