#include "device/drivewatch.h"

namespace device {

QString waitForNewDrive(const QStringList& before, const std::function<QStringList()>& roots,
                        const std::function<void()>& pause, int readings)
{
    for (int reading = 0; reading < readings; ++reading) {
        if (roots() != before) {
            // Read again: the drive list may have settled since.
            const QStringList now = roots();
            for (const QString& root : now) {
                if (!before.contains(root))
                    return root;
            }
            return QString();
        }
        // No point in pausing after the last reading.
        if (reading + 1 < readings)
            pause();
    }
    return QString();
}

} // namespace device
