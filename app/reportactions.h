#pragma once

#include "workspace/workspace.h"

#include <QDateTime>
#include <QObject>

#include <memory>
#include <utility>

class ChartProtocol;
class Dialogs;
class QAction;
class QMainWindow;
namespace Ui {
class MainWindow;
}

// The instants of the ticks between the chart's two cursors, both included,
// as reports and exports take them.
std::pair<QDateTime, QDateTime> cursorRange(const ChartProtocol& chart);

// Says in the status bar that the file was saved ("Отчет", "График") and
// opens it; when no program opens it, now or later, a message names it.
void showSavedFile(QMainWindow* window, const std::unique_ptr<Dialogs>& dialogs,
                   const QString& what, const QString& fileName);

// The report actions of the window: the workbook and the PDF of the loaded
// rows and the picture of the common chart, each asked for, written by the
// workspace and opened.
class ReportActions : public QObject
{
    Q_OBJECT
public:
    // `reading`: whether a read runs, when no report starts; `interactive`:
    // whether the chosen folder is remembered.
    ReportActions(Ui::MainWindow& ui, Workspace& workspace, const std::unique_ptr<Dialogs>& dialogs,
                  QMainWindow* window, const bool& reading, const bool& interactive);

    void saveWorkbook();
    void savePdf();
    void saveChartPicture();

private:
    // Asks for the file and the rows, writes the report and opens it, or
    // says it failed; `file` names the report by the field it fills in.
    void saveReport(const QString& filter, const QString& suffix, QString ReportRequest::*file);

    Ui::MainWindow& ui;
    Workspace& m_workspace;
    const std::unique_ptr<Dialogs>& m_dialogs;
    QMainWindow* m_window;
    const bool& m_reading;
    const bool& m_interactive;
};
