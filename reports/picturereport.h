#pragma once

#include "reports/reportresult.h"

class QImage;
class QString;
class ReportFile;

// Writes a picture as a PNG file through a report file: a failed write
// keeps the old file, and a target that is no regular file is refused.
ReportResult savePngPicture(const QImage& image, const QString& fileName);
ReportResult savePngPicture(const QImage& image, ReportFile& file);
