#include "device/loggerserial.h"
#include "fakelogger.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Short enough to keep the suite quick, long against the pauses inside a reply.
constexpr int kSilenceMs = 300;
constexpr int kPieceGapMs = 40;

#define REQUIRE_PSEUDO_TERMINALS()                                                                 \
    if (!pseudoTerminalsAvailable())                                                               \
    QSKIP("no pseudo-terminals on this system")

const QByteArray kProbe = QByteArray::fromHex("AAFF");
const QByteArray kProbeAndFlash = QByteArray::fromHex("AAFFAA03");

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

} // namespace

class TestLoggerSerial : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<FakeLogger> device(const QList<QByteArray>& reply, int pauseMs = 0)
    {
        auto fake = std::make_unique<FakeLogger>();
        fake->setReply(reply, pauseMs);
        if (!fake->start())
            return nullptr;
        return fake;
    }

    LoggerSerial::ProbeResult probe(const QString& port)
    {
        LoggerSerial serial;
        serial.setSilenceInterval(kSilenceMs);
        return serial.probe(port);
    }

    bool switchToFlash(const QStringList& ports)
    {
        LoggerSerial serial;
        serial.setSilenceInterval(kSilenceMs);
        return serial.switchToFlash(ports);
    }

private slots:
    void answerMustBeLongerThanItsStart_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("logger");
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("start only") << hex("55FF") << false;
        QTest::newRow("one byte more") << hex("55FF01") << true;
        QTest::newRow("wrong second byte") << hex("55FE01") << false;
        QTest::newRow("start not first") << hex("0055FF01") << false;
    }
    void answerMustBeLongerThanItsStart()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, logger);
        QCOMPARE(LoggerSerial::isLoggerAnswer(answer), logger);
    }

    void answeringDeviceGetsTheFlashCommand_data()
    {
        QTest::addColumn<QList<QByteArray>>("reply");
        QTest::newRow("whole") << QList<QByteArray>{hex("55FF01")};
        // Every piece alone, and the first two together, would not count.
        QTest::newRow("in pieces") << QList<QByteArray>{hex("55"), hex("FF"), hex("01")};
    }
    void answeringDeviceGetsTheFlashCommand()
    {
        REQUIRE_PSEUDO_TERMINALS();
        QFETCH(QList<QByteArray>, reply);
        auto fake = device(reply, kPieceGapMs);
        QVERIFY(fake);
        QCOMPARE(probe(fake->portName()), LoggerSerial::ProbeResult::Switched);
        QTRY_COMPARE(fake->received(), kProbeAndFlash);
    }

    void notTheLoggerGetsNoCommand_data()
    {
        QTest::addColumn<QList<QByteArray>>("reply");
        QTest::newRow("start only, in pieces") << QList<QByteArray>{hex("55"), hex("FF")};
        QTest::newRow("someone else") << QList<QByteArray>{hex("0D0A4F4B0D0A")};
        QTest::newRow("silent") << QList<QByteArray>{};
    }
    void notTheLoggerGetsNoCommand()
    {
        REQUIRE_PSEUDO_TERMINALS();
        QFETCH(QList<QByteArray>, reply);
        auto fake = device(reply, kPieceGapMs);
        QVERIFY(fake);
        QCOMPARE(probe(fake->portName()), LoggerSerial::ProbeResult::NoDevice);
        QTRY_COMPARE(fake->received(), kProbe);
        QTest::qWait(50);
        QCOMPARE(fake->received(), kProbe);
    }

    void portThatCannotOpenIsSkipped()
    {
        REQUIRE_PSEUDO_TERMINALS();
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        // A path below a plain file cannot name a port.
        const QString impossible = blocker.fileName() + QStringLiteral("/ttyS0");
        QCOMPARE(probe(impossible), LoggerSerial::ProbeResult::NotOpened);

        auto fake = device({hex("55FF01")});
        QVERIFY(fake);
        QVERIFY(switchToFlash({impossible, fake->portName()}));
        QTRY_COMPARE(fake->received(), kProbeAndFlash);
    }

    void everyAnsweringDeviceIsSwitched()
    {
        REQUIRE_PSEUDO_TERMINALS();
        auto first = device({hex("55FF01")});
        auto silent = device({});
        auto second = device({hex("55FF"), hex("02")}, kPieceGapMs);
        QVERIFY(first && silent && second);
        QVERIFY(switchToFlash({first->portName(), silent->portName(), second->portName()}));
        QTRY_COMPARE(first->received(), kProbeAndFlash);
        QTRY_COMPARE(second->received(), kProbeAndFlash);
        QCOMPARE(silent->received(), kProbe);
    }

    void streamingPortIsProbedForABoundedTimeAndSize_data()
    {
        QTest::addColumn<QByteArray>("piece");
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<int>("minWaits");
        // A byte more often than the silence interval: only the time bound
        // ends it, and the window gets its turn all along.
        QTest::newRow("slow stream") << hex("01") << 100 << 3;
        // Answers that start like the logger's count only by their first bytes.
        QTest::newRow("fast stream") << hex("55FF0102030405060708") << 1 << 0;
    }

    void streamingPortIsProbedForABoundedTimeAndSize()
    {
        REQUIRE_PSEUDO_TERMINALS();
        QFETCH(QByteArray, piece);
        QFETCH(int, pauseMs);
        QFETCH(int, minWaits);
        auto fake = std::make_unique<FakeLogger>();
        fake->setReply({piece}, pauseMs);
        fake->setEndless(true);
        QVERIFY(fake->start());

        LoggerSerial serial;
        serial.setSilenceInterval(kSilenceMs);
        serial.setAnswerTimeLimit(800);
        int waits = 0;
        serial.setWaitHook([&waits] { ++waits; });
        QElapsedTimer elapsed;
        elapsed.start();
        const LoggerSerial::ProbeResult result = serial.probe(fake->portName());
        QVERIFY2(elapsed.elapsed() < 2000, QByteArray::number(elapsed.elapsed()));
        QVERIFY(waits >= minWaits);
        QCOMPARE(result, piece.startsWith(hex("55FF")) ? LoggerSerial::ProbeResult::Switched
                                                       : LoggerSerial::ProbeResult::NoDevice);
    }

    void noDeviceAnywhereIsNotFound()
    {
        REQUIRE_PSEUDO_TERMINALS();
        QVERIFY(!switchToFlash({}));
        auto silent = device({});
        QVERIFY(silent);
        QVERIFY(!switchToFlash({silent->portName()}));
    }
};

QTEST_GUILESS_MAIN(TestLoggerSerial)
#include "test_loggerserial.moc"
