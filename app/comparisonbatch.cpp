#include "app/comparisonbatch.h"

#include "app/batchrun.h"
#include "compare/comparison.h"
#include "compare/comparisonsession.h"
#include "compare/comparisontable.h"
#include "reports/csvreport.h"
#include "reports/excelreport.h"
#include "reports/failuretext.h"
#include "reports/pdfreport.h"
#include "workspace/workspace.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFont>
#include <QImage>

namespace {
void printError(const QString& text)
{
    printLine(stderr, QStringLiteral("voltrek: ") + text);
}
} // namespace

int runComparisonBatch(const StartupOptions& options, StreamLoger& logger, Workspace& workspace,
                       const readplan::Plan& plan, const ComparisonChartFactory& makeChart)
{
    AlignmentRule rule;
    AlignmentRule::parse(options.alignment, rule);
    ComparisonSession session;
    const bool opened = session.open(logger, plan.files, workspace.computedForAssembly(), rule);
    bool faults = false;
    for (const ReadProblem& problem : plan.problems + session.readProblems()) {
        printError((problem.isNotice() ? QStringLiteral("внимание: ") : QString()) +
                   failuretext::readProblemText(problem));
        faults = faults || !problem.isNotice();
    }
    if (!opened) {
        printError(QStringLiteral("для сравнения нужны хотя бы два прочитанных протокола, "
                                  "прочитано %1; ничего не записано")
                       .arg(session.readCount()));
        return 1;
    }

    const QStringList unaligned = session.alignmentErrors();
    for (const QString& line : unaligned)
        printError(QStringLiteral("не совмещен по %1: %2").arg(rule.option(), line));
    // Rows of a protocol left at its start would pass for aligned ones.
    if (!unaligned.isEmpty()) {
        printError(QStringLiteral("ничего не записано"));
        return 1;
    }

    QStringList missing;
    const QStringList codes = session.comparison().codes();
    for (const QString& channel : options.channels) {
        if (!codes.contains(channel))
            missing.append(channel);
    }
    if (!missing.isEmpty()) {
        printError(QStringLiteral("в сравниваемых протоколах нет канала %1; ничего не записано")
                       .arg(missing.join(QStringLiteral(", "))));
        return 1;
    }

    const std::unique_ptr<ComparisonTable> table = session.reportTable(options.channels);
    std::unique_ptr<ReportChart> chart;
    if (makeChart && batchDrawsChart(options))
        chart = makeChart(session);
    ReportFailures failures;
    const auto note = [&failures](const QString& fileName, const ReportResult& result) {
        if (!result)
            failures.append({fileName, result.error});
    };
    const auto noChart = [](const QString&) {
        return ReportResult::failure(QStringLiteral("the chart cannot be drawn without the GUI"));
    };
    if (!options.xlsxFile.isEmpty())
        note(options.xlsxFile,
             saveExcelReport(*table, chart ? chart->tableFont() : QFont(),
                             chart ? chart->workbookImage() : QImage(), options.xlsxFile));
    if (!options.csvFile.isEmpty())
        note(options.csvFile, saveCsvReport(*table, options.csvFile));
    QStringList names;
    for (const QString& file : session.files())
        names.append(QFileInfo(file).fileName());
    const QString title = QStringLiteral("Сравнение: %1").arg(names.join(QStringLiteral(", ")));
    const Comparison& comparison = session.comparison();
    const qint64 first = comparison.rowCount() > 0 ? comparison.rowTime(0) : 0;
    const qint64 last =
        comparison.rowCount() > 0 ? comparison.rowTime(comparison.rowCount() - 1) : 0;
    if (!options.pdfFile.isEmpty())
        note(options.pdfFile,
             chart ? savePdfReport(*table, QDateTime::fromMSecsSinceEpoch(session.zero(0)),
                                   chart->rangeDrawing(first, last, title), options.pdfFile)
                   : noChart(options.pdfFile));
    if (!options.pngFile.isEmpty())
        note(options.pngFile, chart ? chart->savePicture(options.pictureOptions(), first, last,
                                                         title, options.pngFile)
                                    : noChart(options.pngFile));
    const QStringList errors = Workspace::failureLines(failures);
    for (const QString& error : errors)
        printError(error);
    return errors.isEmpty() && !faults ? 0 : 1;
}
