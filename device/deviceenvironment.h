#pragma once

#include "device/loggerserial.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace device {

// Names of the serial ports, as the port enumeration gives them.
QStringList systemSerialPorts();
// Drive letters on Windows; elsewhere the roots of the mounted volumes, so that
// a card mounted under /media shows up as a new root.
QStringList systemDriveRoots();
// Waits without freezing the window: pending events are processed meanwhile.
void systemSleep(int ms);
void processPendingEvents();
void openWithDesktop(const QString& path);
// The monitor program beside this program.
QString monitorProgramPath();

} // namespace device

// What the device actions ask of their surroundings: serial ports, drives,
// waiting, the monitor program, the read of a copied protocol. Each piece can be
// replaced, so that the actions run against fake ports and drives and never
// block for seconds.
struct DeviceEnvironment
{
    std::function<QStringList()> serialPorts = device::systemSerialPorts;
    std::function<QStringList()> driveRoots = device::systemDriveRoots;
    std::function<void(int ms)> sleep = device::systemSleep;
    std::function<void(const QString& path)> openMonitor = device::openWithDesktop;
    // Empty: the monitor next to this program.
    QString monitorPath;
    int silenceMs = LoggerSerial::kDefaultSilenceMs;
    int answerMs = LoggerSerial::kDefaultAnswerMs;
    // Runs while a port is probed, so the window stays responsive.
    std::function<void()> whileProbing = device::processPendingEvents;
    // Reads the copied protocol; empty: the main window reads it itself.
    std::function<void(const QStringList& files)> readProtocols;
};
