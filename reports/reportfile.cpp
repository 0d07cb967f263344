#include "reports/reportfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

// What the writers write to: passes every byte on to the target and keeps the
// first failure, because some writers (the PDF painter) never look at the
// result of a write.
class ReportFile::Checked : public QIODevice
{
public:
    explicit Checked(ReportFile& owner) : m_owner(owner) {}

    bool failed() const { return !m_owner.m_firstError.isEmpty(); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (failed())
            return -1;
        QString error;
        if (!m_owner.writeToTarget(data, size, error)) {
            m_owner.m_firstError = error.isEmpty() ? QStringLiteral("write failed") : error;
            return -1;
        }
        return size;
    }

private:
    ReportFile& m_owner;
};

ReportFile::ReportFile(const QString& fileName) : m_fileName(fileName) {}

ReportFile::~ReportFile() = default;

bool ReportFile::isStandardOutput() const
{
    return m_fileName == QLatin1String("-");
}

ReportResult ReportFile::open()
{
    m_firstError.clear();
    if (isStandardOutput()) {
        m_standardOutput = std::make_unique<QFile>();
        if (!m_standardOutput->open(stdout, QIODevice::WriteOnly))
            return fail(m_standardOutput->errorString());
    } else {
        // A link to a regular file counts as one; the link is kept.
        const QFileInfo target(m_fileName);
        if (target.exists() && !target.isFile())
            return fail(QStringLiteral("not a regular file"));
        m_file = std::make_unique<QSaveFile>(m_fileName);
        if (!m_file->open(QIODevice::WriteOnly)) {
            const ReportResult result = fail(m_file->errorString());
            m_file.reset();
            return result;
        }
    }
    m_device = std::make_unique<Checked>(*this);
    m_device->open(QIODevice::WriteOnly);
    return ReportResult::success();
}

QIODevice& ReportFile::device()
{
    return *m_device;
}

ReportResult ReportFile::commit()
{
    if (!m_device)
        return fail(QStringLiteral("the file was not opened"));
    QString error = m_firstError;
    // A full disk often shows only here, when the last buffered part is written.
    if (error.isEmpty() && !flushTarget(error) && error.isEmpty())
        error = QStringLiteral("write failed");
    if (!error.isEmpty()) {
        cancel();
        return fail(error);
    }
    if (m_file) {
        if (!m_file->commit()) {
            const ReportResult result = fail(m_file->errorString());
            m_file.reset();
            return result;
        }
        m_file.reset();
    }
    m_device.reset();
    return ReportResult::success();
}

void ReportFile::cancel()
{
    // An uncommitted save file takes its temporary file with it.
    m_file.reset();
    m_device.reset();
}

bool ReportFile::writeToTarget(const char* data, qint64 size, QString& error)
{
    QFileDevice* target = m_file ? static_cast<QFileDevice*>(m_file.get()) : m_standardOutput.get();
    if (target->write(data, size) == size)
        return true;
    error = target->errorString();
    return false;
}

bool ReportFile::flushTarget(QString& error)
{
    QFileDevice* target = m_file ? static_cast<QFileDevice*>(m_file.get()) : m_standardOutput.get();
    if (target->flush() && target->error() == QFileDevice::NoError)
        return true;
    error = target->errorString();
    return false;
}

ReportResult ReportFile::fail(const QString& reason)
{
    return ReportResult::writeFailure(m_fileName, reason);
}
