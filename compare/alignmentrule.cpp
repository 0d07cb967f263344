#include "compare/alignmentrule.h"

namespace {

const QString startWord = QStringLiteral("start");
const QString bookmarkPrefix = QStringLiteral("bookmark:");
const QString conditionPrefix = QStringLiteral("when:");

} // namespace

bool AlignmentRule::parse(const QString& option, AlignmentRule& rule)
{
    AlignmentRule parsed;
    if (option.compare(startWord, Qt::CaseInsensitive) == 0) {
        rule = parsed;
        return true;
    }
    if (option.startsWith(bookmarkPrefix, Qt::CaseInsensitive)) {
        parsed.kind = Kind::Bookmark;
        parsed.text = option.mid(bookmarkPrefix.size()).trimmed();
    } else if (option.startsWith(conditionPrefix, Qt::CaseInsensitive)) {
        parsed.kind = Kind::Condition;
        parsed.text = option.mid(conditionPrefix.size()).trimmed();
    } else {
        return false;
    }
    if (parsed.text.isEmpty())
        return false;
    rule = parsed;
    return true;
}

QString AlignmentRule::option() const
{
    switch (kind) {
    case Kind::Start:
        return startWord;
    case Kind::Bookmark:
        return bookmarkPrefix + text;
    case Kind::Condition:
        return conditionPrefix + text;
    }
    return startWord;
}
