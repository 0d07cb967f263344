#pragma once

#include "compare/alignment.h"
#include "formula/computedchannel.h"
#include "protocol/readproblem.h"

#include <QList>
#include <QStringList>

#include <functional>

class Comparison;
class StreamLoger;

// Reads protocols for a comparison, each on its own time base (so their
// tick lengths may differ), with the computed channels each has the inputs
// of. A protocol that cannot be read is a problem and is left out; the
// files read are appended to `read`, in the comparison's order. `proceed`
// is asked before each file; false stops the read. Returns false when it
// was stopped.
bool readComparison(StreamLoger& logger, const QStringList& files, const ComputedChannels& computed,
                    Comparison& comparison, QStringList& read, QList<ReadProblem>& problems,
                    const std::function<bool()>& proceed = {});

// Puts every protocol's zero where the rule says, reading the bookmarks
// beside each file (`files` in the comparison's order, as readComparison
// names them). One Russian line per protocol the rule cannot align, naming
// the file; those keep their start.
QStringList alignComparison(StreamLoger& logger, const QStringList& files,
                            const AlignmentRule& rule, Comparison& comparison);
