#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace device {

constexpr int kDriveReadings = 10;
constexpr int kDrivePauseMs = 1000;

// Reads the drive roots up to `readings` times, pausing between readings while
// they equal `before`. Returns the first root not in `before` once they change;
// empty when they never change, or when the change only took a drive away.
QString waitForNewDrive(const QStringList& before, const std::function<QStringList()>& roots,
                        const std::function<void()>& pause, int readings = kDriveReadings);

} // namespace device
