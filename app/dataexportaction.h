#pragma once

#include <QObject>

#include <memory>

class Dialogs;
class QMainWindow;
class Workspace;
namespace Ui {
class MainWindow;
}

// "Экспорт данных…": the loaded channels' values, chosen in a dialog, in an
// HDF5 or MATLAB file.
class DataExportAction : public QObject
{
    Q_OBJECT
public:
    // `reading`: whether a read runs, when no export starts.
    DataExportAction(Ui::MainWindow& ui, Workspace& workspace,
                     const std::unique_ptr<Dialogs>& dialogs, QMainWindow* window,
                     const bool& reading);

    void exportData();

private:
    Ui::MainWindow& ui;
    Workspace& m_workspace;
    const std::unique_ptr<Dialogs>& m_dialogs;
    QMainWindow* m_window;
    const bool& m_reading;
};
