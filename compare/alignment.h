#pragma once

#include "table/bookmarkfile.h"

#include <QString>
#include <QVector>

class ProtocolAssembly;

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

// The bookmark a rule's text names among a protocol's: the first whose note
// is the text (case and surrounding blanks aside), else the first whose note
// holds it; -1 for none.
int findBookmark(const QVector<Bookmark>& bookmarks, const QString& text);

// The instant (ms since the epoch) where the rule puts the zero of protocol
// `protocol` of the assembly; false with the reason in Russian (naming the
// bookmark or the condition, not the file: the caller knows which it is).
bool alignmentInstant(const ProtocolAssembly& assembly, int protocol, const AlignmentRule& rule,
                      const QVector<Bookmark>& bookmarks, qint64& msecs, QString& error);
