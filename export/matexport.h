#pragma once

#include "reports/reportresult.h"

#include <QtGlobal>

class ExportColumns;
class ReportFile;

struct MatExportOptions
{
    // Bytes a variable of a version 5 file may hold; a longer vector makes
    // the whole file version 7.3 (HDF5 inside), which MATLAB and h5py read
    // but SciPy's loadmat does not.
    qint64 version5Limit = (qint64(1) << 31) - 1;
};

// Writes an export as a MATLAB file (exportlayout.h) through matio: version 5
// with compression, each vector made and written whole and freed before the
// next; version 7.3 only when a vector exceeds the version 5 limit, then
// written a block of rows at a time. `version73` (may be null) tells which.
// A source without rows is refused.
ReportResult saveMatExport(ExportColumns& columns, ReportFile& file,
                           const MatExportOptions& options = {}, bool* version73 = nullptr);
