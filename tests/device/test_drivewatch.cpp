#include "device/deviceenvironment.h"
#include "device/drivewatch.h"

#include <QCoreApplication>
#include <QTest>

namespace {

// Drive lists handed out one reading after the other; the last one repeats.
struct ScriptedDrives
{
    QList<QStringList> readings;
    int reads = 0;
    int pauses = 0;

    QStringList operator()()
    {
        const int at = qMin(reads++, readings.size() - 1);
        return readings.at(at);
    }
};

const QStringList kBefore{QStringLiteral("/"), QStringLiteral("/home")};

} // namespace

class TestDriveWatch : public QObject
{
    Q_OBJECT
private:
    QString wait(ScriptedDrives& drives)
    {
        return device::waitForNewDrive(
            kBefore, [&drives] { return drives(); }, [&drives] { ++drives.pauses; });
    }

private slots:
    void driveAppearingDuringTheWaitIsTaken()
    {
        const QStringList withCard = kBefore + QStringList{QStringLiteral("/media/user/CARD")};
        ScriptedDrives drives{{kBefore, kBefore, kBefore, withCard}};
        QCOMPARE(wait(drives), QStringLiteral("/media/user/CARD"));
        QCOMPARE(drives.pauses, 3);
    }

    void firstNewDriveInListOrderIsTaken()
    {
        // Two devices switched: both cards come up, the first listed wins.
        const QStringList both{QStringLiteral("/"), QStringLiteral("/media/A"),
                               QStringLiteral("/home"), QStringLiteral("/media/B")};
        ScriptedDrives drives{{both}};
        QCOMPARE(wait(drives), QStringLiteral("/media/A"));
        QCOMPARE(drives.pauses, 0);
    }

    void noNewDriveEndsAfterTenReadings()
    {
        ScriptedDrives drives{{kBefore}};
        QVERIFY(wait(drives).isEmpty());
        QCOMPARE(drives.reads, device::kDriveReadings);
        QCOMPARE(device::kDriveReadings, 10);
        QCOMPARE(drives.pauses, device::kDriveReadings - 1);
    }

    void vanishedDriveEndsWithoutDrive()
    {
        ScriptedDrives drives{{kBefore, {QStringLiteral("/")}}};
        QVERIFY(wait(drives).isEmpty());
        QCOMPARE(drives.pauses, 1);
        QCOMPARE(drives.reads, 3);
    }

    void machineSeamsGiveRealAnswers()
    {
        QStringList roots = device::systemDriveRoots();
#ifdef Q_OS_WIN
        QVERIFY(!roots.isEmpty());
        QVERIFY(device::monitorProgramPath().endsWith(QStringLiteral("/DEVMON.exe")));
#else
        QVERIFY(roots.contains(QStringLiteral("/")));
        QCOMPARE(roots.removeDuplicates(), 0);
        QCOMPARE(device::monitorProgramPath(),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/DEVMON"));
#endif
    }
};

QTEST_GUILESS_MAIN(TestDriveWatch)
#include "test_drivewatch.moc"
