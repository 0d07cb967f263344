#pragma once

#include "device/deviceenvironment.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class Dialogs;
class LoggerSerial;
class QWidget;
class StreamLoger;
namespace Ui {
class MainWindow;
}

// The logger device actions: FLASH mode with the wait for its drive, the
// copy of a protocol file into the protocol folder, and the monitor.
class DeviceActions : public QObject
{
    Q_OBJECT
public:
    // `reading`: whether a read runs, when no device action starts.
    DeviceActions(Ui::MainWindow& ui, StreamLoger& logger, const std::unique_ptr<Dialogs>& dialogs,
                  QWidget* window, const bool& reading);

    // What follows a copy the user wants opened: the list refreshed, and the
    // file read.
    std::function<void()> refreshProtocols;
    std::function<void(const QStringList&)> readProtocols;

    // Ports, drives, waiting and the monitor as the actions see them.
    DeviceEnvironment& environment() { return m_environment; }
    // The drive the device appeared as, where the copy looks first.
    QString deviceFolder() const { return m_deviceFolder; }

    void switchToFlash();
    void copyProtocol();
    void openMonitor();
    // The window closes: a probe stops and a wait for the drive ends.
    void close();

private:
    // Warns and returns false when there is no protocol directory to copy into.
    bool checkProtocolDirForCopy();
    // Makes the copied file the current row of the file list.
    void selectFile(const QString& fileName);

    Ui::MainWindow& ui;
    StreamLoger& m_logger;
    const std::unique_ptr<Dialogs>& m_dialogs;
    QWidget* m_window;
    const bool& m_reading;
    DeviceEnvironment m_environment;
    QString m_deviceFolder;
    LoggerSerial* m_probe = nullptr; // while the FLASH action probes ports
    bool m_closed = false;
};
