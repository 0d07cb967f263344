#include "protocol/channellookup.h"

#include "protocol/streamloger.h"

#include <QHash>

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
        const auto found = codeOfTitle.constFind(title);
        return found != codeOfTitle.cend() ? found.value()
                                           : StreamLoger::instance()->codeByTitle(title);
    }

    // Looked up by code and by title, so that a thousand of them cost no
    // pass over the list per question.
    void setAdded(const QVector<AddedChannel>& channels)
    {
        addedChannels = channels;
        indexOfCode.clear();
        codeOfTitle.clear();
        for (int i = 0; i < channels.size(); ++i) {
            const AddedChannel& added = channels.at(i);
            if (indexOfCode.contains(added.code))
                continue;
            indexOfCode.insert(added.code, i);
            const QString name = added.name.isEmpty() ? added.code : added.name;
            codeOfTitle.insert(QStringLiteral("%1 (%2)").arg(name, added.code), added.code);
        }
    }

private:
    const AddedChannel* find(const QString& code) const
    {
        const auto found = indexOfCode.constFind(code);
        return found != indexOfCode.cend() ? &addedChannels.at(found.value()) : nullptr;
    }

    QVector<AddedChannel> addedChannels;
    QHash<QString, int> indexOfCode;
    QHash<QString, QString> codeOfTitle;
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
    streamLogerLookup().setAdded(channels);
}
