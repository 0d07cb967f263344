#include "export/stagedfile.h"

#include "reports/reportfile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

StagedFile::StagedFile(ReportFile& target) : m_target(target) {}

StagedFile::~StagedFile() = default;

ReportResult StagedFile::open()
{
    if (const ReportResult opened = m_target.open(); !opened)
        return opened;
    // Beside the target: the same disk, so a full one shows while writing.
    const QString folder = m_target.isStandardOutput()
                               ? QDir::tempPath()
                               : QFileInfo(m_target.fileName()).absolutePath();
    m_stage = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/.voltrek-export-XXXXXX"));
    if (!m_stage->open())
        return fail(m_stage->errorString());
    m_stage->close();
    m_path = QFile::encodeName(m_stage->fileName());
    return ReportResult::success();
}

ReportResult StagedFile::commit()
{
    QFile staged(m_stage->fileName());
    if (!staged.open(QIODevice::ReadOnly))
        return fail(staged.errorString());
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 read = staged.read(block.data(), block.size());
        if (read < 0)
            return fail(staged.errorString());
        if (read == 0)
            break;
        // The safe file keeps the first failure; commit() names it.
        if (m_target.device().write(block.constData(), read) != read)
            break;
    }
    staged.close();
    m_stage.reset();
    return m_target.commit();
}

ReportResult StagedFile::fail(const QString& reason)
{
    m_target.cancel();
    m_stage.reset();
    return ReportResult::writeFailure(m_target.fileName(), reason);
}
