#include "events/eventdefinition.h"
#include "events/eventfile.h"
#include "workspace/workspace.h"
#include "workspace/workspaceevents.h"

#include <QTemporaryDir>
#include <QtTest>

class TestEventFile : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip();
    void brokenFileIsReportedAndKept_data();
    void brokenFileIsReportedAndKept();
    void options_data();
    void options();
    void durations_data();
    void durations();
};

void TestEventFile::roundTrip()
{
    QTemporaryDir dir;
    EventDefinition voltage;
    voltage.name = QStringLiteral("Напряжение вне 207–253");
    voltage.condition = QStringLiteral("U1 < 207 || U1 > 253");
    voltage.minMs = 1250;
    voltage.joinMs = 500;
    voltage.color = QColor(QStringLiteral("#ff8080"));
    EventDefinition frequency;
    frequency.name = QStringLiteral("F");
    frequency.condition = QStringLiteral("F1 < 49.8");
    frequency.color = QColor(QStringLiteral("#80b0ff"));
    const EventDefinitions written{voltage, frequency};
    const QString path = EventFile::pathIn(dir.path());
    QString error;
    QVERIFY(EventFile::save(path, written, error));
    EventDefinitions read;
    QVERIFY2(EventFile::load(path, read, error), qPrintable(error));
    QVERIFY(read == written);
    // A missing file is no definitions and no problem.
    QVERIFY(EventFile::load(dir.filePath(QStringLiteral("none.def")), read, error));
    QVERIFY(read.empty());
}

void TestEventFile::brokenFileIsReportedAndKept_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("not JSON") << QByteArray("{\"events\": [") << QStringLiteral("ошибка JSON");
    QTest::newRow("no list") << QByteArray("{\"version\": 1}") << QStringLiteral("нет списка");
    QTest::newRow("later version")
        << QByteArray("{\"version\": 2, \"events\": []}") << QStringLiteral("версия 2");
    QTest::newRow("no condition") << QByteArray("{\"events\": [{\"name\": \"a\"}]}")
                                  << QStringLiteral("событие 1: нет условия");
    QTest::newRow("negative duration")
        << QByteArray("{\"events\": [{\"name\": \"a\", \"condition\": \"U1>1\", \"minMs\": -1}]}")
        << QStringLiteral("длительность");
    QTest::newRow("repeated name")
        << QByteArray("{\"events\": [{\"name\": \"a\", \"condition\": \"U1>1\"},"
                      "{\"name\": \"a\", \"condition\": \"U1>2\"}]}")
        << QStringLiteral("имя «a» повторяется");
}

void TestEventFile::brokenFileIsReportedAndKept()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = EventFile::pathIn(dir.path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    Workspace workspace;
    workspace.events().load(dir.path());
    QVERIFY2(workspace.events().problem().contains(reason),
             qPrintable(workspace.events().problem()));
    QVERIFY(workspace.events().definitions().empty());
    // Using other definitions (a project's) leaves the file as it was.
    EventDefinition given;
    given.name = QStringLiteral("x");
    given.condition = QStringLiteral("U1 > 1");
    workspace.events().setDefinitions({given});
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
    file.close();
}

void TestEventFile::options_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("condition");
    QTest::addColumn<qint64>("minMs");
    QTest::addColumn<qint64>("joinMs");
    QTest::newRow("bare") << "U=U1<207" << true << "U"
                          << "U1<207" << qint64(0) << qint64(0);
    QTest::newRow("both limits") << "Провал = U1 < 207 ; min=1.5s; join=250ms" << true << "Провал"
                                 << "U1 < 207" << qint64(1500) << qint64(250);
    QTest::newRow("equality in the condition") << "S=ST == 1;join=00:00:02" << true << "S"
                                               << "ST == 1" << qint64(0) << qint64(2000);
    QTest::newRow("no name") << "=U1<3" << false << ""
                             << "" << qint64(0) << qint64(0);
    QTest::newRow("no condition") << "U=;min=1s" << false << "U"
                                  << "" << qint64(0) << qint64(0);
    QTest::newRow("unknown key") << "U=U1<3;max=1s" << false << "U"
                                 << "U1<3" << qint64(0) << qint64(0);
    QTest::newRow("bad duration") << "U=U1<3;min=soon" << false << "U"
                                  << "U1<3" << qint64(0) << qint64(0);
}

void TestEventFile::options()
{
    QFETCH(QString, option);
    QFETCH(bool, ok);
    EventDefinition definition;
    QString error;
    QCOMPARE(parseEventOption(option, definition, error), ok);
    QCOMPARE(error.isEmpty(), ok);
    if (!ok)
        return;
    QTEST(definition.name, "name");
    QTEST(definition.condition, "condition");
    QTEST(definition.minMs, "minMs");
    QTEST(definition.joinMs, "joinMs");
}

void TestEventFile::durations_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("ms"); // -1: refused
    QTest::newRow("seconds") << "2" << qint64(2000);
    QTest::newRow("comma") << "1,25 s" << qint64(1250);
    QTest::newRow("milliseconds") << "40ms" << qint64(40);
    QTest::newRow("Russian minutes") << "3 мин" << qint64(180000);
    QTest::newRow("hours") << "1h" << qint64(3600000);
    QTest::newRow("clock") << "01:02:03.4" << qint64(3723400);
    QTest::newRow("negative") << "-1s" << qint64(-1);
    QTest::newRow("unit only") << "ms" << qint64(-1);
}

void TestEventFile::durations()
{
    QFETCH(QString, text);
    QFETCH(qint64, ms);
    qint64 read = -1;
    const bool ok = parseDuration(text, read);
    QCOMPARE(ok, ms >= 0);
    if (ok) {
        QCOMPARE(read, ms);
        qint64 again = -1;
        QVERIFY(parseDuration(durationText(read), again));
        QCOMPARE(again, ms);
    }
}

QTEST_GUILESS_MAIN(TestEventFile)
#include "test_eventfile.moc"
