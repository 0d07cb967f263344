#include "app/mainwindow.h"

#include "app/computedchannelsdialog.h"
#include "app/eventscontroller.h"
#include "formula/formulacheck.h"
#include "protocol/streamloger.h"

#include <QAction>
#include <QDir>

void MainWindow::setupComputedChannels()
{
    actComputed = new QAction(tr("Вычисляемые каналы…"), this);
    actComputed->setObjectName(QStringLiteral("actComputed"));
    actComputed->setToolTip(tr("Каналы, вычисляемые по формулам из других каналов"));
    connect(actComputed, &QAction::triggered, this, &MainWindow::editComputedChannels);
}

void MainWindow::loadComputedChannels(const QString& directory)
{
    m_workspace->loadComputedChannels(directory);
    m_eventsController->loadDefinitions(directory, interactive);
    // Batch runs report on their own; a window says it once per definition.
    if (!interactive)
        return;
    if (!computedFileProblem().isEmpty()) {
        dialogs->warning(this, tr("Внимание!"), computedFileProblem());
        return;
    }
    const ComputedCheck& check = m_workspace->checkComputed(m_workspace->computedChannels());
    if (!check.ok())
        dialogs->warning(this, tr("Внимание!"),
                         tr("Не все вычисляемые каналы из файла %1 вычисляются:\n%2")
                             .arg(QDir::toNativeSeparators(m_workspace->computedFilePath()),
                                  check.problems.join(QLatin1Char('\n'))));
}

void MainWindow::editComputedChannels()
{
    ComputedChannelsDialog dialog(m_workspace->computedChannels(), logger->codes(), this);
    if (dialog.exec() == QDialog::Accepted)
        applyComputedChannels(dialog.channels());
}

bool MainWindow::applyComputedChannels(const ComputedChannels& channels)
{
    if (m_workspace->computedFilePath().isEmpty()) {
        dialogs->warning(this, tr("Внимание!"),
                         tr("Вычисляемые каналы хранятся рядом с log.def: сначала загрузите "
                            "настройки логера."));
        return false;
    }
    QString error;
    if (!m_workspace->saveComputedChannels(channels, error)) {
        dialogs->warning(this, tr("Внимание!"), error);
        return false;
    }
    // The view shows the new columns at once, where the user was looking.
    const QStringList files = m_workspace->loadedFiles(); // the read starts by forgetting them
    if (files.isEmpty())
        return true;
    const double zoom = ui.chart->zoom();
    const double position = ui.chart->scaleSettings().position;
    const qint64 line = ui.chart->lineValueX();
    const bool hasReference = ui.chart->hasReference();
    const qint64 reference = ui.chart->referenceX();
    readProtocols(files, Definition::Applied);
    if (m_workspace->loadedFiles() == files) {
        zoomCharts(zoom);
        ui.chart->setPosition(position);
        ui.chart->placeLineValue(line);
        if (hasReference)
            m_workspace->view().setReference(reference);
    }
    return true;
}
