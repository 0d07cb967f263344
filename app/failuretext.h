#pragma once

#include <QString>

#include <functional>

// What the user is told when a file operation fails. The data classes report
// failures in English ("Cannot write /a/b.xlsx: No space left on device"),
// which scripts read on standard error; the window says the same in Russian.
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

} // namespace failuretext
