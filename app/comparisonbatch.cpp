#include "app/comparisonbatch.h"

#include "app/batchrun.h"
#include "compare/comparison.h"
#include "compare/comparisonread.h"
#include "compare/comparisontable.h"
#include "reports/csvreport.h"
#include "reports/excelreport.h"
#include "reports/failuretext.h"
#include "workspace/workspace.h"

#include <QFont>
#include <QImage>

namespace {
void printError(const QString& text)
{
    printLine(stderr, QStringLiteral("voltrek: ") + text);
}
} // namespace

int runComparisonBatch(const StartupOptions& options, StreamLoger& logger, Workspace& workspace,
                       const readplan::Plan& plan)
{
    Comparison comparison;
    QStringList read;
    QList<ReadProblem> problems = plan.problems;
    readComparison(logger, plan.files, workspace.computedForAssembly(), comparison, read, problems);
    bool faults = false;
    for (const ReadProblem& problem : problems) {
        printError((problem.isNotice() ? QStringLiteral("внимание: ") : QString()) +
                   failuretext::readProblemText(problem));
        faults = faults || !problem.isNotice();
    }
    if (comparison.protocolCount() < 2) {
        printError(QStringLiteral("для сравнения нужны хотя бы два прочитанных протокола, "
                                  "прочитано %1; ничего не записано")
                       .arg(comparison.protocolCount()));
        return 1;
    }

    AlignmentRule rule;
    AlignmentRule::parse(options.alignment, rule);
    const QStringList unaligned = alignComparison(logger, read, rule, comparison);
    for (const QString& line : unaligned)
        printError(QStringLiteral("не совмещен по %1: %2").arg(rule.option(), line));
    // Rows of a protocol left at its start would pass for aligned ones.
    if (!unaligned.isEmpty()) {
        printError(QStringLiteral("ничего не записано"));
        return 1;
    }

    QStringList missing;
    const QStringList codes = comparison.codes();
    for (const QString& channel : options.channels) {
        if (!codes.contains(channel))
            missing.append(channel);
    }
    if (!missing.isEmpty()) {
        printError(QStringLiteral("в сравниваемых протоколах нет канала %1; ничего не записано")
                       .arg(missing.join(QStringLiteral(", "))));
        return 1;
    }

    const ComparisonTable table(comparison, {}, options.channels);
    ReportFailures failures;
    const auto note = [&failures](const QString& fileName, const ReportResult& result) {
        if (!result)
            failures.append({fileName, result.error});
    };
    if (!options.xlsxFile.isEmpty())
        note(options.xlsxFile, saveExcelReport(table, QFont(), QImage(), options.xlsxFile));
    if (!options.csvFile.isEmpty())
        note(options.csvFile, saveCsvReport(table, options.csvFile));
    const QStringList errors = Workspace::failureLines(failures);
    for (const QString& error : errors)
        printError(error);
    return errors.isEmpty() && !faults ? 0 : 1;
}
