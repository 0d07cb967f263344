#pragma once

#include <QSize>
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
    QString pngFile; // the common chart as a picture of pngSize
    QSize pngSize{1600, 900};
    bool help = false;
    QString error; // English, set when a report option lacks its file name or a size is bad

    bool batch() const
    {
        return !xlsxFile.isEmpty() || !pdfFile.isEmpty() || !csvFile.isEmpty() ||
               !pngFile.isEmpty();
    }
};

// Scans the arguments after the program name. Options are matched
// case-insensitively and each but "--help" consumes the next argument.
// "--size" takes WIDTHxHEIGHT, each from 16 to 16384.
// "-d" or "-l" given last has no value and is ignored; a report option
// given last sets the error. Anything else is skipped.
StartupOptions parseCommandLine(const QList<QByteArray>& arguments);

// The option list that "--help" prints.
QString commandLineHelp();
