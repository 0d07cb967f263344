#pragma once

#include "reports/reportresult.h"

class ExportColumns;
class ReportFile;

// Writes an export as an HDF5 file (exportlayout.h): every vector a chunked
// dataset compressed by shuffle and deflate, written a chunk of rows at a
// time so that memory does not grow with the file; strings as UTF-8.
// A source without rows is refused.
ReportResult saveHdf5Export(ExportColumns& columns, ReportFile& file);
