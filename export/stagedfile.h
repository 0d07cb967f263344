#pragma once

#include "reports/reportresult.h"

#include <QString>

#include <memory>

class QTemporaryFile;
class ReportFile;

// A report written by a library that takes a file name (HDF5, matio): the
// library writes a temporary file beside the target, whose bytes then go
// through the report's safe file, so that a failure anywhere keeps the old
// target and the temporary file never stays behind.
//
// Use: open(), let the library write path(), then commit(); on the library's
// failure, fail() with its reason.
class StagedFile
{
public:
    explicit StagedFile(ReportFile& target);
    ~StagedFile();
    Q_DISABLE_COPY_MOVE(StagedFile)

    ReportResult open();
    // The temporary file's name, in the file system's encoding for C libraries.
    const QByteArray& path() const { return m_path; }
    ReportResult commit();
    ReportResult fail(const QString& reason);

private:
    ReportFile& m_target;
    std::unique_ptr<QTemporaryFile> m_stage;
    QByteArray m_path;
};
