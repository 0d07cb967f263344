#pragma once

#include "compare/alignmentrule.h"
#include "table/bookmarkfile.h"

#include <QString>
#include <QVector>

class ProtocolAssembly;

// The bookmark a rule's text names among a protocol's: the first whose note
// is the text (case and surrounding blanks aside), else the first whose note
// holds it; -1 for none.
int findBookmark(const QVector<Bookmark>& bookmarks, const QString& text);

// The instant (ms since the epoch) where the rule puts the zero of protocol
// `protocol` of the assembly; false with the reason in Russian (naming the
// bookmark or the condition, not the file: the caller knows which it is).
bool alignmentInstant(const ProtocolAssembly& assembly, int protocol, const AlignmentRule& rule,
                      const QVector<Bookmark>& bookmarks, qint64& msecs, QString& error);
