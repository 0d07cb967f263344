#include "app/mainwindow.h"

#include "app/computedchannelsdialog.h"
#include "formula/computedchannelfile.h"
#include "formula/formulacheck.h"
#include "protocol/channellookup.h"
#include "protocol/streamloger.h"

#include <QAction>
#include <QDir>

#include <algorithm>

void MainWindow::setupComputedChannels()
{
    actComputed = new QAction(tr("Вычисляемые каналы…"), this);
    actComputed->setObjectName(QStringLiteral("actComputed"));
    actComputed->setToolTip(tr("Каналы, вычисляемые по формулам из других каналов"));
    connect(actComputed, &QAction::triggered, this, &MainWindow::editComputedChannels);
}

void MainWindow::loadComputedChannels(const QString& directory)
{
    m_computedPath = ComputedChannelFile::pathIn(directory);
    QString error;
    ComputedChannelFile::load(m_computedPath, m_computed, error);
    m_computedFileProblem = error;
    // Batch runs report on their own; a window says it once per definition.
    if (!interactive)
        return;
    if (!error.isEmpty()) {
        dialogs->warning(this, tr("Внимание!"), error);
        return;
    }
    const ComputedCheck& check = m_computedCheck.check(m_computed, logger->codes());
    if (!check.ok())
        dialogs->warning(this, tr("Внимание!"),
                         tr("Не все вычисляемые каналы из файла %1 вычисляются:\n%2")
                             .arg(QDir::toNativeSeparators(m_computedPath),
                                  check.problems.join(QLatin1Char('\n'))));
}

QString MainWindow::setFormulaOptions(const QStringList& options)
{
    QStringList faults;
    if (!parseFormulaOptions(options, m_formulaOptions, faults))
        return faults.join(QLatin1Char('\n'));

    const ComputedChannels all = withOverrides(m_computed, m_formulaOptions);
    const ComputedCheck& check = m_computedCheck.check(all, logger->codes());
    for (size_t k = 0; k < check.refused.size(); ++k) {
        const ComputedChannel& channel = all[size_t(check.refused[k])];
        const bool given =
            std::any_of(m_formulaOptions.begin(), m_formulaOptions.end(),
                        [&](const ComputedChannel& c) { return c.code == channel.code; });
        const QString source =
            given
                ? QStringLiteral("\"%1=%2\"").arg(channel.code, channel.formula)
                : QStringLiteral("\"%1=%2\" of %3")
                      .arg(channel.code, channel.formula, QDir::toNativeSeparators(m_computedPath));
        faults.append(QStringLiteral("bad formula %1: %2").arg(source, check.english.at(int(k))));
    }
    return faults.join(QLatin1Char('\n'));
}

ComputedChannels MainWindow::computedForAssembly()
{
    const ComputedChannels ordered =
        m_computedCheck.check(withOverrides(m_computed, m_formulaOptions), logger->codes()).ordered;
    // Scales, value box, palette and statistics ask the catalogue by code.
    QVector<ChannelLookup::AddedChannel> added;
    for (const ComputedChannel& channel : ordered)
        added.append({channel.code, channel.name, channel.decimals});
    ChannelLookup::setAddedChannels(added);
    return ordered;
}

void MainWindow::editComputedChannels()
{
    ComputedChannelsDialog dialog(m_computed, logger->codes(), this);
    if (dialog.exec() == QDialog::Accepted)
        applyComputedChannels(dialog.channels());
}

bool MainWindow::applyComputedChannels(const ComputedChannels& channels)
{
    if (m_computedPath.isEmpty()) {
        dialogs->warning(this, tr("Внимание!"),
                         tr("Вычисляемые каналы хранятся рядом с log.def: сначала загрузите "
                            "настройки логера."));
        return false;
    }
    QString error;
    if (!ComputedChannelFile::save(m_computedPath, channels, error)) {
        dialogs->warning(this, tr("Внимание!"), error);
        return false;
    }
    m_computed = channels;
    m_computedFileProblem.clear();
    // The view shows the new columns at once, where the user was looking.
    const QStringList files = m_loadedFiles; // the read starts by forgetting them
    if (files.isEmpty())
        return true;
    const double zoom = ui.chart->zoom();
    const double position = ui.chart->scaleSettings().position;
    const qint64 line = ui.chart->lineValueX();
    const bool hasReference = ui.chart->hasReference();
    const qint64 reference = ui.chart->referenceX();
    readProtocols(files, Definition::Applied);
    if (m_loadedFiles == files) {
        ui.chart->setZoom(zoom);
        ui.chart->setPosition(position);
        ui.chart->placeLineValue(line);
        if (hasReference)
            referenceXChartsChanged(reference);
    }
    return true;
}
