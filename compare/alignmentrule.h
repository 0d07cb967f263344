#pragma once

#include <QString>

// Where a compared protocol's zero lies: at its first record, at one of its
// bookmarks, or at the first record where a condition over its channels
// holds (a formula as for computed channels, true when not 0).
struct AlignmentRule
{
    enum class Kind { Start, Bookmark, Condition };

    Kind kind = Kind::Start;
    QString text; // the bookmark's note, or the condition

    // "start", "bookmark:TEXT" or "when:EXPR", as the command line takes it;
    // false for anything else (an empty text included).
    static bool parse(const QString& option, AlignmentRule& rule);
    QString option() const;

    bool operator==(const AlignmentRule& other) const
    {
        return kind == other.kind && text == other.text;
    }
};
