#include "chart/channellookup.h"

#include "protocol/streamloger.h"

namespace chart {

QString StreamLogerLookup::codeByTitle(const QString& title) const
{
    return StreamLoger::instance()->codeByTitle(title);
}

bool StreamLogerLookup::hasRefs(const QString& code) const
{
    return StreamLoger::instance()->hasRefs(code);
}

QString StreamLogerLookup::refText(const QString& code, int raw) const
{
    return StreamLoger::instance()->refText(code, raw);
}

const StreamLogerLookup& StreamLogerLookup::instance()
{
    static const StreamLogerLookup lookup;
    return lookup;
}

} // namespace chart
