#pragma once

#include "app/commandline.h"
#include "workspace/workspace.h"

#include <cstdio>
#include <functional>
#include <memory>

// Builds the chart that the workbook, the PDF and the picture draw, for a
// loaded workspace.
using BatchChartFactory = std::function<std::unique_ptr<ReportChart>(const Workspace&)>;
class ComparisonSession;
// The same for a comparison ("--compare").
using ComparisonChartFactory =
    std::function<std::unique_ptr<ReportChart>(const ComparisonSession&)>;

// Whether the reports asked for draw the chart, which needs the GUI module.
bool batchDrawsChart(const StartupOptions& options);

// A line of the program's messages. They are Russian, like the window: a
// locale that cannot spell them (the plain "C" locale) gets UTF-8 rather
// than question marks.
void printLine(FILE* stream, const QString& text);

// A run from a script: applies the log definition in `directory`, reads the
// protocols given with -l and writes the reports, without a window. Every
// fault goes to standard error as one Russian line. Returns the exit code:
// 0 when all was read and written, 1 when something was left out or could
// not be written, 2 for a bad formula.
int runBatch(const StartupOptions& options, const QString& directory,
             const BatchChartFactory& makeChart,
             const ComparisonChartFactory& makeComparisonChart = {});
