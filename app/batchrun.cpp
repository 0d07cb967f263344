#include "app/batchrun.h"

#include "app/comparisonbatch.h"
#include "app/projectbatch.h"

#include "protocol/readplan.h"
#include "protocol/streamloger.h"
#include "reports/failuretext.h"
#include "table/bookmarkstore.h"
#include "workspace/workspaceevents.h"

#include <QTextCodec>

void printLine(FILE* stream, const QString& text)
{
    QTextCodec* local = QTextCodec::codecForLocale();
    const QByteArray bytes =
        local && local->canEncode(text) ? local->fromUnicode(text) : text.toUtf8();
    std::fprintf(stream, "%s\n", bytes.constData());
}

namespace {
void printError(const QString& text)
{
    printLine(stderr, QStringLiteral("voltrek: ") + text);
}
// The definitions of events.def with the command line's over them; 2 when
// one cannot be searched for or, with events asked for, the file is broken.
int applyEventOptions(Workspace& workspace, const StartupOptions& options, QString& reported)
{
    const QString faults = workspace.events().setOptions(options.events);
    if (!faults.isEmpty()) {
        for (const QString& line : faults.split(QLatin1Char('\n')))
            printError(line);
        return 2;
    }
    // Read again for the protocols' own directory: said once.
    const QString problem = workspace.events().problem();
    if (problem.isEmpty() || problem == reported)
        return 0;
    reported = problem;
    if (!options.eventsFile.isEmpty()) {
        printError(problem);
        return 2;
    }
    printError(QStringLiteral("внимание: ") + problem);
    return 0;
}
} // namespace

bool batchDrawsChart(const StartupOptions& options)
{
    // The workbook holds a picture of the chart.
    return !options.xlsxFile.isEmpty() || !options.pdfFile.isEmpty() || !options.pngFile.isEmpty();
}

int runBatch(const StartupOptions& options, const QString& directory,
             const BatchChartFactory& makeChart, const ComparisonChartFactory& makeComparisonChart)
{
    StreamLoger* logger = StreamLoger::instance();
    // No window to keep alive while reading.
    logger->setEventsWhileReading(false);
    QString definitionProblem;
    if (!logger->init(directory))
        definitionProblem =
            QStringLiteral(" (настройки логера не применены: %1)").arg(logger->russianError());

    Workspace workspace(logger);
    workspace.loadComputedChannels(directory);
    const QString formulaFault = workspace.setFormulaOptions(options.formulas);
    if (!formulaFault.isEmpty()) {
        for (const QString& line : formulaFault.split(QLatin1Char('\n')))
            printError(line);
        return 2;
    }
    // Reports without the computed columns must not pass for whole ones.
    if (!workspace.computedFileProblem().isEmpty()) {
        printError(workspace.computedFileProblem());
        return 2;
    }
    workspace.events().load(directory);
    QString eventProblem;
    if (const int status = applyEventOptions(workspace, options, eventProblem); status != 0)
        return status;

    ProjectBatch project;
    QStringList projectProblems;
    QStringList projectNotices;
    QStringList files = resolveStartupFiles(options.files);
    if (!options.projectFile.isEmpty()) {
        QString error;
        if (!project.load(options.projectFile, error)) {
            printError(error);
            return 1;
        }
        project.prepare(workspace);
        // Another -l rebuilds the project's view for other protocols.
        if (files.isEmpty())
            files = project.protocols(projectProblems, projectNotices);
    }
    for (const QString& line : projectProblems)
        printError(line);
    for (const QString& line : projectNotices)
        printError(QStringLiteral("внимание: ") + line);

    // "-d" names the definition the protocols are read with; else each is
    // read with that of its own log directory.
    readplan::Applied applied;
    applied.definition = logger->definitionPath();
    applied.protocolDir = logger->protocolDir();
    applied.hasProtocolDir = logger->hasProtocolDir();
    applied.keep = !options.directory.isEmpty();
    applied.repeats = options.compare;
    const readplan::Plan plan = readplan::plan(files, applied);
    if (!plan.logDirectory.isEmpty() && logger->init(plan.logDirectory)) {
        workspace.loadComputedChannels(plan.logDirectory);
        workspace.events().load(plan.logDirectory);
        if (const int status = applyEventOptions(workspace, options, eventProblem); status != 0)
            return status;
    }
    // The project's event definitions take the place of those beside log.def.
    if (!options.projectFile.isEmpty()) {
        QString error;
        if (!project.applyEvents(workspace, error))
            printError(QStringLiteral("внимание: ") + error);
    }
    if (options.compare)
        return runComparisonBatch(options, *logger, workspace, plan, makeComparisonChart);
    workspace.read(plan.files, {}, plan.problems);
    // Every protocol left out is named, so a script never takes a partial
    // report for a whole one.
    bool readFaults = !projectProblems.isEmpty();
    for (const ReadProblem& problem : workspace.readProblems()) {
        printError((problem.isNotice() ? QStringLiteral("внимание: ") : QString()) +
                   failuretext::readProblemText(problem));
        readFaults = readFaults || !problem.isNotice();
    }
    if (workspace.rowCount() == 0) {
        QString reason;
        if (workspace.readStoppedOnTickMismatch())
            reason =
                QStringLiteral("отсчет времени в протоколах не совпадает; ничего не прочитано");
        else if (files.isEmpty())
            reason = options.projectFile.isEmpty()
                         ? QStringLiteral("не задан ни один протокол (-l)")
                         : QStringLiteral("ни один протокол проекта не найден");
        else
            reason = QStringLiteral("ни один из протоколов, заданных с -l, не прочитан");
        printError(reason + definitionProblem);
        return 1;
    }

    // A bookmark file that cannot be read must not pass for a protocol
    // without bookmarks.
    for (const BookmarkStore::Problem& problem : workspace.bookmarkProblems())
        printError(Workspace::batchProblemText(problem));
    const bool bookmarksLost = !workspace.bookmarkProblems().isEmpty() &&
                               (!options.bookmarksFile.isEmpty() || !options.xlsxFile.isEmpty());

    ReportRequest request;
    request.xlsxFile = options.xlsxFile;
    request.pdfFile = options.pdfFile;
    request.csvFile = options.csvFile;
    request.pngFile = options.pngFile;
    request.picture = options.pictureOptions();
    request.bookmarksFile = options.bookmarksFile;
    request.from = options.from;
    request.to = options.to;
    request.channels = options.channels;
    request.h5File = options.h5File;
    request.matFile = options.matFile;
    request.eventsFile = options.eventsFile;
    if (project.isLoaded())
        project.shape(workspace, options, request);
    QStringList notes;
    request.notes = &notes;
    std::unique_ptr<ReportChart> chart;
    if (batchDrawsChart(options) && makeChart)
        chart = makeChart(workspace);
    const QStringList errors =
        Workspace::failureLines(workspace.writeReports(request, chart.get()));
    for (const QString& note : notes)
        printError(QStringLiteral("примечание: ") + note);
    for (const QString& error : errors)
        printError(error);
    if (!errors.isEmpty())
        return 1;
    if (!definitionProblem.isEmpty())
        printError(QStringLiteral("внимание:") + definitionProblem);
    return !readFaults && !bookmarksLost ? 0 : 1;
}
