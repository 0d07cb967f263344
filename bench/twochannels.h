#pragma once

#include "protocol/channellookup.h"

// The catalogue of the benches over U1 (ID 1, 0.1 V) and I1 (ID 2, 0.01 A).
class TwoChannels : public ChannelLookup
{
public:
    QString channelName(const QString& code) const override { return code; }
    int rateById(int id) const override { return id == 1 ? 1 : 2; }
    int rateByCode(const QString& code) const override { return code == "U1" ? 1 : 2; }
    bool hasRefs(const QString&) const override { return false; }
    QString refText(const QString&, int) const override { return QString(); }
    QString codeByTitle(const QString&) const override { return QString(); }
};
