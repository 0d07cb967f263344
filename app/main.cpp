#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/rememberedplaces.h"
#include "parameters/settingsfile.h"
#include "app/toolkittranslation.h"
#include "protocol/readplan.h"
#include "protocol/streamloger.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QScreen>

#include <cstdio>

namespace {

// Batch runs ask nobody: warnings are remembered, questions answered "no".
class BatchDialogs : public Dialogs
{
public:
    QStringList warnings;

    QString getOpenFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return QString();
    }
    QString getSaveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return QString();
    }
    QColor getColor(const QColor&, QWidget*) override { return QColor(); }
    QMessageBox::StandardButton information(QWidget*, const QString&, const QString&) override
    {
        return QMessageBox::Ok;
    }
    QMessageBox::StandardButton question(QWidget*, const QString&, const QString&) override
    {
        return QMessageBox::No;
    }
    QMessageBox::StandardButton warning(QWidget*, const QString&, const QString& text) override
    {
        warnings.append(text);
        return QMessageBox::Ok;
    }
};

void printLine(FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

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

int runBatch(MainWindow& window, const StartupOptions& options, const QString& directory)
{
    auto dialogs = std::make_unique<BatchDialogs>();
    BatchDialogs* answers = dialogs.get();
    window.setDialogs(std::move(dialogs));
    window.setInteractive(false);
    // No window to keep alive while reading.
    StreamLoger::instance()->setEventsWhileReading(false);

    window.setupLoger(directory);
    QString definitionProblem;
    if (!answers->warnings.isEmpty())
        definitionProblem = QStringLiteral(" (log definition not applied: %1)")
                                .arg(StreamLoger::instance()->lastError());
    answers->warnings.clear();
    const QString formulaFault = window.setFormulaOptions(options.formulas);
    if (!formulaFault.isEmpty()) {
        for (const QString& line : formulaFault.split(QLatin1Char('\n')))
            printLine(stderr, QStringLiteral("voltrek: ") + line);
        return 2;
    }
    // Reports without the computed columns must not pass for whole ones.
    if (!window.computedFileProblem().isEmpty()) {
        printLine(stderr, QStringLiteral("voltrek: ") + window.computedFileProblem());
        return 2;
    }

    window.readProtocols(resolveStartupFiles(options.files), startupDefinition(options));
    // Every protocol left out is named, so a script never takes a partial
    // report for a whole one.
    bool readFaults = false;
    for (const ReadProblem& problem : window.readProblems()) {
        printLine(stderr, QStringLiteral("voltrek: ") +
                              (problem.isNotice() ? QStringLiteral("warning: ") : QString()) +
                              problem.englishText());
        readFaults = readFaults || !problem.isNotice();
    }
    if (window.tableRowCount() == 0) {
        QString reason;
        if (window.readStoppedOnTickMismatch())
            reason = QStringLiteral("the protocols' tick lengths differ; nothing was read");
        else if (options.files.isEmpty())
            reason = QStringLiteral("no protocol given with -l");
        else
            reason = QStringLiteral("none of the protocols given with -l could be read");
        printLine(stderr, QStringLiteral("voltrek: ") + reason + definitionProblem);
        return 1;
    }

    // A bookmark file that cannot be read must not pass for a protocol
    // without bookmarks.
    for (const QString& problem : window.bookmarkProblems())
        printLine(stderr, QStringLiteral("voltrek: ") + problem);
    const bool bookmarksLost = !window.bookmarkProblems().isEmpty() &&
                               (!options.bookmarksFile.isEmpty() || !options.xlsxFile.isEmpty());

    MainWindow::DataFiles data{options.h5File, options.matFile, options.channels, {}};
    const QString error = window.writeReports(options.xlsxFile, options.pdfFile, options.csvFile,
                                              options.pngFile, options.pictureOptions(),
                                              options.bookmarksFile, options.from, options.to,
                                              &data);
    for (const QString& note : data.notes)
        printLine(stderr, QStringLiteral("voltrek: note: ") + note);
    if (!error.isEmpty()) {
        printLine(stderr, QStringLiteral("voltrek: ") + error);
        return 1;
    }
    if (!definitionProblem.isEmpty())
        printLine(stderr, QStringLiteral("voltrek: warning:") + definitionProblem);
    return !readFaults && !bookmarksLost ? 0 : 1;
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
    // Reports need no screen: without one, batch runs paint offscreen, and
    // so does a run that may only be told that an argument is unknown.
    if (options.batch()) {
        qInstallMessageHandler(quietMessages);
        if (!hasDisplay())
            qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (!options.unknown.isEmpty() && !hasDisplay()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication application(argc, argv);
    // What is left once the toolkit has taken its own options: anything
    // unknown there is a typo or a misplaced value, which must not pass
    // unseen (a batch run would write other reports than asked for).
    QList<QByteArray> remaining;
    for (int i = 1; i < argc; ++i)
        remaining.append(QByteArray(argv[i]));
    if (const QString unknown = unknownArgumentsText(parseCommandLine(remaining));
        !unknown.isEmpty()) {
        printLine(stderr, QStringLiteral("voltrek: ") + unknown);
        return 2;
    }
    // Names the user's configuration folder, whatever the executable is called.
    QCoreApplication::setApplicationName(QStringLiteral("voltrek"));
    // Ties the window to voltrek.desktop where the desktop asks (Wayland docks).
    QGuiApplication::setDesktopFileName(QStringLiteral("voltrek"));
    installToolkitTranslation(application);
    MainWindow window;
    // Set after the window, which registers the resources.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/res/voltrek.png")));

    QString directory = QCoreApplication::applicationDirPath() + QStringLiteral("/log");
    if (!options.directory.isEmpty())
        directory = options.directory;
    const QString ofProtocols = protocolsLogDirectory(options);
    if (!ofProtocols.isEmpty())
        directory = ofProtocols;

    if (options.batch())
        return runBatch(window, options, directory);

    // Started from the menu, the folder beside the program has no definition:
    // the one that served last time is taken instead.
    directory = startDirectory(options.directory.isEmpty() ? ofProtocols : options.directory,
                               directory, RememberedPlaces(settingsFilePath()).logDirectory());
    // Without a window manager the maximised state is never applied, so the
    // window is also given the whole screen directly.
    const auto showWindow = [&window] {
        if (QScreen* screen = window.screen())
            window.setGeometry(screen->availableGeometry());
        window.showMaximized();
    };
    // Without a definition the window comes first, so that the question
    // about another folder stands over it rather than alone on the screen.
    const bool found = hasLogDefinition(directory);
    if (!found)
        showWindow();
    window.setupLoger(directory);
    const QString formulaFault = window.setFormulaOptions(options.formulas);
    if (!formulaFault.isEmpty()) {
        printLine(stderr, QStringLiteral("voltrek: ") + formulaFault);
        return 2;
    }
    if (!options.files.isEmpty())
        window.readProtocols(resolveStartupFiles(options.files), startupDefinition(options));
    if (found)
        showWindow();
    return application.exec();
}
