#pragma once

#include "app/batchrun.h"
#include "app/commandline.h"
#include "protocol/readplan.h"

class StreamLoger;
class Workspace;

// The "--compare" part of a run from a script: reads the planned protocols
// each on its own time base, aligns them as "--align" says and writes the
// comparison's table as CSV and workbook, and its overlaid chart into the
// PDF and the picture (`makeChart` draws it; without one those fail).
// Faults go to standard error as Russian lines; returns the exit code (0
// only when every protocol was read and aligned and every report written).
int runComparisonBatch(const StartupOptions& options, StreamLoger& logger, Workspace& workspace,
                       const readplan::Plan& plan, const ComparisonChartFactory& makeChart = {});
