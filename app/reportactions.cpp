#include "app/reportactions.h"

#include "app/chartrenderer.h"
#include "app/dialogs.h"
#include "app/platform.h"
#include "app/rememberedplaces.h"
#include "chart/chartprotocol.h"
#include "parameters/settingsfile.h"
#include "chart/chartpicture.h"
#include "reports/failuretext.h"

#include "ui_mainwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>

#include <cmath>

namespace {
// The writer's own text says why; the user reads it in Russian.
// what: "отчет" or "график".
QString saveFailedText(const QString& what, const QString& fileName, const QString& error)
{
    QString cause = failuretext::russianCause(error, failuretext::probeFolder, fileName);
    if (!cause.isEmpty())
        cause[0] = cause[0].toUpper();
    return QStringLiteral("Не удалось сохранить %1 в файл\n%2\n\n%3.")
        .arg(what, QDir::toNativeSeparators(fileName), cause);
}
} // namespace

std::pair<QDateTime, QDateTime> cursorRange(const ChartProtocol& chart)
{
    const qint64 first = std::min(chart.referenceX(), chart.lineValueX());
    const qint64 last = std::max(chart.referenceX(), chart.lineValueX());
    const qint64 tickMs = chart.tickLength();
    return {chart.startDateTime().addMSecs(first * tickMs),
            chart.startDateTime().addMSecs((last + 1) * tickMs - 1)};
}

void showSavedFile(QMainWindow* window, const std::unique_ptr<Dialogs>& dialogs,
                   const QString& what, const QString& fileName)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    window->statusBar()->showMessage(QStringLiteral("%1 сохранен: %2").arg(what, shown));
    // Without a program to show it, the user at least learns where it went.
    // The dialogs belong to the window and go with it.
    const QPointer<QMainWindow> alive(window);
    const std::unique_ptr<Dialogs>* asked = &dialogs;
    const auto unopened = [alive, asked, what, shown] {
        if (alive)
            (*asked)->information(
                alive, what,
                QStringLiteral("%1 сохранен в файл\n%2\n\nОткрыть его не удалось: нет программы "
                               "для файлов этого вида.")
                    .arg(what, shown));
    };
    if (!platform::openFile(fileName, unopened))
        unopened();
}

ReportActions::ReportActions(Ui::MainWindow& form, Workspace& workspace,
                             const std::unique_ptr<Dialogs>& dialogs, QMainWindow* window,
                             const bool& reading, const bool& interactive)
    : ui(form), m_workspace(workspace), m_dialogs(dialogs), m_window(window), m_reading(reading),
      m_interactive(interactive)
{
    auto* picture = new QAction(tr("Сохранить график…"), window);
    picture->setObjectName(QStringLiteral("actSaveChart"));
    picture->setToolTip(tr("Сохранить график рисунком PNG или SVG"));
    connect(picture, &QAction::triggered, this, &ReportActions::saveChartPicture);
    if (auto* menu = ui.menuBar->findChild<QMenu*>(QStringLiteral("menuChart"))) {
        menu->addSeparator();
        menu->addAction(picture);
    }
    window->addAction(picture);
}

void ReportActions::saveWorkbook()
{
    saveReport(QStringLiteral("Файл EXCEL (*.xlsx)"), QStringLiteral("xlsx"),
               &ReportRequest::xlsxFile);
}

void ReportActions::savePdf()
{
    saveReport(QStringLiteral("Файл PDF (*.pdf)"), QStringLiteral("pdf"), &ReportRequest::pdfFile);
}

void ReportActions::saveReport(const QString& filter, const QString& suffix,
                               QString ReportRequest::*file)
{
    if (m_workspace.rowCount() == 0 || m_reading)
        return;
    // With a reference cursor the report may hold only the stretch between
    // the two lines: the rows whose ticks lie between them, both included.
    ReportRequest request;
    const QMessageBox::StandardButton onlyBetween =
        ui.chart->hasReference()
            ? m_dialogs->questionOrCancel(m_window, QStringLiteral("Сохранить отчет"),
                                          QStringLiteral("Сохранить только строки между "
                                                         "курсорами?\n«Нет» — сохранить все "
                                                         "строки."))
            : QMessageBox::No;
    if (onlyBetween != QMessageBox::Yes && onlyBetween != QMessageBox::No)
        return;
    if (onlyBetween == QMessageBox::Yes)
        std::tie(request.from, request.to) = cursorRange(*ui.chart);
    // Offered under the protocol's start, in the folder of the last report.
    RememberedPlaces places(settingsFilePath());
    QString folder = places.reportDirectory();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    QString fileName = m_dialogs->getSaveFileName(
        m_window, QStringLiteral("Сохранить отчет"),
        suggestedReportPath(ui.chart->startDateTime(), folder, suffix), filter);
    if (fileName.isEmpty())
        return;
    fileName = reportFileName(fileName, suffix);

    request.*file = fileName;
    request.pdfChartAsShown = true;
    ProtocolChartRenderer renderer(*ui.chart, ui.twEntry->font());
    if (const ReportFailures failed = m_workspace.writeReports(request, &renderer);
        !failed.isEmpty()) {
        m_dialogs->warning(m_window, QStringLiteral("Внимание!"),
                           saveFailedText(QStringLiteral("отчет"), fileName, failed.first().error));
        return;
    }
    if (m_interactive)
        places.setReportDirectory(QFileInfo(fileName).absolutePath());
    showSavedFile(m_window, m_dialogs, QStringLiteral("Отчет"), fileName);
}

void ReportActions::saveChartPicture()
{
    if (m_workspace.rowCount() == 0)
        return;
    ChartPictureOptions options;
    if (!ui.chart->size().isEmpty())
        options.size = ui.chart->size();
    if (!m_dialogs->getChartPictureOptions(m_window, options))
        return;
    QString fileName =
        m_dialogs->getSaveFileName(m_window, QStringLiteral("Сохранить график"), QString(),
                                   QStringLiteral("Рисунок PNG (*.png);;Рисунок SVG (*.svg)"));
    if (fileName.isEmpty())
        return;
    if (!fileName.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        fileName = reportFileName(fileName, QStringLiteral("png"));

    // What the common chart shows now.
    const ScaleSettings& view = ui.chart->scaleSettings();
    const qint64 first = qint64(std::floor(view.position));
    const qint64 last = qint64(std::ceil(view.position + view.visibleSpan));
    const qint64 tickMs = ui.chart->tickLength();
    const QString title = pictureTitle(m_workspace.protocolDescriptions(),
                                       ui.chart->startDateTime().addMSecs(first * tickMs),
                                       ui.chart->startDateTime().addMSecs(last * tickMs));
    ChartPicture picture(*ui.chart, options, first, last, title);
    if (const QString cramped = crampedStripsText(picture); !cramped.isEmpty()) {
        m_dialogs->warning(m_window, QStringLiteral("Внимание!"),
                           QStringLiteral("График не сохранен: %1.").arg(cramped));
        return;
    }
    if (const ReportResult written = ::saveChartPicture(picture, options, fileName); !written) {
        m_dialogs->warning(m_window, QStringLiteral("Внимание!"),
                           saveFailedText(QStringLiteral("график"), fileName, written.error));
        return;
    }
    showSavedFile(m_window, m_dialogs, QStringLiteral("График"), fileName);
}
