#pragma once

#include "export/exportsource.h"
#include "reports/reportresult.h"

class ReportFile;

enum class ExportFormat { Hdf5, Mat };

// The suffix of the format's files, without the dot.
QString exportSuffix(ExportFormat format);

// Writes the rows and channels of a source as an HDF5 or MATLAB file of the
// layout in exportlayout.h, through the report's safe file: on a failure the
// old file stays. `version73` (may be null) tells whether a MATLAB file had
// to be version 7.3.
ReportResult saveDataExport(const ExportSource& source, const ExportInfo& info, ExportFormat format,
                            ReportFile& file, bool* version73 = nullptr);
ReportResult saveDataExport(const ExportSource& source, const ExportInfo& info, ExportFormat format,
                            const QString& fileName, bool* version73 = nullptr);
