#include "protocol/streamloger.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct Run
{
    int exitCode = -1;
    QString output;
};

Run generate(const QStringList& arguments)
{
    QProcess process;
    process.start(qEnvironmentVariable("VOLTREK_GEN"), arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.output =
        QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return run;
}

// The log folder and its protocol folder, names and contents.
QByteArray digestOf(const QString& dir)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& folder : {dir, dir + QStringLiteral("/protocols")}) {
        QDir base(folder);
        for (const QString& name : base.entryList(QDir::Files, QDir::Name)) {
            QFile file(base.filePath(name));
            file.open(QIODevice::ReadOnly);
            hash.addData(name.toUtf8());
            hash.addData(file.readAll());
        }
    }
    return hash.result();
}
} // namespace

class TestGenerator : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void demoDirectoryIsCompleteAndStable();
    void irregularProtocolReadsAligned();
    void writesWhatWasAskedFor();
    void refusesBadArguments();

private:
    QTemporaryDir tmp;
};

void TestGenerator::initTestCase()
{
    QVERIFY2(QFileInfo(qEnvironmentVariable("VOLTREK_GEN")).isExecutable(), "VOLTREK_GEN not set");
    const Run help = generate({"--help"});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.output.contains("--demo"));
}

void TestGenerator::cleanupTestCase()
{
    StreamLoger::release();
}

void TestGenerator::demoDirectoryIsCompleteAndStable()
{
    const QString dir = tmp.filePath("demo");
    const Run first = generate({"--demo", dir});
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(first.output.count("created"), 5);
    const QByteArray before = digestOf(dir);

    StreamLoger* loger = StreamLoger::instance();
    QVERIFY(loger->init(dir));
    QCOMPARE(loger->codes().size(), 8);
    const QList<ProtocolInfo> list = loger->protocolList();
    QCOMPARE(list.size(), 4);
    for (const ProtocolInfo& info : list) {
        QVERIFY(info.start.isValid());
        QVERIFY(loger->openProtocol(0, 0, info.fileName));
        const ChannelRecords result = loger->readProtocol();
        QCOMPARE(result.size(), 8);
        QVERIFY(result.first().size() >= 1000);
        loger->closeProtocol();
    }

    const Run again = generate({"--demo", dir});
    QCOMPARE(again.exitCode, 0);
    QVERIFY(!again.output.contains("created"));
    QCOMPARE(digestOf(dir), before);

    // A lost protocol is made again, the rest stay untouched.
    QVERIFY(QFile::remove(dir + "/protocols/" + list[1].fileName));
    QCOMPARE(generate({"--demo", dir}).output.count("created"), 1);
    QCOMPARE(digestOf(dir), before);
}

void TestGenerator::irregularProtocolReadsAligned()
{
    const QString dir = tmp.filePath("irregular");
    QDir().mkpath(dir);
    const Run run =
        generate(QStringLiteral("--dir %1 --log-def %1/log.def --start 2023-07-01T12:00:00 "
                                "--tick 250 --ticks 3000 --channel A:1:sine,5,100,50:1 "
                                "--channel B:2:steps,1,50,4 --channel S:3:states,3,300 "
                                "--on-change --gaps 20 --out-of-order 10 "
                                "--trailing-bytes 5 --seed 7")
                     .arg(dir)
                     .split(QLatin1Char(' ')));
    QCOMPARE(run.exitCode, 0);
    StreamLoger* loger = StreamLoger::instance();
    QVERIFY(loger->init(dir));
    QVERIFY(loger->hasRefs("S"));
    QVERIFY(loger->openProtocol(0, 0, "2023_07_01_12_00_00.log"));
    QCOMPARE(loger->tickToDateTime(4), QDateTime(QDate(2023, 7, 1), QTime(12, 0, 1)));
    QSignalSpy starts(loger, &StreamLoger::startLoad);
    const ChannelRecords result = loger->readProtocol();
    loger->closeProtocol();

    const int records = run.output.section(": ", 1).section(' ', 0, 0).toInt();
    QVERIFY(records > 0);
    QCOMPARE(starts[0][0].toInt(), records);
    QCOMPARE(result.keys(), (QStringList{"A", "B", "S"}));
    const int ticks = result["A"].size();
    bool backwards = false;
    for (int j = 0; j < ticks; ++j) {
        QCOMPARE(result["B"][j].tick, result["A"][j].tick);
        QCOMPARE(result["S"][j].tick, result["A"][j].tick);
        QVERIFY(result["S"][j].value >= 0 && result["S"][j].value <= 2);
        backwards = backwards || (j > 0 && result["A"][j].tick < result["A"][j - 1].tick);
    }
    QVERIFY(backwards);
    QVERIFY(ticks > 2000 && ticks <= 3000);
}

void TestGenerator::writesWhatWasAskedFor()
{
    const QString file = tmp.filePath("exact.log");
    const Run run = generate({"--out", file, "--ticks", "100", "--records", "250", "--channel",
                              "R:4:ramp,0.5,0,10:1", "--channel", "N:5:noise,100,1:2", "--channel",
                              "Z:6:sine", "--description", "Описание"});
    QCOMPARE(run.exitCode, 0);
    QFile bytes(file);
    QCOMPARE(bytes.size(), qint64(139 + 9 * 250));
    QVERIFY(bytes.open(QIODevice::ReadOnly));
    const QByteArray content = bytes.readAll();
    QCOMPARE(content.left(3), QByteArray("LOG"));
    QCOMPARE(content.mid(10, 8), QByteArray("\xce\xef\xe8\xf1\xe0\xed\xe8\xe5")); // CP1251
    // Tick 1 of the ramp: 0.5 at RATE 1 is raw 5.
    const QByteArray second = content.mid(139 + 9 * 3, 9);
    QCOMPARE(second, QByteArray("\x04\x01\x00\x00\x00\x05\x00\x00\x00", 9));
}

void TestGenerator::refusesBadArguments()
{
    const QString file = tmp.filePath("bad.log");
    for (const QStringList& arguments :
         {QStringList{"--out", file, "--channel", "X"},
          QStringList{"--out", file, "--channel", "X:300:sine"},
          QStringList{"--out", file, "--channel", "X:1:wave"},
          QStringList{"--out", file, "--tick", "70000"},
          QStringList{"--out", file, "--start", "yesterday"}, QStringList{"--ticks", "5"}}) {
        const Run run = generate(arguments);
        QVERIFY2(run.exitCode == 1, qPrintable(arguments.join(' ')));
        QVERIFY(!QFileInfo::exists(file));
    }
    // A file where the directory should be.
    QFile blocker(tmp.filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QCOMPARE(generate({"--demo", tmp.filePath("blocker")}).exitCode, 1);
    QCOMPARE(generate({"--out", tmp.filePath("blocker/x.log")}).exitCode, 1);
}

QTEST_GUILESS_MAIN(TestGenerator)
#include "test_generator.moc"
