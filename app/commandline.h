#pragma once

#include <QStringList>

// What the command line asks for at start-up.
struct StartupOptions
{
    QString directory; // empty: keep the default protocol directory
    QStringList files; // protocols to read at start, in order

    // Reports to write without a window; any of them makes the run a batch run.
    QString xlsxFile;
    QString pdfFile;
    QString csvFile;
    bool help = false;
    QString error; // English, set when a report option lacks its file name

    bool batch() const { return !xlsxFile.isEmpty() || !pdfFile.isEmpty() || !csvFile.isEmpty(); }
};

// Scans the arguments after the program name. Options are matched
// case-insensitively and each but "--help" consumes the next argument.
// "-d" or "-l" given last has no value and is ignored; a report option
// given last, or followed by another option, sets the error. Anything else
// is skipped.
StartupOptions parseCommandLine(const QList<QByteArray>& arguments);

// The start-up files with each relative name that names a file in the
// working directory made absolute; the others are left for the protocol
// directory.
QStringList resolveStartupFiles(const QStringList& files);

// The option list that "--help" prints.
QString commandLineHelp();
