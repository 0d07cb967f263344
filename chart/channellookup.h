#pragma once

#include <QString>

namespace chart {

// What the protocol chart asks the channel catalogue: the code behind a
// channel title and the texts of enumerated (state) values.
class ChannelLookup
{
public:
    virtual ~ChannelLookup() = default;
    virtual QString codeByTitle(const QString& title) const = 0;
    virtual bool hasRefs(const QString& code) const = 0;
    virtual QString refText(const QString& code, int raw) const = 0;
};

// The process-wide catalogue of StreamLoger.
class StreamLogerLookup : public ChannelLookup
{
public:
    QString codeByTitle(const QString& title) const override;
    bool hasRefs(const QString& code) const override;
    QString refText(const QString& code, int raw) const override;

    static const StreamLogerLookup& instance();
};

} // namespace chart
