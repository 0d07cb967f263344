#pragma once

#include <QStringList>

// What the command line asks for at start-up.
struct StartupOptions
{
    QString directory;  // empty: keep the default protocol directory
    QStringList files;  // protocols to read at start, in order
};

// Scans the arguments after the program name. "-d" and "-l" are matched
// case-insensitively, each consumes the next argument; an option given last
// has no value and is ignored, anything else is skipped.
StartupOptions parseCommandLine(const QList<QByteArray>& arguments);
