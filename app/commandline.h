#pragma once

#include "reports/chartpicturestyle.h"

#include <QDateTime>
#include <QSize>
#include <QStringList>

// What the command line asks for at start-up.
struct StartupOptions
{
    QString directory; // empty: keep the default protocol directory
    QStringList files; // protocols to read at start, in order
    // A project to open ("-p FILE" or a name ending in .vtproj): its protocols
    // unless -l names others, its channels, range and picture in a batch run.
    QString projectFile;

    // Reports to write without a window; any of them makes the run a batch run.
    QString xlsxFile;
    QString pdfFile;
    QString csvFile;
    QString pngFile; // the common chart as a picture of pngSize
    QSize pngSize{1600, 900};
    // How the picture is drawn: "--layout", "--theme", "--dpi".
    ChartPictureOptions::Layout pngLayout = ChartPictureOptions::Layout::Common;
    ChartPictureOptions::Theme pngTheme = ChartPictureOptions::Theme::Screen;
    int pngDpi = 0;        // 0: none given
    QString bookmarksFile; // the bookmarks of the read protocols as CSV
    QString h5File;        // the data as HDF5
    QString matFile;       // the data as a MATLAB file
    // Codes of the channels for the data files, the CSV and the workbook, in
    // order; empty: all of them.
    QStringList channels;
    // Limits of every report's rows, as instants; invalid: no limit.
    QDateTime from;
    QDateTime to;
    QStringList formulas; // "CODE=EXPR" of computed channels, in order
    // "--compare": the protocols side by side on a relative time axis, each
    // aligned as "--align" says (start, bookmark:TEXT or when:EXPR).
    bool compare = false;
    QString alignment = QStringLiteral("start");
    bool help = false;
    QString error; // set when an option lacks its value or has a bad one
    // Arguments that are neither an option nor an option's value, as given.
    // The toolkit takes its own options out of the command line only once
    // it starts, so the caller decides when these are an error.
    QStringList unknown;

    ChartPictureOptions pictureOptions() const
    {
        ChartPictureOptions picture;
        picture.size = pngSize;
        picture.dpi = pngDpi;
        picture.layout = pngLayout;
        picture.theme = pngTheme;
        return picture;
    }

    bool batch() const
    {
        return !xlsxFile.isEmpty() || !pdfFile.isEmpty() || !csvFile.isEmpty() ||
               !pngFile.isEmpty() || !bookmarksFile.isEmpty() || !h5File.isEmpty() ||
               !matFile.isEmpty();
    }
};

// Scans the arguments after the program name. Options are matched
// case-insensitively and each but "--help" consumes the next argument.
// "--size" takes WIDTHxHEIGHT, each from 16 to 16384 pixels, or
// WIDTHxHEIGHTmm in millimetres, which needs "--dpi" (24 to 2400);
// "--layout" takes common or channels, "--theme" screen or print;
// "--channels" a comma-separated list of codes.
// "-d" or "-l" given last has no value and is ignored; a report or range
// option given last, or followed by another option, sets the error, and so
// does a range limit that is no ISO 8601 date-time, a local time that the
// clocks skip, a "--from" after the "--to", or a limit without a report
// option, or "--size", "--dpi", "--layout" or "--theme" without "--png".
// Anything else is listed in `unknown`. File names are decoded as
// the system encodes them.
StartupOptions parseCommandLine(const QList<QByteArray>& arguments);

// Why the comparison options cannot run, in Russian; empty when they can
// (or no comparison is asked for).
QString comparisonFault(const StartupOptions& options, const QList<QByteArray>& arguments);

// An ISO 8601 date-time ("2024-05-10T12:00:00", with or without
// milliseconds, a blank instead of the "T", or a date alone for its
// midnight, or with endOfDay for its last millisecond) as an instant: local
// time unless it names its offset, a repeated hour's first occurrence.
// Invalid otherwise; skipped then tells a local time the clocks skip.
QDateTime parseDateTimeOption(const QString& text, bool endOfDay = false, bool* skipped = nullptr);

// The start-up files with each relative name that names a file in the
// working directory made absolute; the others are left for the protocol
// directory.
QStringList resolveStartupFiles(const QStringList& files);

// The option list that "--help" prints.
QString commandLineHelp();

// The one-line complaint about the unknown arguments, empty when there are none.
QString unknownArgumentsText(const StartupOptions& options);
