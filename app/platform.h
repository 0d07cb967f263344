#pragma once

#include <QString>

#include <functional>

namespace platform {

// "major.minor" of this program: the executable's version record on Windows,
// the build's project version elsewhere. Empty when Windows has no record.
QString programVersion();

// Opens a file in the program the desktop associates with it, through the
// desktop's file opener (never a command line that could read the name as
// commands). False when no opener took the file. Where the opener runs on
// its own and finds no program only later ("no method available"), failed
// is called then, on the GUI thread. Tests replace the opener so that no
// viewer is ever started.
using OpenFailed = std::function<void()>;
using FileOpener = std::function<bool(const QString& path, const OpenFailed& failed)>;
bool openFile(const QString& path, const OpenFailed& failed = OpenFailed());
// nullptr: no opener at all.
void setFileOpener(FileOpener opener);

} // namespace platform
