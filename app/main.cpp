#include "app/batchrun.h"
#include "app/comparisoncharts.h"
#include "app/comparisonwindow.h"
#include "app/chartrenderer.h"
#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/projectactions.h"
#include "app/rememberedplaces.h"
#include "parameters/settingsfile.h"
#include "app/toolkittranslation.h"
#include "protocol/readplan.h"
#include "workspace/projectfile.h"
#include "workspace/workspaceevents.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QScreen>

namespace {

// Batch runs keep standard error for their own one-line verdict.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        printLine(stderr, message);
}

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// Without "-d", the protocols named with "-l" bring their log directory:
// that of the first one that has one.
QString protocolsLogDirectory(const StartupOptions& options)
{
    if (!options.directory.isEmpty())
        return QString();
    for (const QString& file : resolveStartupFiles(options.files)) {
        const QFileInfo info(file);
        const QString owner =
            info.isAbsolute() && info.exists() ? readplan::ownerOf(file) : QString();
        if (!owner.isEmpty())
            return owner;
    }
    return QString();
}

// "-d" names the definition the protocols are read with.
MainWindow::Definition startupDefinition(const StartupOptions& options)
{
    return options.directory.isEmpty() ? MainWindow::Definition::OfProtocols
                                       : MainWindow::Definition::Applied;
}

// What is left once the toolkit has taken its own options: anything
// unknown there is a typo or a misplaced value, which must not pass unseen
// (a batch run would write other reports than asked for). Without the GUI
// module its display options are left for this program to skip.
bool refuseUnknown(int argc, char* argv[])
{
    static const QList<QByteArray> displayOptions = {
        "-platform",     "-platformpluginpath", "-platformtheme", "-plugin",   "-qwindowgeometry",
        "-qwindowtitle", "-qwindowicon",        "-display",       "-geometry", "-style",
        "-stylesheet"};
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    QList<QByteArray> remaining;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (!gui &&
            displayOptions.contains(argument.startsWith("--") ? argument.mid(1) : argument)) {
            ++i; // and its value
            continue;
        }
        remaining.append(argument);
    }
    const QString unknown = unknownArgumentsText(parseCommandLine(remaining));
    if (!unknown.isEmpty())
        printLine(stderr, QStringLiteral("voltrek: ") + unknown);
    return !unknown.isEmpty();
}

// "-d", else the log directory of the protocols named with "-l", else that
// of the project, else the folder beside the program.
QString logDirectory(const StartupOptions& options)
{
    if (!options.directory.isEmpty())
        return options.directory;
    QString ofProtocols = protocolsLogDirectory(options);
    if (ofProtocols.isEmpty() && !options.projectFile.isEmpty())
        ofProtocols = ProjectFile::logDirectoryOf(options.projectFile);
    return ofProtocols.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/log")
                                 : ofProtocols;
}

// Reports without a window. CSV and bookmark lists need no GUI module at
// all; the workbook, the PDF and the picture draw the chart, which is a
// widget, so those runs paint it offscreen.
int batch(int argc, char* argv[], const StartupOptions& options)
{
    qInstallMessageHandler(quietMessages);
    if (!batchDrawsChart(options)) {
        QCoreApplication application(argc, argv);
        if (refuseUnknown(argc, argv))
            return 2;
        // The palette and the chart colours come from the user's settings.
        QCoreApplication::setApplicationName(QStringLiteral("voltrek"));
        // The toolkit's own words in a message (a file's or JSON fault) are Russian too.
        installToolkitTranslation(application);
        return runBatch(options, logDirectory(options), {});
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (refuseUnknown(argc, argv))
        return 2;
    QCoreApplication::setApplicationName(QStringLiteral("voltrek"));
    installToolkitTranslation(application);
    return runBatch(options, logDirectory(options),
                    options.projectFile.isEmpty() ? makeReportChart : makeViewedReportChart,
                    makeComparisonReportChart);
}

} // namespace

int main(int argc, char* argv[])
{
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const StartupOptions options = parseCommandLine(arguments);
    if (options.help) {
        printLine(stdout, commandLineHelp());
        return 0;
    }
    if (!options.error.isEmpty()) {
        printLine(stderr, QStringLiteral("voltrek: ") + options.error);
        return 2;
    }
    if (options.batch())
        return batch(argc, argv, options);
    // A run that may only be told that an argument is unknown needs no screen.
    if (!options.unknown.isEmpty() && !hasDisplay())
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication application(argc, argv);
    if (refuseUnknown(argc, argv))
        return 2;
    // Names the user's configuration folder, whatever the executable is called.
    QCoreApplication::setApplicationName(QStringLiteral("voltrek"));
    // Ties the window to voltrek.desktop where the desktop asks (Wayland docks).
    QGuiApplication::setDesktopFileName(QStringLiteral("voltrek"));
    installToolkitTranslation(application);
    MainWindow window;
    // Set after the window, which registers the resources.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/res/voltrek.png")));

    QString directory = logDirectory(options);
    // Started from the menu, the folder beside the program has no definition:
    // the one that served last time is taken instead.
    QString named =
        options.directory.isEmpty() ? protocolsLogDirectory(options) : options.directory;
    if (named.isEmpty() && !options.projectFile.isEmpty())
        named = ProjectFile::logDirectoryOf(options.projectFile);
    directory =
        startDirectory(named, directory, RememberedPlaces(settingsFilePath()).logDirectory());
    // Without a window manager the maximised state is never applied, so the
    // window is also given the whole screen directly.
    const auto showWindow = [&window] {
        if (QScreen* screen = window.screen())
            window.setGeometry(screen->availableGeometry());
        window.showMaximized();
    };
    // Without a definition the window comes first, so that the question
    // about another folder stands over it rather than alone on the screen.
    bool found = hasLogDefinition(directory);
    if (!found)
        showWindow();
    window.setupLoger(directory);
    const QString formulaFault = window.setFormulaOptions(options.formulas);
    if (!formulaFault.isEmpty()) {
        printLine(stderr, QStringLiteral("voltrek: ") + formulaFault);
        return 2;
    }
    const QString eventFault = window.workspace().events().setOptions(options.events);
    if (!eventFault.isEmpty()) {
        printLine(stderr, QStringLiteral("voltrek: ") + eventFault);
        return 2;
    }
    if (!options.projectFile.isEmpty())
        window.projects().open(options.projectFile, resolveStartupFiles(options.files));
    else if (options.compare) {
        // The comparison's window stands over the main one.
        if (found)
            showWindow();
        found = false;
        AlignmentRule rule;
        AlignmentRule::parse(options.alignment, rule);
        window.compareProtocols(resolveStartupFiles(options.files), startupDefinition(options),
                                rule);
    } else if (!options.files.isEmpty())
        window.readProtocols(resolveStartupFiles(options.files), startupDefinition(options));
    if (found)
        showWindow();
    return application.exec();
}
