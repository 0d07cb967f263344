#include "table/channelcatalogue.h"

#include "protocol/streamloger.h"

namespace {

class StreamLogerCatalogue : public ChannelCatalogue
{
public:
    QString channelName(const QString& code) const override
    {
        return StreamLoger::instance()->channelName(code);
    }
    int rateById(int id) const override { return StreamLoger::instance()->rateById(id); }
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

const ChannelCatalogue& ChannelCatalogue::streamLoger()
{
    static const StreamLogerCatalogue catalogue;
    return catalogue;
}
