#pragma once

#include "reports/reportresult.h"

#include <QIODevice>
#include <QString>

#include <memory>

class QFile;
class QSaveFile;

// Where one report goes. A report file is written into a temporary file
// beside the target, which replaces the target only once every byte has
// reached the disk; otherwise the old file stays as it was. The name "-"
// means standard output. An existing target that is not a regular file (a
// FIFO, a device) is refused, so that it is never replaced by a plain file.
//
// Use: open(), write the report to device(), then commit(); a report that
// fails on its own way calls cancel() instead.
class ReportFile
{
public:
    explicit ReportFile(const QString& fileName);
    virtual ~ReportFile();
    Q_DISABLE_COPY_MOVE(ReportFile)

    const QString& fileName() const { return m_fileName; }
    bool isStandardOutput() const;

    ReportResult open();
    // Valid after a successful open().
    QIODevice& device();
    ReportResult commit();
    void cancel();

protected:
    // Hands written bytes to the target; false, with the reason, when not all of them went.
    virtual bool writeToTarget(const char* data, qint64 size, QString& error);
    // Pushes what the target still buffers to the disk; false, with the reason, on failure.
    virtual bool flushTarget(QString& error);

private:
    class Checked;

    ReportResult fail(const QString& reason);

    QString m_fileName;
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QFile> m_standardOutput;
    std::unique_ptr<Checked> m_device;
    QString m_firstError;
};
