#include "app/projectbatch.h"

#include "app/commandline.h"
#include "table/protocolassembly.h"
#include "workspace/workspace.h"

#include <QFileInfo>

bool ProjectBatch::load(const QString& path, QString& error)
{
    m_path = QFileInfo(path).absoluteFilePath();
    m_loaded = ProjectFile::load(path, m_project, error);
    return m_loaded;
}

QStringList ProjectBatch::protocols(QStringList& problems, QStringList& notices) const
{
    const LocatedProtocols located = m_project.locate(m_path);
    for (const QString& file : located.missing)
        problems.append(QStringLiteral("протокол проекта %1 не найден").arg(file));
    for (const QString& file : located.changed)
        notices.append(QStringLiteral("протокол %1 изменился после сохранения проекта").arg(file));
    return located.files;
}

void ProjectBatch::prepare(Workspace& workspace) const
{
    workspace.setComputedOverrides(m_project.computed);
}

void ProjectBatch::shape(Workspace& workspace, const StartupOptions& options,
                         ReportRequest& request) const
{
    m_project.applyView(workspace.view());
    if (options.channels.isEmpty() && !m_project.hiddenChannels.isEmpty() && workspace.assembly()) {
        for (const AssembledChannel& channel : workspace.assembly()->channels()) {
            if (workspace.view().isChannelShown(channel.title) &&
                !request.channels.contains(channel.code))
                request.channels.append(channel.code);
        }
    }
    // The range shown, unless the script names its own.
    if (options.from.isValid() || options.to.isValid() || !(m_project.span > 0))
        return;
    const qint64 first = std::max(m_project.firstShownTick(), workspace.firstTick());
    const qint64 last = std::min(m_project.lastShownTick(), workspace.lastTick());
    const QDateTime start = workspace.startDateTime();
    request.from = start.addMSecs(first * workspace.tickMs());
    request.to = start.addMSecs(last * workspace.tickMs());
    request.hasShownTicks = true;
    request.shownFirst = m_project.firstShownTick();
    request.shownLast = m_project.lastShownTick();
}
