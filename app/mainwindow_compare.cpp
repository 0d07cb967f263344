#include "app/mainwindow.h"

#include "app/comparisonwindow.h"
#include "compare/comparison.h"
#include "compare/comparisonsession.h"
#include "protocol/loadprotocolprogress.h"
#include "protocol/readplan.h"
#include "protocol/streamloger.h"
#include "reports/failuretext.h"

#include <QCoreApplication>
#include <QDir>
#include <QStatusBar>

QStringList MainWindow::selectedProtocols() const
{
    QStringList files;
    const QModelIndexList rows = ui.twFiles->selectionModel()->selectedRows(0);
    for (const QModelIndex& index : rows) {
        if (const QTableWidgetItem* name = ui.twFiles->item(index.row(), 1))
            files.append(name->data(Qt::UserRole).toString());
    }
    return files;
}

void MainWindow::enableCompare()
{
    const int selected = ui.twFiles->selectionModel()->selectedRows(0).size();
    const bool can = selected >= 2 && selected <= Comparison::maxProtocols && !m_reading;
    ui.actCompare->setEnabled(can);
    ui.btCompare->setEnabled(can);
}

void MainWindow::on_actCompare_triggered()
{
    compareProtocols(selectedProtocols());
}

ComparisonWindow* MainWindow::compareProtocols(const QStringList& files, Definition definition,
                                               const AlignmentRule& rule)
{
    if (m_reading)
        return nullptr;
    const readplan::Plan plan = readPlan(files, definition, true);
    if (!plan.logDirectory.isEmpty())
        setupLoger(plan.logDirectory);

    LoadProtocolProgress progress(this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint);
    progress.initTotalProgress(plan.files.size());
    if (interactive)
        progress.show();
    int step = 0;
    const auto proceed = [&progress, &step] {
        progress.setTotalProgress(step++);
        QCoreApplication::processEvents();
        return !progress.cancelled;
    };

    auto session = std::make_unique<ComparisonSession>();
    m_reading = true;
    enableCompare();
    const bool opened =
        session->open(*logger, plan.files, m_workspace->computedForAssembly(), rule, proceed);
    m_reading = false;
    enableCompare();
    progress.hide();

    QStringList lines;
    for (const ReadProblem& problem : plan.problems + session->readProblems())
        lines << failuretext::readProblemText(problem);
    if (!opened) {
        if (progress.cancelled)
            return nullptr;
        lines.prepend(tr("Для сравнения нужны хотя бы два прочитанных протокола."));
        dialogs->warning(this, tr("Внимание!"), lines.join(QLatin1Char('\n')));
        return nullptr;
    }
    const QStringList unaligned = session->alignmentErrors();
    if (!unaligned.isEmpty())
        lines << tr("Не совмещены (оставлены по началу):") << unaligned;
    auto* window = new ComparisonWindow(std::move(session), *dialogs,
                                        logger->protocolDir().absolutePath(), this);
    window->setWindowFlag(Qt::Window);
    if (interactive)
        window->show();
    if (!lines.isEmpty())
        dialogs->warning(window, tr("Внимание!"), lines.join(QLatin1Char('\n')));
    return window;
}
