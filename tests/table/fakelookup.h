#pragma once

#include "protocol/channellookup.h"

#include <QHash>
#include <QMap>

// A catalogue filled by the test: names and RATEs by code/ID, REFS by code.
class FakeLookup : public ChannelLookup
{
public:
    void addChannel(const QString& code, int id, const QString& name, int rate = 0)
    {
        names.insert(code, name);
        rates.insert(id, rate);
        codeRates.insert(code, rate);
    }
    void addRef(const QString& code, int raw, const QString& text) { refs[code].insert(raw, text); }

    QString channelName(const QString& code) const override { return names.value(code); }
    int rateById(int id) const override { return rates.value(id, 0); }
    int rateByCode(const QString& code) const override { return codeRates.value(code, 0); }
    bool hasRefs(const QString& code) const override { return refs.contains(code); }
    QString refText(const QString& code, int raw) const override
    {
        return refs.value(code).value(raw);
    }
    QString codeByTitle(const QString& title) const override
    {
        for (auto it = names.cbegin(); it != names.cend(); ++it) {
            if (QStringLiteral("%1 (%2)").arg(it.value(), it.key()) == title)
                return it.key();
        }
        return QString();
    }

    QHash<QString, QString> names;
    QHash<int, int> rates;
    QHash<QString, int> codeRates;
    QHash<QString, QMap<int, QString>> refs;
};
