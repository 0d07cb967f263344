#pragma once

#include <QString>

// Where "settings.conf" (chart colours and the channel palette) is read and
// written. A "settings.conf" in the working directory wins, so set-ups that
// keep one beside their protocols keep their colours; otherwise the file lives
// in the user's configuration folder, the same whatever folder the program
// was started from. Decided anew on every call, so a file put in the working
// directory is taken from then on.
QString settingsFilePath();
