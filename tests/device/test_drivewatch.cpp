#include "device/deviceenvironment.h"
#include "device/drivewatch.h"

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
    void waitTakesTheFirstNewDrive_data()
    {
        QTest::addColumn<QList<QStringList>>("readings");
        QTest::addColumn<QString>("drive");
        QTest::addColumn<int>("reads"); // a change is read twice, to let the list settle
        QTest::addColumn<int>("pauses");
        const QStringList withCard = kBefore + QStringList{QStringLiteral("/media/user/CARD")};
        QTest::newRow("appears during the wait")
            << QList<QStringList>{kBefore, kBefore, kBefore, withCard}
            << QStringLiteral("/media/user/CARD") << 5 << 3;
        // Two devices switched: both cards come up, the first listed wins.
        QTest::newRow("first in list order")
            << QList<QStringList>{{"/", "/media/A", "/home", "/media/B"}}
            << QStringLiteral("/media/A") << 2 << 0;
        QTest::newRow("none after ten readings")
            << QList<QStringList>{kBefore} << QString() << 10 << 9;
        QTest::newRow("a drive vanishes")
            << QList<QStringList>{kBefore, {"/"}} << QString() << 3 << 1;
    }

    void waitTakesTheFirstNewDrive()
    {
        QFETCH(QList<QStringList>, readings);
        QFETCH(QString, drive);
        QFETCH(int, reads);
        QFETCH(int, pauses);
        ScriptedDrives drives{readings};
        QCOMPARE(wait(drives), drive);
        QCOMPARE(drives.reads, reads);
        QCOMPARE(drives.pauses, pauses);
    }

    void systemDrivesIncludeTheRoot()
    {
        QStringList roots = device::systemDriveRoots();
        QVERIFY(!roots.isEmpty());
#ifndef Q_OS_WIN
        QVERIFY(roots.contains(QStringLiteral("/")));
#endif
        QCOMPARE(roots.removeDuplicates(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDriveWatch)
#include "test_drivewatch.moc"
