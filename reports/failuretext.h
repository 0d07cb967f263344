#pragma once

#include "protocol/readproblem.h"

#include <QString>

#include <functional>

// What the user is told when a file operation fails. The data classes report
// failures in English ("Cannot write /a/b.xlsx: No space left on device");
// the window and the batch run's standard error say the same in Russian.
namespace failuretext {

// The folder a failed write went to, for failures whose cause the system
// did not name ("Unknown error", a short write).
struct FolderState
{
    bool exists = true;
    bool readOnly = false; // the file system is mounted read-only
    bool writable = true;  // the user may create files in it
    qint64 bytesFree = -1; // -1: unknown
};
using FolderProbe = std::function<FolderState(const QString& folder)>;

// The folder as the file system sees it now.
FolderState probeFolder(const QString& folder);

// The cause alone, in Russian, starting in lower case ("на диске нет места").
// Texts the system gave in Russian are kept; a cause that is not known is
// named as unknown with the original text beside it.
// A text in another form than "Cannot <verb> <file>" is explained by the
// folder of target, where given, when its words are not known.
QString russianCause(const QString& englishError, const FolderProbe& probe = probeFolder,
                     const QString& target = QString());

// The whole failure ("не удалось записать файл /a/b.xlsx: на диске нет места").
QString russianFailure(const QString& englishError, const FolderProbe& probe = probeFolder);

// A message of the program's own ("Файл /a/computed.def не сохранен: No
// space left on device") whose cause, after its last ": ", the system gave in
// English: the same with the cause in Russian, diagnosed by the folder of a
// failed write as above. A file that is a link leading nowhere is named so.
QString withRussianCause(const QString& text, const QString& file, bool writing,
                         const FolderProbe& probe = probeFolder);

// "<file>: <reason>" of a protocol left out of a read, or read in part.
QString readProblemText(const ReadProblem& problem);

// "не удалось записать файл <file>: <cause>" of a report that was not written;
// error is the writer's own text.
QString reportFailure(const QString& fileName, const QString& error,
                      const FolderProbe& probe = probeFolder);

} // namespace failuretext
